// The drawn parts at 96 and at 144 DPI (150 %). A process takes its DPI from the prefix's
// LogPixels setting when it starts, so the test sets it, runs this same program again with
// only the checks of the child enabled, and puts the setting back.
#include "app/AboutDialog.h"
#include "app/DetailsDialog.h"
#include "app/HyperLink.h"
#include "app/MainDialogFixture.h"
#include "res/ProductInfo.h"
#include "blocklist/BlockTree.h"
#include "res/resource.h"
#include "win/Dpi.h"
#include "win/GdiScope.h"
#include "win/TextFit.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kChildVariable[] = "HUSHBAR_DPI_CHILD";
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

// The DPI the child was started for; 0 in the parent.
int ChildDpi() {
    const char* value = std::getenv(kChildVariable);
    return value ? std::atoi(value) : 0;
}

// Sets the prefix's DPI for processes started from now on; puts back what was there.
class LogPixelsSetting {
public:
    explicit LogPixelsSetting(DWORD dpi) {
        DWORD size = sizeof previous_;
        had_ = ::RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &previous_,
                              &size) == ERROR_SUCCESS;
        ::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    }
    ~LogPixelsSetting() {
        if (had_)
            ::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &previous_, sizeof previous_);
        else
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    }
    LogPixelsSetting(const LogPixelsSetting&) = delete;
    LogPixelsSetting& operator=(const LogPixelsSetting&) = delete;

private:
    DWORD previous_ = 0;
    bool had_ = false;
};

