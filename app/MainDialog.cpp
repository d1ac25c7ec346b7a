#include "app/MainDialog.h"

#include "app/AboutDialog.h"
#include "app/AppModule.h"
#include "app/Commands.h"
#include "app/DetailsDialog.h"
#include "app/PolicyDisplay.h"
#include "blocklist/BlockListFile.h"
#include "engine/BlockingEngine.h"
#include "engine/BrowserNotifier.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "settings/StartupEntry.h"
#include "update/UpdateDialog.h"
#include "win/Centre.h"
#include "win/Dpi.h"
#include "win/ProgramDirectory.h"
#include "win/TextFit.h"
#include "win/ResourceString.h"

#include <commctrl.h>

#include <cstring>
#include <string>

namespace {

constexpr char kCaption[] = "Hushbar";
constexpr int kHotKeyId = 0;
static_assert(kTrayCallbackMessage < HUSHBAR_READY_QUERY, "the tray's callback stands before the dialog's own messages");

// Commands that come from a menu, an accelerator, another process, the tray or the hot key,
// rather than from one of the dialog's own controls.
bool ArrivesFromOutside(const MessageArgs& args) {
    return (args.message == WM_COMMAND && args.lParam == 0) || args.message == WM_HOTKEY ||
           args.message == kTrayCallbackMessage;
}

// The hot-key control reports HOTKEYF_*; RegisterHotKey wants MOD_*. The extended-key
// flag has no MOD_ counterpart and is dropped.
UINT HotKeyModifiersToRegister(WORD hotkeyFlags) {
    UINT modifiers = 0;
    if (hotkeyFlags & HOTKEYF_ALT) modifiers |= MOD_ALT;
    if (hotkeyFlags & HOTKEYF_CONTROL) modifiers |= MOD_CONTROL;
    if (hotkeyFlags & HOTKEYF_SHIFT) modifiers |= MOD_SHIFT;
    return modifiers;
}

// A stored flag outside 0..2 would be an undefined check state.
WPARAM CheckState(std::int32_t flag) { return (flag >= 0 && flag <= 2) ? static_cast<WPARAM>(flag) : 0; }

}  // namespace

const MessageEntry<MainDialog> MainDialog::kMessageTable[] = {
    OnMessage(WM_INITDIALOG, &MainDialog::OnInitDialog),
    OnMessage(WM_HOTKEY, &MainDialog::OnHotKey),
    OnCommand(IDOK, &MainDialog::OnApplyAndHide),
    OnCommand(IDC_ACTIVATE_HOTKEY, &MainDialog::OnHotkeyBox),
    OnCommand(IDC_SWITCH, &MainDialog::ToggleState),
    OnCommand(IDC_UPDATE, &MainDialog::OnUpdate),
    OnCommand(ID_SHOW_MAIN_WINDOW, &MainDialog::ShowMainWindow),
    OnCommand(ID_BLOCK_FLASH, &MainDialog::OnBlockFlash),
    OnCommand(ID_ENABLE_SCRIPT, &MainDialog::OnEnableScript),
    OnCommand(ID_DISABLE_SCRIPT, &MainDialog::OnDisableScript),
    OnCommand(ID_PROMPT_SCRIPT, &MainDialog::OnPromptScript),
    OnCommand(ID_SHOW_FLASH, &MainDialog::OnShowFlash),
    OnCommand(ID_APP_ABOUT, &MainDialog::OnAbout),
    OnCommand(IDC_DETAILS, &MainDialog::OnDetails),
    OnCommand(ID_APP_EXIT, &MainDialog::OnExit),
    OnEvent(kTrayCallbackMessage, kTrayIconId, WM_RBUTTONDOWN, &MainDialog::ShowTrayMenu),
    OnEvent(kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN, &MainDialog::ToggleState),
    OnEvent(kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK, &MainDialog::ShowMainWindow),
    OnMessage(WM_SHOWWINDOW, &MainDialog::OnShowWindow),
    OnMessage(kWmDpiChanged, &MainDialog::OnDpiChanged),
    OnMessage(WM_SETTINGCHANGE, &MainDialog::OnSettingChange),
    OnMessage(HUSHBAR_REFIT_TEXT, &MainDialog::OnRefitText),
    OnMessage(HUSHBAR_FIRST_APPLY_DONE, &MainDialog::OnFirstApplyDone),
};

MainDialog::MainDialog() = default;

