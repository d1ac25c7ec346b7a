#pragma once
// The main dialog: a modeless dialog that lives from start to end of the process, usually
// hidden. It owns the settings, the block tree, the tray icon and the global hot key, and
// turns every user action into the one apply sequence.
#include "app/DialogToolTips.h"
#include "app/FirstApply.h"
#include "app/MessageLoop.h"
#include "app/TrayIcon.h"
#include "blocklist/BlockTree.h"
#include "blocklist/SelectionModel.h"
#include "engine/PolicyLayers.h"
#include "controls/HoverButton.h"
#include "settings/AdminPolicy.h"
#include "settings/Settings.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <optional>

class UpdateDialog;

class MainDialog : public Dialog, public MessageFilter {
public:
    MainDialog();
    ~MainDialog() override;

    // Creates the dialog, hidden, from its template; initialisation runs inside this call.
    bool Create(HINSTANCE instance);
    ::Settings& Settings() noexcept { return settings_; }

    bool PreTranslateMessage(MSG& message) override;
    // Start-up is over (the window shown or left hidden): commands from outside are taken
    // from now on rather than put back in the queue.
    void TakeCommands() noexcept { ready_ = true; }
    // True while the first apply of the session still runs behind the window.
    bool Applying() const noexcept { return applying_; }
    // Waits for the first apply if it still runs and takes its result: every command that
    // reads or writes the policy or the selection calls it first.
    void FinishFirstApply();

    void ApplyAll();
    void ToggleState();
    void ShowMainWindow();
    void ExitProgram(UINT commandId);
    void RefreshStateDisplay();

    const TrayIcon& Tray() const noexcept { return trayIcon_; }
    // The block list and selection the commands work on, and the tree that shows them.
    const SelectionModel& Selection() const noexcept { return selection_; }
    const BlockTree& Tree() const noexcept { return blockTree_; }
    bool MachineWideRefused() const noexcept { return machineWideRefused_; }
    // Hushbar's own policy as last read (start-up, and each "Policy" setting change).
    const AdminPolicy& Policy() const noexcept { return policy_; }
    // What is really in force for each target, as read after the last apply.
    std::vector<TargetStatus> PolicyStatus() const { return policyStatus_.Rows(selection_.Items()); }

protected:
    bool HandleMessage(MessageArgs& args) override;

private:
    static const MessageEntry<MainDialog> kMessageTable[];

    bool OnInitDialog(MessageArgs& args);
    bool OnHotKey(MessageArgs& args);
    bool OnShowWindow(MessageArgs& args);
    bool OnDpiChanged(MessageArgs& args);
    bool OnRefitText(MessageArgs& args);
    bool OnSettingChange(MessageArgs& args);
    bool OnFirstApplyDone(MessageArgs& args);
    void OnApplyAndHide();
    void OnHotkeyBox();
    void OnUpdate();
    void OnBlockFlash();
    void OnShowFlash();
    void OnEnableScript();
    void OnDisableScript();
    void OnPromptScript();
    void OnAbout();
    void OnDetails();
    void OnExit();
    // A modal box run from here: the child that had the focus before, and, after the box,
    // the dialog active again with the focus back there.
    HWND FocusedChild() const;
    void AfterModal(HWND focus);
    // Reads what is really in force now; the tree's items show it.
    void ReadPolicyStatus(const PolicyReport& report);
    // Points the tree at the status read last, for the nodes it has and those to come.
    void ShowTreeStates();

    // The parts of an apply before the policy (check boxes, hot key, the tree's edits) and
    // after it (Run entry, saving, the display, the browser's windows).
    void BeginApply();
    void EndApply();
    void StartFirstApply();
    void LoadSelection();
    // Reads Hushbar's policy again and brings the settings and the selection to it; false
    // when it has not changed.
    bool ReadPolicyAgain();
    // Disables what the policy sets, the tips saying why, and enables what it no longer sets.
    void ShowPolicyLocks();
    bool FlashForced() const;
    void TakeTreeEdits();
    void ShowSelectionChange();
    void ReadCheckBoxes();
    void WriteCheckBoxes();
    void RegisterHotKeyFromControl();
    void SetFlashChoice(bool blocked);
    void SetScriptingChoice(std::uint32_t choice);
    void ShowTrayMenu();
    // The state's icon at `size` pixels square.
    HICON LoadStateIcon(int size) const;
    int TrayIconSize() const;
    // Icons and pictures drawn for the dialog's DPI: window icons, state icon, tree images.
    void LoadArtworkForDpi(int dpi);
    void ShowDialogStateIcon(int dpi);
    const char* StateTip() const;
    bool IsShown() const;

    HINSTANCE instance_ = nullptr;
    DialogToolTips toolTips_;
    UniqueImageList treeImages_;
    SelectionModel selection_;
    BlockTree blockTree_;
    TrayIcon trayIcon_;
    HWND hotkeyControl_ = nullptr;
    HoverButton okButton_;
    HoverButton aboutButton_;
    HoverButton switchButton_;
    HoverButton updateButton_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    UniqueIcon dialogStateIcon_;  // the tray owns its own, at the tray's size
    std::optional<bool> stateIconsOff_;  // what the tray's and the dialog's state icons show; none yet
    UpdateDialog* runningUpdate_ = nullptr;
    // The last apply could block ActiveX controls for this user only.
    bool machineWideRefused_ = false;
    // False until start-up is over: a command from outside (another process, the tray, the
    // hot key) that arrives while start-up waits on another window is handled after it.
    bool ready_ = false;
    FirstApply firstApply_;
    bool applying_ = false;
    PolicyVerdicts policyStatus_;
    std::string userOnlyNote_;  // the note's text from the template
    std::string treeTip_;       // the tree's tip away from any item
    ::Settings settings_;
    AdminPolicy policy_;
};