// Runs the child checks in a new process of this program; its report goes to our output.
DWORD RunChild(int dpi) {
    char self[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --gtest_filter=DpiChild.* --gtest_color=no";
    ::SetEnvironmentVariableA(kChildVariable, std::to_string(dpi).c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                          &startup, &process);
    ::SetEnvironmentVariableA(kChildVariable, nullptr);
    if (!started) return ~0u;
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

TEST(HighDpi, TheDialogsAndTheirPicturesFollowTheDpiTheProcessStartsWith) {
    if (ChildDpi()) GTEST_SKIP() << "the child's own checks run instead";
    EXPECT_EQ(0u, RunChild(96));
    for (DWORD dpi : {120u, 144u, 192u}) {
        LogPixelsSetting scaled(dpi);
        EXPECT_EQ(0u, RunChild(static_cast<int>(dpi))) << dpi << " DPI";
    }
    DWORD after = 0;
    DWORD size = sizeof after;
    const LSTATUS read =
        ::RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &after, &size);
    EXPECT_TRUE(read != ERROR_SUCCESS || after == 96) << "the prefix is left at 96 DPI";
}


int TreeCellSize(HWND dialog) {
    int cx = 0, cy = 0;
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
        ::SendDlgItemMessageA(dialog, IDC_BLOCK_TREE, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    return ::ImageList_GetIconSize(images, &cx, &cy) && cx == cy ? cx : -1;
}

// ---- The child's checks, at the DPI it was started with ----

// Every static text, check box and button of `dialog` shows its whole text in the font it
// really has, and lies inside the dialog.
void ExpectEveryTextFits(HWND dialog, const char* which) {
    RECT area{};
    ::GetClientRect(dialog, &area);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = "", text[1024] = "";
        ::GetClassNameA(child, name, sizeof name);
        ::GetWindowTextA(child, text, sizeof text);
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        const bool isStatic = ::lstrcmpiA(name, "Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
        const LONG type = style & BS_TYPEMASK;
        const bool isButton = ::lstrcmpiA(name, "Button") == 0 && type != BS_GROUPBOX;
        if (!*text || (!isStatic && !isButton)) continue;
        const bool isCheck = isButton && type >= BS_CHECKBOX && type <= BS_AUTORADIOBUTTON && type != BS_GROUPBOX;
        const WindowDc dc(child);
        const SelectScope font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(child, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc.Get(), &metrics);
        RECT client{};
        ::GetClientRect(child, &client);
        if (isCheck) client.left += CheckBoxTextOffset(child, dc.Get());
        const bool wraps = (isStatic || (style & BS_MULTILINE)) && client.bottom >= 2 * metrics.tmHeight;
        RECT measured{0, 0, client.right - client.left, 0};
        ::DrawTextA(dc.Get(), text, -1, &measured, DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        EXPECT_LE(measured.right, client.right - client.left) << which << ": \"" << text << "\" is cut at its end";
        EXPECT_LE(measured.bottom, client.bottom) << which << ": \"" << text << "\" loses its last line";
        RECT place{};
        ::GetWindowRect(child, &place);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_LE(place.right, area.right) << which << ": \"" << text << "\" passes the dialog's edge";
        EXPECT_LE(place.bottom, area.bottom) << which << ": \"" << text << "\" passes the dialog's edge";
    }
}

// The template with its face replaced by one no system has: the stand-in
// the font mapper picks, as on a system without the template's face.
std::vector<BYTE> WithMissingFace(int templateId) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(templateId), RT_DIALOG);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
    std::vector<BYTE> copy(bytes, bytes + ::SizeofResource(module, found));
    const std::wstring face = L"MS Sans Serif";
    for (std::size_t at = 0; at + face.size() * 2 <= copy.size(); at += 2) {
        if (std::memcmp(&copy[at], face.c_str(), face.size() * 2) != 0) continue;
        const std::wstring missing = L"Nowhere Sans1";  // the same length keeps the items aligned
        std::memcpy(&copy[at], missing.c_str(), missing.size() * 2);
        break;
    }
    return copy;
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Runs a modal box (About, Details) and checks its texts from inside its own loop.
void CALLBACK CheckBoxAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = ::GetActiveWindow();
    if (!box || !::IsWindowVisible(box)) return;
    ::KillTimer(nullptr, timer);
    char caption[128] = "";
    ::GetWindowTextA(box, caption, sizeof caption);
    ExpectEveryTextFits(box, caption);
    ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return SIZE{0, 0};
    BITMAP mask{};
    ::GetObjectA(info.hbmMask, sizeof mask, &mask);
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    // A monochrome cursor keeps both of its masks in one bitmap of twice the height.
    return SIZE{mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
}

class DpiChild : public MainDialogTest {
protected:
    void SetUp() override {
        dpi_ = ChildDpi();
        if (!dpi_) GTEST_SKIP() << "run by HighDpi in a process of its own";
        MainDialogTest::SetUp();
    }
    int dpi_ = 0;
};

TEST_F(DpiChild, MainDialogPicturesAreMadeForTheDpiAndTheDialogStaysInTheWorkArea) {
    ASSERT_EQ(dpi_, SystemDpi());
    HWND hwnd = dialog_->Hwnd();
    EXPECT_EQ(dpi_, WindowDpi(hwnd));

    EXPECT_EQ(dpi_ >= 192 ? 32 : dpi_ >= 144 ? 24 : 16, TreeCellSize(hwnd));
    EXPECT_EQ(15, ::ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(
                      ::SendDlgItemMessageA(hwnd, IDC_BLOCK_TREE, TVM_GETIMAGELIST, TVSIL_NORMAL, 0))));

    const SIZE state = IconSize(reinterpret_cast<HICON>(::SendDlgItemMessageA(hwnd, IDC_STATE_ICON, STM_GETICON, 0, 0)));
    EXPECT_EQ(SystemMetricAt(SM_CXICON, dpi_), state.cx);
    EXPECT_EQ(ScaleToDpi(32, dpi_), state.cx) << "the large icon grows with the DPI";
    const SIZE tray = IconSize(dialog_->Tray().Icon());
    EXPECT_EQ(ScaleToDpi(16, dpi_), tray.cx);

    // Shown in the middle of the work area, and never past its edges.
    ::ShowWindow(hwnd, SW_SHOW);
    RECT area{}, window{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    ::GetWindowRect(hwnd, &window);
    EXPECT_GE(window.left, area.left);
    EXPECT_GE(window.top, area.top);
    EXPECT_LE(window.right, area.right);
    EXPECT_LE(window.bottom, area.bottom);
}

TEST_F(DpiChild, EveryTextOfEveryDialogFitsAlsoInAStandInFont) {
    ExpectEveryTextFits(dialog_->Hwnd(), "main dialog");
    UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &CheckBoxAndClose);
    EXPECT_EQ(IDCANCEL, AboutDialog().Run(nullptr));
    ::KillTimer(nullptr, timer);
    timer = ::SetTimer(nullptr, 0, 40, &CheckBoxAndClose);
    EXPECT_EQ(IDCANCEL, DetailsDialog(dialog_->PolicyStatus()).Run(nullptr));
    ::KillTimer(nullptr, timer);

    // At 192 DPI the main dialog in the stand-in font is larger than the test screen (1032 pixels).
    if (dpi_ > 144) return;
    for (int id : {IDD_MAIN, IDD_ABOUT, IDD_DETAILS}) {
        const std::vector<BYTE> stand = WithMissingFace(id);
        HWND dialog = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr),
                                                   reinterpret_cast<LPCDLGTEMPLATEA>(stand.data()), nullptr, &Inert, 0);
        ASSERT_TRUE(dialog);
        FitDialogToText(dialog);
        ExpectEveryTextFits(dialog, id == IDD_MAIN    ? "main dialog, stand-in font"
                                    : id == IDD_ABOUT ? "About box, stand-in font"
                                                      : "Details, stand-in font");
        ::DestroyWindow(dialog);
    }
}

