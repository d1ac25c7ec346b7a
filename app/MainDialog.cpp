#include "app/MainDialog.h"

#include "app/AppModule.h"
#include "res/resource.h"
#include "win/Centre.h"

const MessageEntry<MainDialog> MainDialog::kMessageTable[] = {
    OnMessage(WM_INITDIALOG, &MainDialog::OnInitDialog),
    OnCommand(IDOK, &MainDialog::OnOk),
    OnCommand(ID_APP_EXIT, &MainDialog::OnExit),
};

MainDialog::MainDialog() = default;
MainDialog::~MainDialog() = default;

bool MainDialog::Create(HINSTANCE instance) {
    return CreateModeless(instance, IDD_MAIN, nullptr) != nullptr;
}

bool MainDialog::HandleMessage(MessageArgs& args) {
    return DispatchMessageTable(*this, kMessageTable, args);
}

bool MainDialog::PreTranslateMessage(MSG& message) {
    return Hwnd() && ::IsDialogMessageA(Hwnd(), &message);
}

bool MainDialog::OnIdle(int) { return false; }

bool MainDialog::OnInitDialog(MessageArgs& args) {
    CentreWindow(Hwnd());
    if (MessageLoop* loop = AppModule::Instance().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    args.result = TRUE;
    return true;
}

void MainDialog::OnOk() { ::ShowWindow(Hwnd(), SW_HIDE); }

void MainDialog::OnExit() { ExitProgram(ID_APP_EXIT); }

void MainDialog::ExitProgram(UINT commandId) {
    ::DestroyWindow(Hwnd());
    ::PostQuitMessage(static_cast<int>(commandId));
}
