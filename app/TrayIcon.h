#pragma once
// The program's icon in the notification area: the shell's version-2 record (understood by
// every shell since Windows 2000), the state icon and the tray menu it owns.
#include "win/UniqueHandle.h"
#include "win/Win32.h"
#include <shellapi.h>

constexpr UINT kTrayCallbackMessage = WM_APP + 423;  // 0x81A7
constexpr UINT kTrayIconId = 1;

class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Takes ownership of icon and menu. Texts are cut to their fields; null counts as empty.
    void Add(HWND window, UINT id, HICON icon, HMENU menu, const char* tip, const char* balloonText,
             const char* balloonTitle, DWORD balloonIconFlag);
    // Shows `tip` and, unless null, `icon` (which the tray icon then owns, destroying the one
    // it held) in one message to the shell; none when the tip is the same and no icon given.
    void Show(const char* tip, HICON icon = nullptr);
    // After the taskbar was re-created: adds the icon again as it stood.
    void Readd();
    void Remove();

    UINT TaskbarCreatedMessage() const noexcept { return taskbarCreated_; }
    HMENU Menu() const noexcept { return menu_.Get(); }
    HICON Icon() const noexcept { return icon_.Get(); }
    const char* Tip() const noexcept { return data_.szTip; }

private:
    NOTIFYICONDATAA data_;  // its hIcon is the icon below, lent to the shell
    UniqueIcon icon_;
    UniqueMenu menu_;
    UINT taskbarCreated_ = 0;
};