TEST_F(DpiChild, TheLinksAreSizedToTheirTextAndTheHandToTheSystemsCursors) {
    HWND about = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, &Inert, 0);
    ASSERT_TRUE(about);
    HyperLink mail;
    mail.SetTarget(product::kSupportTarget);
    mail.SetLabel(product::kSupportLabel);
    ASSERT_TRUE(mail.Attach(::GetDlgItem(about, IDC_MAIL_LINK)));

    HDC dc = ::GetDC(mail.Hwnd());
    HGDIOBJ old = ::SelectObject(dc, mail.LinkFont());
    SIZE text{};
    ::GetTextExtentPoint32A(dc, product::kSupportLabel, static_cast<int>(std::strlen(product::kSupportLabel)), &text);
    ::SelectObject(dc, old);
    ::ReleaseDC(mail.Hwnd(), dc);
    const RECT& link = mail.LinkRect();
    EXPECT_GE(link.right - link.left, text.cx) << "the whole label on one line";
    EXPECT_EQ(text.cy, link.bottom - link.top) << "one line, nothing wrapped";
    RECT client{};
    ::GetClientRect(mail.Hwnd(), &client);
    EXPECT_GE(client.right, link.right);
    EXPECT_GE(client.bottom, link.bottom);

    const SIZE hand = IconSize(mail.Cursor());
    EXPECT_EQ(SystemMetricAt(SM_CXCURSOR, dpi_), hand.cx);
    EXPECT_EQ(hand.cx, hand.cy);
    ::DestroyWindow(about);
}

// Moved to a monitor of 150 %: the window takes the suggested place and size, and what is
// drawn by hand is made again for the new DPI.
TEST_F(MainDialogTest, OnADpiChangeTheDialogTakesTheSuggestedRectangleAndRedrawsItsPictures) {
    if (ChildDpi()) GTEST_SKIP();
    HWND hwnd = dialog_->Hwnd();
    ASSERT_EQ(16, TreeCellSize(hwnd));
    RECT suggested{20, 10, 20 + 700, 10 + 600};
    ::SendMessageA(hwnd, kWmDpiChanged, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    ::GetWindowRect(hwnd, &now);
    EXPECT_EQ(suggested.left, now.left);
    EXPECT_EQ(suggested.top, now.top);
    EXPECT_EQ(700, now.right - now.left);
    EXPECT_EQ(600, now.bottom - now.top);
    EXPECT_EQ(24, TreeCellSize(hwnd));
    EXPECT_EQ(SystemMetricAt(SM_CXICON, 144),
              IconSize(reinterpret_cast<HICON>(::SendDlgItemMessageA(hwnd, IDC_STATE_ICON, STM_GETICON, 0, 0))).cx);
    // A switch afterwards keeps the new size.
    ::SendMessageA(hwnd, WM_HOTKEY, 0, 0);
    EXPECT_EQ(SystemMetricAt(SM_CXICON, WindowDpi(hwnd)),
              IconSize(reinterpret_cast<HICON>(::SendDlgItemMessageA(hwnd, IDC_STATE_ICON, STM_GETICON, 0, 0))).cx);
}

}  // namespace
