#include "win/ToolTipRelay.h"

#include <commctrl.h>

namespace {
constexpr UINT kLastMouseMessage = 0x209;  // WM_MBUTTONDBLCLK: the span the tips care about
}  // namespace

void RelayToToolTip(HWND toolTip, HWND window, const MessageArgs& args) {
    if (!toolTip || args.message < WM_MOUSEFIRST || args.message > kLastMouseMessage) return;
    MSG message{window, args.message, args.wParam, args.lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    const DWORD position = ::GetMessagePos();
    message.pt = POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ::SendMessageA(toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}
