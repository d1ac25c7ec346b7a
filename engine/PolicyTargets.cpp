#include "engine/PolicyTargets.h"

#include "settings/Settings.h"

std::uint32_t ScriptingPolicyValue(std::uint32_t choice) noexcept {
    switch (choice) {
        case ScriptingEnable: return 0;
        case ScriptingDisable: return 3;
        default: return 1;
    }
}

std::string KillBitKeyName(std::string_view classId) {
    std::string name;
    name.reserve(classId.size() + 2);
    name += '{';
    name += classId;
    name += '}';
    return name;
}

std::string KillBitKeyPath(std::string_view classId) {
    return std::string(kKillBitParentPath) + "\\" + KillBitKeyName(classId);
}
