#pragma once
// The user's options and the blocking state, with the values they hold before anything is
// loaded from the registry.
#include <cstdint>
#include <string>
#include <string_view>

enum ScriptingChoice : std::uint32_t {
    ScriptingEnable = 0,
    ScriptingDisable = 1,
    ScriptingPrompt = 2,
};

struct Settings {
    std::int32_t minimizeOnStart = 0;
    std::int32_t startWithWindows = 1;
    std::int32_t switchedOff = 0;
    std::int32_t activateHotkey = 0;
    std::uint16_t hotkeyVirtualKey = 0x77;  // VK_F8
    std::uint16_t hotkeyModifiers = 0;      // HOTKEYF_* as the hot-key control reports them
    std::uint32_t scriptingChoice = ScriptingEnable;
    std::int32_t flashBlocked = 1;
};

// The class identifier of the Flash player control, compared exactly (case included).
constexpr char kFlashClassId[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
inline bool IsFlashClassId(std::string_view classId) noexcept { return classId == kFlashClassId; }