MainDialog::~MainDialog() {
    // Normally Exit has destroyed the window already; a dialog torn down any other way must
    // not leave a window pointing at a dead object.
    if (Hwnd()) ::DestroyWindow(Hwnd());
    trayIcon_.Remove();
}

bool MainDialog::Create(HINSTANCE instance) {
    instance_ = instance;
    return CreateModeless(instance, IDD_MAIN, nullptr) != nullptr;
}

bool MainDialog::HandleMessage(MessageArgs& args) {
    // The tool tips see every message first and never consume one.
    toolTips_.OnMessage(Hwnd(), args);

    if (args.message == trayIcon_.TaskbarCreatedMessage() && args.message != 0) {
        trayIcon_.Readd();
        return false;
    }
    if (args.message == HUSHBAR_READY_QUERY) {
        // Ready means the stored policy is in force, as after any command.
        args.result = ready_ && !applying_ ? 1 : 0;
        return true;
    }
    if (!ready_ && ArrivesFromOutside(args)) {
        // Start-up's own sends (the tray, the browser's windows) let other threads' messages in
        // before the first apply is over; a switch or an Exit now would interleave with it.
        ::PostMessageA(Hwnd(), args.message, args.wParam, args.lParam);
        args.result = 0;
        return true;
    }
    return DispatchMessageTable(*this, kMessageTable, args);
}

bool MainDialog::PreTranslateMessage(MSG& message) {
    // Alt plus a letter typed into the hot-key control is the key being chosen: the dialog
    // manager must not also take the letter as the mnemonic of a control.
    if (message.message == WM_SYSCHAR && message.hwnd == hotkeyControl_ && hotkeyControl_) return true;
    return Hwnd() && ::IsDialogMessageA(Hwnd(), &message);
}


bool MainDialog::IsShown() const { return ::IsWindowVisible(Hwnd()) != FALSE; }

bool MainDialog::OnInitDialog(MessageArgs& args) {
    HWND hwnd = Hwnd();
    FitDialogToText(hwnd);  // the font this system gives may need more room than the template
    CentreWindow(hwnd);

    okButton_.Attach(::GetDlgItem(hwnd, IDOK));
    aboutButton_.Attach(::GetDlgItem(hwnd, ID_APP_ABOUT));
    switchButton_.Attach(::GetDlgItem(hwnd, IDC_SWITCH));
    updateButton_.Attach(::GetDlgItem(hwnd, IDC_UPDATE));

    // A key typed alone or with Shift alone becomes Ctrl plus that key.
    hotkeyControl_ = ::GetDlgItem(hwnd, IDC_HOTKEY);
    ::SendMessageA(hotkeyControl_, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL, 0));

    blockTree_.Attach(::GetDlgItem(hwnd, IDC_BLOCK_TREE), nullptr);
    // The tree's tip names the state of the item under the mouse, and says what checking
    // does elsewhere.
    treeTip_ = LoadResourceString(IDC_BLOCK_TREE);
    blockTree_.FollowHoverWith([this](const std::string& tip) {
        toolTips_.SetTipText(Hwnd(), IDC_BLOCK_TREE, tip.empty() ? treeTip_.c_str() : tip.c_str());
    });
    toolTips_.Activate();
    policy_ = ReadAdminPolicy();
    // The tree is filled when the dialog first shows; started minimised it never is.
    LoadSelection();
    LoadArtworkForDpi(WindowDpi(hwnd));  // the state icon among it, for the state just read

    ::SendMessageA(hotkeyControl_, HKM_SETHOTKEY, MAKEWORD(settings_.hotkeyVirtualKey, settings_.hotkeyModifiers), 0);
    WriteCheckBoxes();

    UniqueMenu bar(::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_TRAY_MENU)));
    HMENU trayMenu = bar ? ::GetSubMenu(bar.Get(), 0) : nullptr;
    // The tray keeps only the sub-menu; detach it so the bar can go.
    if (bar) ::RemoveMenu(bar.Get(), 0, MF_BYPOSITION);
    std::string balloon = settings_.minimizeOnStart ? std::string() : LoadResourceString(IDS_TRAY_BALLOON);
    trayIcon_.Add(hwnd, kTrayIconId, LoadStateIcon(TrayIconSize()), trayMenu, StateTip(), balloon.c_str(), kCaption, NIIF_INFO);
    stateIconsOff_ = settings_.switchedOff != 0;

    StartFirstApply();

    if (MessageLoop* loop = AppModule::Instance().GetMessageLoop()) loop->AddMessageFilter(this);
    args.result = TRUE;
    return true;
}

