#include "app/DialogToolTips.h"

#include "res/resource.h"
#include "win/ToolTipRelay.h"

#include <commctrl.h>

namespace {

// A 16-bit template stores "no identifier" as 0xFFFF rather than -1.
bool HasIdentifier(int id) { return id != -1 && id != 0xFFFF; }

TTTOOLINFOA ToolFor(HWND owner, HWND tool) {
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.uFlags = DialogToolTips::kToolFlags;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    return info;
}

}  // namespace

DialogToolTips::DialogToolTips(HINSTANCE resources)
    : resources_(resources ? resources : ::GetModuleHandleA(nullptr)) {}

void DialogToolTips::OnMessage(HWND dialog, const MessageArgs& args) {
    if (args.message == WM_INITDIALOG) {
        Create(dialog);
    } else if (args.message == WM_DESTROY) {
        window_ = nullptr;
    } else {
        RelayToToolTip(window_, dialog, args);
    }
}

void DialogToolTips::Create(HWND dialog) {
    if (window_) return;
    window_ = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, resources_, nullptr);
    if (!window_) return;
    AddTool(dialog, dialog, IDD_MAIN);  // no such string: the dialog itself shows no tip
    ::EnumChildWindows(dialog, &DialogToolTips::AddChildTool, reinterpret_cast<LPARAM>(this));
    Activate();
}

BOOL CALLBACK DialogToolTips::AddChildTool(HWND child, LPARAM self) {
    const int id = ::GetDlgCtrlID(child);
    if (HasIdentifier(id)) reinterpret_cast<DialogToolTips*>(self)->AddTool(::GetParent(child), child, id);
    return TRUE;
}

void DialogToolTips::AddTool(HWND owner, HWND tool, int textId) {
    TTTOOLINFOA info = ToolFor(owner, tool);
    info.hinst = resources_;
    info.lpszText = MAKEINTRESOURCEA(textId);
    ::SendMessageA(window_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void DialogToolTips::SetTipText(HWND dialog, int controlId, const char* text) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (!window_ || !control) return;
    TTTOOLINFOA info = ToolFor(::GetParent(control), control);
    info.hinst = resources_;
    info.lpszText = const_cast<char*>(text ? text : "");
    ::SendMessageA(window_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void DialogToolTips::SetDisabledTip(HWND dialog, int controlId, const char* text) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (!window_ || !control) return;
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = dialog;
    info.uId = static_cast<UINT_PTR>(controlId);  // no window handle is this small
    ::SendMessageA(window_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    if (!text) return;
    ::GetWindowRect(control, &info.rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&info.rect), 2);
    info.hinst = resources_;
    info.lpszText = const_cast<char*>(text);
    ::SendMessageA(window_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void DialogToolTips::Activate() {
    if (window_) ::SendMessageA(window_, TTM_ACTIVATE, TRUE, 0);
}
