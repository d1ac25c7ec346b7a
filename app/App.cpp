#include "app/App.h"

#include "app/AppModule.h"
#include "app/MainDialog.h"
#include "app/MessageLoop.h"
#include "app/SingleInstanceGuard.h"
#include "res/resource.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>

int Run(int showCommand) {
    MessageLoop loop;
    AppModule& module = AppModule::Instance();
    module.AddMessageLoop(&loop);

    int status = 0;
    auto dialog = std::make_unique<MainDialog>();
    if (dialog->Create(module.ResourceInstance())) {
        if (!dialog->Settings().minimizeOnStart) ::ShowWindow(dialog->Hwnd(), showCommand);
        dialog->TakeCommands();
        status = loop.Run();
    }
    module.RemoveMessageLoop();
    dialog.reset();  // removes the tray icon
    return status;
}

int RunApplication(HINSTANCE instance, int showCommand) {
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS |
                                                       ICC_ANIMATE_CLASS};
    ::InitCommonControlsEx(&controls);
    AppModule& module = AppModule::Instance();
    module.Init(instance);

    int status;
    if (SingleInstanceGuard::IsAlreadyRunning(kInstanceBase, ScopeDesktop)) {
        ::MessageBoxA(nullptr, "Hushbar already running. \n\nIt resides in the system tray of your desktop.",
                      "Hushbar", MB_OK | MB_ICONINFORMATION);
        status = kExitAlreadyRunning;
    } else {
        status = Run(showCommand);
    }

    module.Term();
    ::CoUninitialize();
    return status;
}
