// What the main dialog does with Hushbar's own policy: reading it again when Group Policy
// says it changed, and locking what it sets.
#include "app/MainDialog.h"

#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "win/ResourceString.h"

namespace {
constexpr char kUpdateOffTip[] = "Set by your administrator: Update is turned off";
}  // namespace

bool MainDialog::ReadPolicyAgain() {
    const AdminPolicy previous = policy_;
    policy_ = ReadAdminPolicy();
    if (policy_ == previous) return false;
    TakeTreeEdits();
    ReadCheckBoxes();
    // What the policy no longer sets is the user's again, as stored.
    ::Settings stored = settings_;
    LoadOptions(stored);
    if (previous.blocking && !policy_.blocking) settings_.switchedOff = stored.switchedOff;
    if (previous.startWithWindows && !policy_.startWithWindows) settings_.startWithWindows = stored.startWithWindows;
    ApplyAdminPolicy(policy_, settings_);
    selection_.Force(policy_.selection);
    ShowSelectionChange();
    WriteCheckBoxes();
    return true;
}

bool MainDialog::FlashForced() const {
    for (const BlockItem& item : selection_.Items())
        if (IsFlashClassId(item.classId())) return selection_.IsForced(item);
    return false;
}

void MainDialog::ShowPolicyLocks() {
    HWND hwnd = Hwnd();
    const auto lock = [&](int id, bool locked, const char* reason) {
        ::EnableWindow(::GetDlgItem(hwnd, id), !locked);
        toolTips_.SetTipText(hwnd, id, locked ? reason : LoadResourceString(id).c_str());
        toolTips_.SetDisabledTip(hwnd, id, locked ? reason : nullptr);
    };
    lock(IDC_SWITCH, policy_.blocking.has_value(), kSetByAdministrator);
    lock(IDC_UPDATE, !policy_.UpdateAllowed(), kUpdateOffTip);
    lock(IDC_START_WITH_WINDOWS, policy_.startWithWindows.has_value(), kSetByAdministrator);

    const bool flashForced = FlashForced();
    HMENU menu = trayIcon_.Menu();
    for (UINT id : {ID_SHOW_FLASH, ID_BLOCK_FLASH})
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | (flashForced ? MF_GRAYED : MF_ENABLED));
    for (UINT id : {ID_ENABLE_SCRIPT, ID_DISABLE_SCRIPT, ID_PROMPT_SCRIPT})
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | (selection_.ScriptingForced() ? MF_GRAYED : MF_ENABLED));
}
