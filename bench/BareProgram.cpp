// The baseline for start-up and memory: the main dialog's template and a tray icon, with
// none of Hushbar's work. Ends on WM_CLOSE. With /thread it first starts one thread that
// does nothing and waits for its end: Hushbar's first apply runs on a thread of its own, and
// a process's first thread besides the main one has a memory cost of its own under Wine.
#include "res/resource.h"
#include "win/Win32.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>

namespace {

NOTIFYICONDATAA g_icon{};

DWORD WINAPI Nothing(void*) { return 0; }

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int showCommand) {
    if (arguments && std::strstr(arguments, "/thread")) {
        HANDLE thread = ::CreateThread(nullptr, 256 * 1024, Nothing, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread) {
            ::WaitForSingleObject(thread, INFINITE);
            ::CloseHandle(thread);
        }
    }
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
