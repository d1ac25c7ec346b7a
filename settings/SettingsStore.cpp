#include "settings/SettingsStore.h"

#include "settings/RegKey.h"

#include <string>

namespace {

constexpr char kCurrentStateValue[] = "Current State";
constexpr char kMinimizeOnStartValue[] = "Minimize on start";
constexpr char kStartWithWindowsValue[] = "Start When Windows Starts";
constexpr char kActivateHotkeyValue[] = "ActivateHotkey";
constexpr char kHotKeyValue[] = "HotKey";

constexpr Category kCategories[] = {Category::Pictures, Category::Videos, Category::Animations, Category::Sounds,
                                    Category::Java};

// Exact and case-sensitive: "Yes" is not yes.
bool IsYes(const std::string& text) { return text == "yes"; }
const char* YesNo(bool value) { return value ? "yes" : "no"; }

// Leaves `flag` alone unless the value reads as a string.
void ReadFlag(const RegKey& key, const char* name, std::int32_t& flag) {
    std::string text;
    if (key.QueryString(name, text) == ERROR_SUCCESS) flag = IsYes(text) ? 1 : 0;
}

bool ReadYes(const RegKey& key, const char* name, bool& yes) {
    std::string text;
    if (key.QueryString(name, text) != ERROR_SUCCESS) return false;
    yes = IsYes(text);
    return true;
}

}  // namespace

void LoadSettings(Settings& settings, Selection& selection) {
    RegKey product;
    if (product.Open(HKEY_CURRENT_USER, kProductKey, RegKey::kReadAccess) == ERROR_SUCCESS) {
        ReadFlag(product, kCurrentStateValue, settings.switchedOff);
        ReadFlag(product, kMinimizeOnStartValue, settings.minimizeOnStart);
        ReadFlag(product, kStartWithWindowsValue, settings.startWithWindows);
        ReadFlag(product, kActivateHotkeyValue, settings.activateHotkey);
        DWORD hotKey = 0;
        if (product.QueryDword(kHotKeyValue, hotKey) == ERROR_SUCCESS) {
            settings.hotkeyVirtualKey = static_cast<std::uint16_t>(hotKey & 0xFFFF);
            settings.hotkeyModifiers = static_cast<std::uint16_t>(hotKey >> 16);
        }
        product.Close();
    }

    RegKey choices;
    if (choices.Open(HKEY_CURRENT_USER, kSelectionKey, RegKey::kReadAccess) != ERROR_SUCCESS) return;

    DWORD scripting = 0;
    if (choices.QueryDword(kScriptingValue, scripting) == ERROR_SUCCESS) {
        // The tree turns an index it does not have into "Enable"; the setting keeps the
        // number as stored, so the tray shows no script choice until the next apply.
        selection.SetScriptingIndex(scripting);
        settings.scriptingChoice = scripting;
    }
    for (Category category : kCategories) {
        bool checked = false;
        if (ReadYes(choices, CategoryValueName(category), checked)) selection.SetChecked(category, checked);
    }
    for (const BlockItem& item : selection.Items()) {
        bool checked = false;
        if (!ReadYes(choices, item.classId.c_str(), checked)) continue;
        selection.SetChecked(item, checked);
        if (IsFlashClassId(item.classId)) settings.flashBlocked = checked ? 1 : 0;
    }
}

void SaveSettings(const Settings& settings, const Selection& selection) {
    RegKey product;
    if (product.Create(HKEY_CURRENT_USER, kProductKey) == ERROR_SUCCESS) {
        product.WriteString(kCurrentStateValue, YesNo(settings.switchedOff != 0));
        product.WriteString(kMinimizeOnStartValue, YesNo(settings.minimizeOnStart != 0));
        product.WriteString(kStartWithWindowsValue, YesNo(settings.startWithWindows != 0));
        product.WriteString(kActivateHotkeyValue, YesNo(settings.activateHotkey != 0));
        product.WriteDword(kHotKeyValue, static_cast<DWORD>(settings.hotkeyModifiers) << 16 | settings.hotkeyVirtualKey);
        product.Close();
    }

    // Without a tree every check would read as clear and scripting as Enable: writing that
    // would replace the user's stored selection with nothing.
    if (!selection.IsBuilt()) return;

    RegKey choices;
    if (choices.Create(HKEY_CURRENT_USER, kSelectionKey) != ERROR_SUCCESS) return;
    choices.WriteDword(kScriptingValue, selection.ScriptingIndex());
    for (Category category : kCategories)
        choices.WriteString(CategoryValueName(category), YesNo(selection.IsChecked(category)));
    for (const BlockItem& item : selection.Items())
        choices.WriteString(item.classId.c_str(), YesNo(selection.IsChecked(item)));
}
