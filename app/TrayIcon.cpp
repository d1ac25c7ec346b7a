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
    if (data_.hIcon && data_.hIcon != icon) ::DestroyIcon(data_.hIcon);
    data_.hIcon = icon;
    CopyText(data_.szTip, tip);
    CopyText(data_.szInfo, balloonText);
    CopyText(data_.szInfoTitle, balloonTitle);
    data_.dwInfoFlags = balloonIconFlag;
    data_.uTimeout = 3;
    if (menu_ && menu_ != menu) ::DestroyMenu(menu_);
    menu_ = menu;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    ::Shell_NotifyIconA(NIM_ADD, &data_);
}

void TrayIcon::SetTip(const char* tip) {
    data_.uFlags = NIF_TIP;
    CopyText(data_.szTip, tip);
    ::Shell_NotifyIconA(NIM_MODIFY, &data_);
}

void TrayIcon::SetIcon(HICON icon) {
    if (data_.hIcon && data_.hIcon != icon) ::DestroyIcon(data_.hIcon);
    data_.hIcon = icon;
    data_.uFlags = NIF_ICON | NIF_TIP;
    ::Shell_NotifyIconA(NIM_MODIFY, &data_);
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
    if (data_.hIcon) {
        ::DestroyIcon(data_.hIcon);
        data_.hIcon = nullptr;
    }
    if (menu_) {
        ::DestroyMenu(menu_);
        menu_ = nullptr;
    }
}