void MainDialog::LoadSelection() {
    FinishFirstApply();
    // Only another list needs another tree: the old nodes name entries of the list just
    // replaced. The same list keeps its tree, brought to the stored selection.
    if (LoadStoredState(settings_, selection_, policy_)) blockTree_.Clear();
    blockTree_.Refresh(selection_);
}

void MainDialog::TakeTreeEdits() { blockTree_.ReadInto(selection_); }

void MainDialog::ShowSelectionChange() { blockTree_.Refresh(selection_); }

bool MainDialog::OnShowWindow(MessageArgs& args) {
    if (args.wParam && !blockTree_.Shows(selection_)) blockTree_.Show(selection_);
    return false;
}

void MainDialog::ReadCheckBoxes() {
    HWND hwnd = Hwnd();
    settings_.minimizeOnStart = static_cast<std::int32_t>(::IsDlgButtonChecked(hwnd, IDC_MINIMIZE_ON_START));
    settings_.startWithWindows = static_cast<std::int32_t>(::IsDlgButtonChecked(hwnd, IDC_START_WITH_WINDOWS));
    settings_.activateHotkey = static_cast<std::int32_t>(::IsDlgButtonChecked(hwnd, IDC_ACTIVATE_HOTKEY));
    ApplyAdminPolicy(policy_, settings_);
}

void MainDialog::WriteCheckBoxes() {
    HWND hwnd = Hwnd();
    ::SendDlgItemMessageA(hwnd, IDC_MINIMIZE_ON_START, BM_SETCHECK, CheckState(settings_.minimizeOnStart), 0);
    ::SendDlgItemMessageA(hwnd, IDC_START_WITH_WINDOWS, BM_SETCHECK, CheckState(settings_.startWithWindows), 0);
    ::SendDlgItemMessageA(hwnd, IDC_ACTIVATE_HOTKEY, BM_SETCHECK, CheckState(settings_.activateHotkey), 0);
}

void MainDialog::RegisterHotKeyFromControl() {
    LRESULT hotkey = ::SendMessageA(hotkeyControl_, HKM_GETHOTKEY, 0, 0);
    settings_.hotkeyVirtualKey = LOBYTE(LOWORD(hotkey));
    settings_.hotkeyModifiers = HIBYTE(LOWORD(hotkey));
    if (::RegisterHotKey(Hwnd(), kHotKeyId, HotKeyModifiersToRegister(settings_.hotkeyModifiers),
                         settings_.hotkeyVirtualKey)) {
        ::EnableWindow(hotkeyControl_, TRUE);
        return;
    }
    ::MessageBoxA(Hwnd(), LoadResourceString(IDS_HOTKEY_BUSY).c_str(), kCaption, MB_OK | MB_ICONERROR);
    ::EnableWindow(hotkeyControl_, FALSE);
    settings_.activateHotkey = 0;
}

void MainDialog::BeginApply() {
    ReadCheckBoxes();
    ::UnregisterHotKey(Hwnd(), kHotKeyId);
    if (settings_.activateHotkey)
        RegisterHotKeyFromControl();
    else
        ::EnableWindow(hotkeyControl_, FALSE);
    TakeTreeEdits();
}

void MainDialog::ApplyAll() {
    FinishFirstApply();
    BeginApply();
    const PolicyReport report =
        EnforcePolicy(settings_, selection_, settings_.switchedOff ? PolicyMode::Withdrawn : PolicyMode::Blocking);
    machineWideRefused_ = report.machineWideRefused;
    ReadPolicyStatus(report);
    EndApply();
    WriteCheckBoxes();
}

void MainDialog::StartFirstApply() {
    BeginApply();
    WriteCheckBoxes();  // a hot key held elsewhere has just cleared its box
    applying_ = firstApply_.Start(settings_, selection_, Hwnd(), HUSHBAR_FIRST_APPLY_DONE);
    if (applying_)
        RefreshStateDisplay();
    else
        ApplyAll();
}

void MainDialog::FinishFirstApply() {
    if (!applying_) return;
    applying_ = false;
    FirstApply::Result result;
    if (!firstApply_.Finish(result)) return;
    // The apply records the choices it found in the selection; nothing else of the settings
    // is its own (the check boxes may have moved meanwhile).
    settings_.scriptingChoice = result.settings.scriptingChoice;
    settings_.flashBlocked = result.settings.flashBlocked;
    machineWideRefused_ = result.report.machineWideRefused;
    policyStatus_ = std::move(result.status);
    ShowTreeStates();
    // The check boxes stay as the user may have set them meanwhile, for the next OK.
    EndApply();
}

