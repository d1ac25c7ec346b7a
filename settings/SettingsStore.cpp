#include "settings/SettingsStore.h"

#include "settings/AdminPolicy.h"
#include "settings/RegKey.h"
#include "settings/StoredChecks.h"

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

// The entries' stored checks for the life of the process: with a long list, reading or
// writing every one of them at each apply costs more than the apply itself.
StoredChecks& Stored() {
    static StoredChecks stored;
    return stored;
}

}  // namespace

void LoadOptions(Settings& settings) {
    RegKey product;
    if (product.Open(HKEY_CURRENT_USER, kProductKey, RegKey::kReadAccess) != ERROR_SUCCESS) return;
    ReadFlag(product, kCurrentStateValue, settings.switchedOff);
    ReadFlag(product, kMinimizeOnStartValue, settings.minimizeOnStart);
    ReadFlag(product, kStartWithWindowsValue, settings.startWithWindows);
    ReadFlag(product, kActivateHotkeyValue, settings.activateHotkey);
    DWORD hotKey = 0;
    if (product.QueryDword(kHotKeyValue, hotKey) == ERROR_SUCCESS) {
        settings.hotkeyVirtualKey = static_cast<std::uint16_t>(hotKey & 0xFFFF);
        settings.hotkeyModifiers = static_cast<std::uint16_t>(hotKey >> 16);
    }
}

void LoadSettings(Settings& settings, Selection& selection) {
    LoadOptions(settings);

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
    StoredChecks& stored = Stored();
    bool known = stored.StillTrue(choices);
    for (const BlockItem& item : selection.Items()) {
        if (!known) break;
        known = stored.Lookup(item.classId()).has_value();
    }
    if (!known) stored.Begin(choices, selection.Items().size());
    for (const BlockItem& item : selection.Items()) {
        bool checked = false;
        if (known) {
            checked = *stored.Lookup(item.classId());
        } else {
            if (!ReadYes(choices, item.ClassIdText(), checked)) continue;
            stored.Note(item.classId(), checked);
        }
        selection.SetChecked(item, checked);
        if (IsFlashClassId(item.classId())) settings.flashBlocked = checked ? 1 : 0;
    }
    if (!known) stored.End();
}

void SaveSettings(const Settings& settings, const Selection& selection, const AdminPolicy* policy) {
    RegKey product;
    if (product.Create(HKEY_CURRENT_USER, kProductKey) == ERROR_SUCCESS) {
        if (!policy || !policy->blocking) product.WriteString(kCurrentStateValue, YesNo(settings.switchedOff != 0));
        product.WriteString(kMinimizeOnStartValue, YesNo(settings.minimizeOnStart != 0));
        if (!policy || !policy->startWithWindows)
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
    choices.WriteDword(kScriptingValue, selection.UserScriptingIndex());
    for (Category category : kCategories)
        choices.WriteString(CategoryValueName(category), YesNo(selection.UserChoice(category)));
    // Only what differs from the stored values, while they are known; then the picture
    // starts again from what the key holds now.
    StoredChecks& stored = Stored();
    const bool known = stored.StillTrue(choices);
    bool written = true;
    for (const BlockItem& item : selection.Items()) {
        const bool checked = selection.UserChoice(item);
        if (!known || stored.Differs(item.classId(), checked))
            written = choices.WriteString(item.ClassIdText(), YesNo(checked)) == ERROR_SUCCESS && written;
    }
    if (!written) {
        stored.Forget();  // what the key holds is unsure
        return;
    }
    stored.Begin(choices, selection.Items().size());
    for (const BlockItem& item : selection.Items()) stored.Note(item.classId(), selection.UserChoice(item));
    stored.End();
}
