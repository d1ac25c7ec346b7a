#include "engine/BrowserNotifier.h"

#include <cstring>

namespace {

// Long enough for a browser that is merely busy, short enough that the user never notices.
constexpr UINT kSendTimeoutMs = 200;

// The messages are posted so that a browser that does not answer cannot stall us. Some
// systems refuse to post WM_WININICHANGE because it may carry a pointer; the browser must
// still hear of the change, so it is then sent, with a short time-out that gives up at once
// on a hung window.
void PostOrSendBounded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (::PostMessageA(hwnd, message, wParam, lParam)) return;
    if (::GetLastError() != ERROR_MESSAGE_SYNC_ONLY) return;
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_NORMAL, kSendTimeoutMs, &ignored);
}

BOOL CALLBACK NotifyOne(HWND hwnd, LPARAM appValue) {
    char className[254];
    if (::GetClassNameA(hwnd, className, sizeof className) > 0 && std::strcmp(className, kBrowserHiddenClass) == 0) {
        PostOrSendBounded(hwnd, kBrowserSettingsMessage, 0, 0);
        PostOrSendBounded(hwnd, WM_WININICHANGE, kBrowserIniSection, appValue);
    }
    return TRUE;
}

}  // namespace

// The wait cursor is set once around the whole walk, not twice for every top-level window.
void NotifyBrowserWindows() {
    HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    ::EnumWindows(NotifyOne, 0);
    ::SetCursor(previous);
}