bool MainDialog::OnFirstApplyDone(MessageArgs& args) {
    FinishFirstApply();
    args.result = 0;
    return true;
}

void MainDialog::EndApply() {
    if (settings_.startWithWindows)
        SetStartupEntry(kStartupValueName);
    else
        RemoveStartupEntry(kStartupValueName);
    SaveSettings(settings_, selection_, &policy_);
    RefreshStateDisplay();
    NotifyBrowserWindows();
}

void MainDialog::ShowTreeStates() {
    // Read from the status as each node asks: the status outlives the tree's use of it, and
    // is shown again whenever it is read afresh.
    blockTree_.ShowStates(TreeItemCount(policyStatus_),
                          [this](std::size_t index) { return TreeItemState(policyStatus_, index); });
}

void MainDialog::ReadPolicyStatus(const PolicyReport& report) {
    policyStatus_ = ReadPolicyVerdicts(settings_, selection_, !settings_.switchedOff, report);
    ShowTreeStates();
}

void MainDialog::ToggleState() {
    FinishFirstApply();
    // The Switch button and the tray's item are disabled; the tray's click and the hot key
    // still arrive, and change nothing: the tip says why.
    if (policy_.blocking) return;
    // Hidden, the list and the stored selection are read afresh, and no tree is built.
    if (!IsShown()) LoadSelection();
    settings_.switchedOff = !settings_.switchedOff;
    ApplyAll();
    NotifyBrowserWindows();
}

void MainDialog::OnApplyAndHide() {
    ReadCheckBoxes();
    ::ShowWindow(Hwnd(), SW_HIDE);
    // The tree stays as it is, hidden: showing it again costs nothing.
    ApplyAll();
}

void MainDialog::OnHotkeyBox() {
    ReadCheckBoxes();
    if (settings_.activateHotkey) {
        ::EnableWindow(hotkeyControl_, TRUE);
        ::SetFocus(hotkeyControl_);
    } else {
        ::EnableWindow(hotkeyControl_, FALSE);
    }
}

void MainDialog::ShowMainWindow() {
    if (IsShown()) return;
    LoadSelection();
    ::ShowWindow(Hwnd(), SW_SHOW);  // which fills the tree
    ::SetForegroundWindow(Hwnd());
}

void MainDialog::OnUpdate() {
    if (!policy_.UpdateAllowed()) return;
    UpdateDialog update;
    if (!policy_.updateUrl.empty()) update.SetUpdateBaseUrl(policy_.updateUrl);
    runningUpdate_ = &update;
    INT_PTR result = update.Run(::GetActiveWindow());
    runningUpdate_ = nullptr;
    if (result != 0 || !Hwnd()) return;
    FinishFirstApply();
    // The old list is still loaded, so kill bits of controls the new list drops go too.
    TakeTreeEdits();
    WithdrawPolicy(settings_, selection_);
    SaveSettings(settings_, selection_, &policy_);
    LoadSelection();
    if (IsShown()) blockTree_.Show(selection_);
    // The new list is put in force at once: the window says ON, so it must be.
    ApplyAll();
}

void MainDialog::ExitProgram(UINT commandId) {
    // An update still running is cancelled; its dialog waits for the worker as it goes.
    if (runningUpdate_) runningUpdate_->Cancel();
    ::UnregisterHotKey(Hwnd(), kHotKeyId);
    // What the first apply wrote is known only once it is over.
    FinishFirstApply();
    // While hidden the list is read afresh for the withdraw, as for a switch.
    if (IsShown())
        TakeTreeEdits();
    else
        LoadSelection();
    WithdrawPolicy(settings_, selection_);
    ::DestroyWindow(Hwnd());
    ::PostQuitMessage(static_cast<int>(commandId));
}

void MainDialog::OnExit() { ExitProgram(ID_APP_EXIT); }

void MainDialog::OnAbout() {
    HWND focus = FocusedChild();
    AboutDialog about;
    about.Run(::GetActiveWindow());
    AfterModal(focus);
}

void MainDialog::OnDetails() {
    FinishFirstApply();
    // What is true now: someone may have changed a policy since the last apply.
    ReadPolicyStatus(PolicyReport{machineWideRefused_, std::nullopt});
    RefreshStateDisplay();
    HWND focus = FocusedChild();
    DetailsDialog details(PolicyStatus());
    details.Run(::GetActiveWindow());
    AfterModal(focus);
}

