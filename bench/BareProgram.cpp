// The baseline for start-up and memory: the main dialog's template and a tray icon, with
// none of Hushbar's work. Ends on WM_CLOSE.
#include "res/resource.h"
#include "win/Win32.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

NOTIFYICONDATAA g_icon{};

INT_PTR CALLBACK BareProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_CLOSE:
        ::Shell_NotifyIconA(NIM_DELETE, &g_icon);
        ::DestroyWindow(hwnd);
        ::PostQuitMessage(0);
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS |
                                                       ICC_ANIMATE_CLASS | ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    HWND dialog = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, BareProc, 0);
    if (!dialog) return 1;
    g_icon.cbSize = sizeof g_icon;
    g_icon.hWnd = dialog;
    g_icon.uID = 1;
    g_icon.uFlags = NIF_ICON | NIF_TIP;
    g_icon.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_HUSHBAR));
    ::lstrcpynA(g_icon.szTip, "bare", sizeof g_icon.szTip);
    ::Shell_NotifyIconA(NIM_ADD, &g_icon);
    ::ShowWindow(dialog, showCommand);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(dialog, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    ::CoUninitialize();
    return 0;
}
