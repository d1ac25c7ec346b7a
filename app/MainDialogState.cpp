// The main dialog's display of the state: the tray's icon, tip and menu, the dialog's state
// icon and the note under the tree.
#include "app/MainDialog.h"

#include "res/resource.h"
#include "win/Dpi.h"
#include "win/ResourceString.h"

#include <string>

namespace {

constexpr char kTipOn[] = "Hushbar : Blocking Multimedia Ads and Spyware";
constexpr char kTipOff[] = "Hushbar (Disabled)";
// Without administrator rights the machine-wide kill bits are refused; the controls are then
// blocked through the per-user add-on settings only, and the user should know.
constexpr char kTipUserOnly[] = "Hushbar : ON - ActiveX blocked for this user only (no administrator rights)";
// Policy keeps some checked item allowed: ON is not the whole truth.
constexpr char kTipOverridden[] = "Hushbar : ON - partly overridden by policy";
// An administrator's policy sets the state: neither the user nor a command can switch it.
constexpr char kTipForcedOn[] = "Hushbar : ON - Set by your administrator";
constexpr char kTipForcedOff[] = "Hushbar (Disabled) - Set by your administrator";
constexpr char kTipApplying[] = "Hushbar : Applying...";
constexpr char kNoteApplying[] = "Applying...";

void SetItemChecked(HMENU menu, UINT command, bool checked) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    if (!::GetMenuItemInfoA(menu, command, FALSE, &info)) return;
    info.fMask = MIIM_STATE;
    info.fState = checked ? MFS_CHECKED : 0;
    ::SetMenuItemInfoA(menu, command, FALSE, &info);
}

}  // namespace

HICON MainDialog::LoadStateIcon(int size) const {
    return static_cast<HICON>(::LoadImageA(instance_,
                                           MAKEINTRESOURCEA(settings_.switchedOff ? IDI_STATE_OFF : IDI_STATE_ON),
                                           IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The taskbar shows small icons at the DPI of the system; an icon given larger is shrunk,
// and blurs.
int MainDialog::TrayIconSize() const { return SystemMetricAt(SM_CXSMICON, SystemDpi()); }

void MainDialog::ShowDialogStateIcon(int dpi) {
    // The same picture as the tray's, at the dialog's own size: the static control takes
    // the size of the icon it is given.
    UniqueIcon shown(LoadStateIcon(SystemMetricAt(SM_CXICON, dpi)));
    ::SendDlgItemMessageA(Hwnd(), IDC_STATE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(shown.Get()), 0);
    dialogStateIcon_ = std::move(shown);
}

const char* MainDialog::StateTip() const {
    if (applying_) return kTipApplying;
    if (policy_.blocking) return settings_.switchedOff ? kTipForcedOff : kTipForcedOn;
    if (settings_.switchedOff) return kTipOff;
    if (SummarisePolicy(policyStatus_).allowedByPolicy) return kTipOverridden;
    return machineWideRefused_ ? kTipUserOnly : kTipOn;
}

void MainDialog::RefreshStateDisplay() {
    HMENU menu = trayIcon_.Menu();
    const bool on = !settings_.switchedOff;
    std::string item = LoadResourceString(IDS_TRAY_ITEM) + (on ? ": ON" : ": OFF");
    if (policy_.blocking) item += std::string(" - ") + kSetByAdministrator;
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_TYPE;
    info.fType = MFT_STRING;
    info.fState = (on ? MFS_CHECKED : 0) | (policy_.blocking ? MFS_DISABLED : 0);
    info.dwTypeData = item.data();
    ::SetMenuItemInfoA(menu, IDC_SWITCH, FALSE, &info);

    SetItemChecked(menu, ID_SHOW_FLASH, !settings_.flashBlocked);
    SetItemChecked(menu, ID_BLOCK_FLASH, settings_.flashBlocked != 0);
    SetItemChecked(menu, ID_ENABLE_SCRIPT, settings_.scriptingChoice == ScriptingEnable);
    SetItemChecked(menu, ID_DISABLE_SCRIPT, settings_.scriptingChoice == ScriptingDisable);
    SetItemChecked(menu, ID_PROMPT_SCRIPT, settings_.scriptingChoice == ScriptingPrompt);
    ShowPolicyLocks();

    // The state icons change with the switch alone; loading them is most of what showing
    // the state costs.
    const bool off = settings_.switchedOff != 0;
    if (stateIconsOff_ != off) {
        trayIcon_.Show(StateTip(), LoadStateIcon(TrayIconSize()));
        ShowDialogStateIcon(WindowDpi(Hwnd()));
        stateIconsOff_ = off;
    } else {
        trayIcon_.Show(StateTip());
    }
    toolTips_.SetTipText(Hwnd(), IDC_STATE_ICON, StateTip());
    // The note says what is not as checked: Hushbar's own policy, the browser's policy, then
    // the refused machine-wide block.
    std::string policyNote = on ? PolicyNote(SummarisePolicy(policyStatus_)) : std::string();
    if (policy_.blocking)
        policyNote = std::string(on ? "Blocking is on: " : "Blocking is off: ") + kSetByAdministrator + "." +
                     (policyNote.empty() ? "" : " " + policyNote);
    HWND note = ::GetDlgItem(Hwnd(), IDC_STATE_NOTE);
    if (userOnlyNote_.empty()) {
        char text[512] = "";
        ::GetWindowTextA(note, text, sizeof text);
        userOnlyNote_ = text;
    }
    if (applying_) {
        ::SetWindowTextA(note, kNoteApplying);
        ::ShowWindow(note, SW_SHOWNA);
        return;
    }
    ::SetWindowTextA(note, policyNote.empty() ? userOnlyNote_.c_str() : policyNote.c_str());
    ::ShowWindow(note, !policyNote.empty() || (on && machineWideRefused_) ? SW_SHOWNA : SW_HIDE);
}

void MainDialog::ShowTrayMenu() {
    RefreshStateDisplay();
    HMENU menu = trayIcon_.Menu();
    ::SetMenuDefaultItem(menu, IDC_SWITCH, FALSE);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(Hwnd());
    ::TrackPopupMenu(menu, 0, cursor.x, cursor.y, 0, Hwnd(), nullptr);
    // ...and without a message after it, the next click on the icon would be swallowed.
    ::PostMessageA(Hwnd(), WM_NULL, 0, 0);
}