HWND MainDialog::FocusedChild() const {
    HWND focus = ::GetFocus();
    return focus && ::IsChild(Hwnd(), focus) ? focus : nullptr;
}

void MainDialog::AfterModal(HWND focus) {
    if (!Hwnd()) return;
    // The box hides itself before it ends, while this dialog is still disabled as its
    // owner: the system then finds no window to activate, and keys would go nowhere.
    // Hidden, it still takes the keys, as it does after a tray command.
    ::SetActiveWindow(Hwnd());
    if (IsShown() && focus && ::IsWindow(focus) && ::IsWindowEnabled(focus) && ::IsWindowVisible(focus))
        ::SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

bool MainDialog::OnHotKey(MessageArgs&) {
    ToggleState();
    return true;
}

void MainDialog::SetFlashChoice(bool blocked) {
    FinishFirstApply();
    if (FlashForced()) return;
    settings_.flashBlocked = blocked ? 1 : 0;
    TakeTreeEdits();
    const bool refused = ApplyFlashChoice(settings_, selection_).machineWideRefused;
    ShowSelectionChange();
    if (refused) machineWideRefused_ = true;
    ReadPolicyStatus(PolicyReport{machineWideRefused_, std::nullopt});
    RefreshStateDisplay();
}

void MainDialog::SetScriptingChoice(std::uint32_t choice) {
    FinishFirstApply();
    if (selection_.ScriptingForced()) return;
    settings_.scriptingChoice = choice;
    TakeTreeEdits();
    ApplyScriptingChoice(settings_, selection_);
    ShowSelectionChange();
    ReadPolicyStatus(PolicyReport{machineWideRefused_, std::nullopt});
    RefreshStateDisplay();
}

void MainDialog::OnBlockFlash() { SetFlashChoice(true); }
void MainDialog::OnShowFlash() { SetFlashChoice(false); }
void MainDialog::OnEnableScript() { SetScriptingChoice(ScriptingEnable); }
void MainDialog::OnDisableScript() { SetScriptingChoice(ScriptingDisable); }
void MainDialog::OnPromptScript() { SetScriptingChoice(ScriptingPrompt); }

void MainDialog::LoadArtworkForDpi(int dpi) {
    HWND hwnd = Hwnd();
    UniqueIcon big(static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_HUSHBAR), IMAGE_ICON,
                                                   SystemMetricAt(SM_CXICON, dpi), SystemMetricAt(SM_CYICON, dpi), 0)));
    UniqueIcon small(static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_HUSHBAR), IMAGE_ICON,
                                                     SystemMetricAt(SM_CXSMICON, dpi),
                                                     SystemMetricAt(SM_CYSMICON, dpi), 0)));
    ::SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
    ::SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
    bigIcon_ = std::move(big);  // the old ones go only once the window has let go of them
    smallIcon_ = std::move(small);

    UniqueImageList images = LoadBlockTreeImages(instance_, dpi);
    blockTree_.SetImages(images.Get());
    treeImages_ = std::move(images);

    ShowDialogStateIcon(dpi);
}

bool MainDialog::OnDpiChanged(MessageArgs& args) {
    // Moved to a monitor of another DPI: take the size the system suggests, then redraw
    // what is drawn here at the new DPI. The message goes on to the dialog manager, which
    // scales the template's controls and font.
    if (const auto* suggested = reinterpret_cast<const RECT*>(args.lParam))
        ::SetWindowPos(Hwnd(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LoadArtworkForDpi(HIWORD(args.wParam));
    // The dialog manager lays the controls out again from the template after this handler,
    // which undoes what was widened for the text: fit them once that is done.
    ::PostMessageA(Hwnd(), HUSHBAR_REFIT_TEXT, 0, 0);
    return false;
}

bool MainDialog::OnRefitText(MessageArgs& args) {
    FitDialogToText(Hwnd());
    args.result = 0;
    return true;
}

bool MainDialog::OnSettingChange(MessageArgs& args) {
    // Group Policy announces a refresh with "Policy": what it decides may have changed.
    const auto* area = reinterpret_cast<const char*>(args.lParam);
    if (area && std::strcmp(area, "Policy") == 0) {
        FinishFirstApply();
        // Hushbar's own policy first: what it now sets is put in force at once.
        if (ReadPolicyAgain()) {
            ApplyAll();
            return false;
        }
        ReadPolicyStatus(PolicyReport{machineWideRefused_, std::nullopt});
        RefreshStateDisplay();
    }
    return false;
}
