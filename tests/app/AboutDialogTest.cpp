#include "app/AboutDialog.h"
#include "res/ProductInfo.h"
#include "res/resource.h"
#include "win/Centre.h"
#include "win/ShellOpen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> opened;
bool RecordOpen(const char* target) {
    opened.push_back(target);
    return true;
}

// Drives the modal box from inside its own loop: a thread timer runs one step a tick on
// the active window (the box), so posted keys are processed between steps. The box's
// position is taken at the first step.
std::vector<std::function<void(HWND)>> steps;
std::size_t nextStep = 0;
RECT placed{};

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND about = ::GetActiveWindow();
    if (!about || !::IsWindowVisible(about) || nextStep >= steps.size()) return;
    if (nextStep == 0) ::GetWindowRect(about, &placed);
    steps[nextStep++](about);
}

INT_PTR RunScripted(HWND owner, std::vector<std::function<void(HWND)>> script) {
    opened.clear();
    steps = std::move(script);
    // A box left open by a step that did not work must not hang the suite.
    steps.push_back([](HWND about) { ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0); });
    nextStep = 0;
    ShellOpener previous = SetShellOpenerForTesting(&RecordOpen);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &Tick);
    const INT_PTR result = AboutDialog().Run(owner);
    ::KillTimer(nullptr, timer);
    SetShellOpenerForTesting(previous);
    return result;
}

void PressKey(HWND about, int focusId, WPARAM key, UINT scanCode) {
    HWND control = ::GetDlgItem(about, focusId);
    ::SendMessageA(about, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    ::PostMessageA(control, WM_KEYDOWN, key, 1 | (scanCode << 16));
}

POINT CentredOn(const RECT* reference) {
    RECT area{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return CentredPosition(SIZE{placed.right - placed.left, placed.bottom - placed.top}, area, reference);
}

TEST(AboutDialog, WithAHiddenOwnerItCentresOnTheWorkAreaAndKeysOpenTheFocusedLink) {
    HWND owner = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 40, 30, 300, 200, nullptr, nullptr, nullptr, nullptr);
    int focusAtStart = 0;
    const INT_PTR result = RunScripted(owner, {
        [&](HWND about) {
            focusAtStart = ::GetDlgCtrlID(::GetFocus());
            PressKey(about, IDC_HOME_LINK, VK_RETURN, 0x1C);
        },
        [](HWND about) { PressKey(about, IDC_MAIL_LINK, VK_SPACE, 0x39); },
        [](HWND about) { PressKey(about, IDC_MAIL_LINK, VK_ESCAPE, 0x01); },
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(IDOK, focusAtStart) << "the box opens with OK focused, so Enter closes it";
    const POINT centred = CentredOn(nullptr);
    EXPECT_EQ(centred.x, placed.left);
    EXPECT_EQ(centred.y, placed.top);
    EXPECT_EQ((std::vector<std::string>{product::kHomePage, product::kSupportTarget}), opened);
    ::DestroyWindow(owner);
}

TEST(AboutDialog, WithAVisibleOwnerItCentresOnItAndEnterOnOkClosesIt) {
    HWND owner = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 30, 300, 200, nullptr, nullptr,
                                   nullptr, nullptr);
    RECT ownerRect{};
    ::GetWindowRect(owner, &ownerRect);
    char text[256] = "";
    const INT_PTR result = RunScripted(owner, {[&](HWND about) {
        ::GetDlgItemTextA(about, IDC_ABOUT_TEXT, text, sizeof text);
        PressKey(about, IDOK, VK_RETURN, 0x1C);
    }});
    EXPECT_EQ(IDOK, result);
    // The version line is the build's version, read from the version resource.
    EXPECT_NE(nullptr, std::strstr(text, "\nVersion " HUSHBAR_TEST_VERSION "\n")) << text;
    const POINT centred = CentredOn(&ownerRect);
    EXPECT_EQ(centred.x, placed.left);
    EXPECT_EQ(centred.y, placed.top);
    EXPECT_TRUE(opened.empty());
    ::DestroyWindow(owner);
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(AboutDialog, TheTemplateShowsTheSameTextsAsTheLinks) {
    HWND raw = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, &Inert, 0);
    ASSERT_NE(nullptr, raw);
    char text[256] = "";
    ::GetDlgItemTextA(raw, IDC_MAIL_LINK, text, sizeof text);
    EXPECT_STREQ(product::kSupportLabel, text);
    ::GetDlgItemTextA(raw, IDC_HOME_LINK, text, sizeof text);
    EXPECT_STREQ(product::kHomePage, text);
    ::DestroyWindow(raw);
}

}  // namespace
