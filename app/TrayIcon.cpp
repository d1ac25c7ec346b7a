#include "app/TrayIcon.h"

#include <cstddef>
#include <cstring>

namespace {

// NOTIFYICONDATAA up to dwInfoFlags: the version-2 layout every shell since Windows 2000
// accepts. That is 488 bytes in a 32-bit build; the pointer-sized fields make it 504 here.
constexpr DWORD kRecordSizeV2 = offsetof(NOTIFYICONDATAA, guidItem);
static_assert(sizeof(void*) != 4 || kRecordSizeV2 == 488, "version-2 record layout");

template <size_t N>
void CopyText(char (&field)[N], const char* text) {
    std::strncpy(field, text ? text : "", N - 1);
    field[N - 1] = '\0';
}

}  // namespace

TrayIcon::TrayIcon() : data_{} {
    data_.cbSize = kRecordSizeV2;
    data_.uID = kTrayIconId;
    data_.uCallbackMessage = kTrayCallbackMessage;
    taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");
}

void TrayIcon::Add(HWND window, UINT id, HICON icon, HMENU menu, const char* tip, const char* balloonText,
                   const char* balloonTitle, DWORD balloonIconFlag) {
    data_.hWnd = window;
    data_.uID = id;
    icon_.Reset(icon);
    data_.hIcon = icon;
    CopyText(data_.szTip, tip);
    CopyText(data_.szInfo, balloonText);
    CopyText(data_.szInfoTitle, balloonTitle);
    data_.dwInfoFlags = balloonIconFlag;
    data_.uTimeout = 3;
    menu_.Reset(menu);
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    ::Shell_NotifyIconA(NIM_ADD, &data_);
}

void TrayIcon::Show(const char* tip, HICON icon) {
    char wanted[sizeof data_.szTip];
    CopyText(wanted, tip);
    const bool newTip = std::strcmp(wanted, data_.szTip) != 0;
    // Each call is a round trip to the shell's process: none when nothing changes.
    if (!newTip && !icon) return;
    data_.uFlags = NIF_TIP;
    std::memcpy(data_.szTip, wanted, sizeof wanted);
    if (icon) {
        data_.uFlags |= NIF_ICON;
        data_.hIcon = icon;
    }
    ::Shell_NotifyIconA(NIM_MODIFY, &data_);
    if (icon) icon_.Reset(icon);  // the shell has its own copy of the new one by now
}

void TrayIcon::Readd() {
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    ::Shell_NotifyIconA(NIM_ADD, &data_);
}

void TrayIcon::Remove() {
    if (data_.hWnd) {
        ::Shell_NotifyIconA(NIM_DELETE, &data_);
        data_.hWnd = nullptr;
    }
    data_.hIcon = nullptr;
    icon_.Reset();
    menu_.Reset();
}
