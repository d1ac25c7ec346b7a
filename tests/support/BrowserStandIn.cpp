#include "tests/support/BrowserStandIn.h"

namespace {
constexpr UINT kFlushMessage = WM_APP + 0x55;
constexpr UINT kStallMessage = WM_APP + 0x56;
constexpr UINT kSettingsMessage = 0x0552;
constexpr WPARAM kIniSection = 0x1F;
}  // namespace

BrowserStandIn::BrowserStandIn(const char* className)
    : className_(className),
      ready_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      flushed_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      stalled_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      released_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_.Reset(::CreateThread(nullptr, 0, &BrowserStandIn::ThreadMain, this, 0, nullptr));
    if (thread_) {
        HANDLE waits[] = {ready_.Get(), thread_.Get()};
        ::WaitForMultipleObjects(2, waits, FALSE, 10000);
    }
}

BrowserStandIn::~BrowserStandIn() {
    Release();
    if (hwnd_) ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    if (thread_) ::WaitForSingleObject(thread_.Get(), 10000);
    // Fails harmlessly while another stand-in of the same class is still alive.
    ::UnregisterClassA(className_.c_str(), ::GetModuleHandleA(nullptr));
}

void BrowserStandIn::Reset() noexcept {
    count0552_ = 0;
    countIniChange_ = 0;
}

bool BrowserStandIn::Flush(DWORD timeoutMs) {
    if (!hwnd_ || !::PostMessageA(hwnd_, kFlushMessage, 0, 0)) return false;
    return ::WaitForSingleObject(flushed_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool BrowserStandIn::WaitFor(long at0552, long atIniChange, DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    while (count0552_ < at0552 || countIniChange_ < atIniChange) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(10);
    }
    return true;
}

bool BrowserStandIn::Stall(DWORD maxMs) {
    ::ResetEvent(released_.Get());
    if (!hwnd_ || !::PostMessageA(hwnd_, kStallMessage, maxMs, 0)) return false;
    return ::WaitForSingleObject(stalled_.Get(), 5000) == WAIT_OBJECT_0;
}

void BrowserStandIn::Release() noexcept { ::SetEvent(released_.Get()); }

DWORD WINAPI BrowserStandIn::ThreadMain(void* self) {
    static_cast<BrowserStandIn*>(self)->Run();
    return 0;
}

void BrowserStandIn::Run() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &BrowserStandIn::WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = className_.c_str();
    // Several stand-ins of one class may live at once; the class is shared.
    if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        ::SetEvent(ready_.Get());
        return;
    }
    // Top-level and hidden, like the browser's own: a message-only window would not be
    // among the windows the program enumerates.
    HWND hwnd = ::CreateWindowExA(0, className_.c_str(), "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, instance,
                                  this);
    char actual[256] = "";
    if (hwnd && ::GetClassNameA(hwnd, actual, sizeof actual)) className_ = actual;
    hwnd_ = hwnd;
    ::SetEvent(ready_.Get());
    if (!hwnd) return;

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void BrowserStandIn::Count(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == kSettingsMessage && wParam == 0 && lParam == 0) ++count0552_;
    if (message == WM_WININICHANGE && wParam == kIniSection && lParam == 0) ++countIniChange_;
}

LRESULT CALLBACK BrowserStandIn::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<BrowserStandIn*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        self->Count(message, wParam, lParam);
        if (message == kFlushMessage) {
            ::SetEvent(self->flushed_.Get());
            return 0;
        }
        if (message == kStallMessage) {
            ::SetEvent(self->stalled_.Get());
            ::WaitForSingleObject(self->released_.Get(), static_cast<DWORD>(wParam));
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        ::PostQuitMessage(0);
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}
