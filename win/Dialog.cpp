#include "win/Dialog.h"

#include "win/Reflect.h"

HWND Dialog::CreateModeless(HINSTANCE instance, int templateId, HWND parent) {
    return ::CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), parent, &Dialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::RunModal(HINSTANCE instance, int templateId, HWND owner) {
    return ::DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, &Dialog::DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

namespace {

// These messages return their answer straight from the dialog procedure instead of
// through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

}  // namespace

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;

    MessageArgs args{message, wParam, lParam};
    bool handled = self->HandleMessage(args);
    if (!handled) {
        // Menu commands and draw requests for no child fall through to the default.
        handled = message != WM_COMMAND || lParam != 0
                      ? ReflectNotification(hwnd, message, wParam, lParam, args.result)
                      : false;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        return FALSE;
    }
    if (!handled) return FALSE;
    if (ReturnsDirectly(message)) return static_cast<INT_PTR>(args.result);
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, args.result);
    return TRUE;
}
