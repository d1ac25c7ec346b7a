#include "engine/PolicyTargets.h"

#include "settings/Settings.h"

std::uint32_t ScriptingPolicyValue(std::uint32_t choice) noexcept {
    switch (choice) {
        case ScriptingEnable: return 0;
        case ScriptingDisable: return 3;
        default: return 1;
    }
}

std::string KillBitKeyName(const std::string& classId) {
    return "{" + classId + "}";
}

std::string KillBitKeyPath(const std::string& classId) {
    return std::string(kKillBitParentPath) + "\\" + KillBitKeyName(classId);
}
