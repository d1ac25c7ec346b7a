#pragma once
// The main dialog: a modeless dialog that lives from start to end of the process, usually
// hidden, and owns the program's state.
#include "app/MessageLoop.h"
#include "settings/Settings.h"
#include "win/Dialog.h"

class MainDialog : public Dialog, public MessageFilter, public IdleHandler {
public:
    MainDialog();
    ~MainDialog() override;

    // Creates the dialog from its template; its initialisation runs inside this call.
    bool Create(HINSTANCE instance);
    ::Settings& Settings() noexcept { return settings_; }

    bool PreTranslateMessage(MSG& message) override;
    bool OnIdle(int idleCount) override;

    void ExitProgram(UINT commandId);

protected:
    bool HandleMessage(MessageArgs& args) override;

private:
    bool OnInitDialog(MessageArgs& args);
    void OnOk();
    void OnExit();

    static const MessageEntry<MainDialog> kMessageTable[];

    ::Settings settings_;
};
