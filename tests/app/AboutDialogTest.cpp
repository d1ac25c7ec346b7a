#include "app/AboutDialog.h"
#include "app/ProductInfo.h"
#include "res/resource.h"
#include "win/Centre.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> opened;

bool RecordOpen(const char* target) {
    opened.push_back(target);
    return true;
}

// Drives a modal About box from inside its own message loop: a thread timer runs the
// steps one per tick, each with the box's window, so posted input is processed between.
struct Script {
    std::vector<std::function<void(HWND)>> steps;
    std::size_t next = 0;
    RECT placed{};
};
Script* script = nullptr;

BOOL CALLBACK FindAbout(HWND hwnd, LPARAM found) {
    char title[16] = "";
    ::GetWindowTextA(hwnd, title, sizeof title);
    if (::IsWindowVisible(hwnd) && std::string(title) == "About") {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND about = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindAbout, reinterpret_cast<LPARAM>(&about));
    if (!about || !script || script->next >= script->steps.size()) return;
    if (script->next == 0) ::GetWindowRect(about, &script->placed);
    script->steps[script->next++](about);
}

INT_PTR RunScripted(AboutDialog& box, HWND owner, Script& steps) {
    script = &steps;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &Tick);
    // A box left open by a failing step must not hang the suite.
    steps.steps.push_back([](HWND about) { ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0); });
    const INT_PTR result = box.Run(owner);
    ::KillTimer(nullptr, timer);
    script = nullptr;
    return result;
}

void PostKey(HWND to, WPARAM key, UINT scanCode) {
    ::PostMessageA(to, WM_KEYDOWN, key, 1 | (scanCode << 16));
    ::PostMessageA(to, WM_KEYUP, key, 1 | (scanCode << 16) | 0xC0000000u);
}

void Focus(HWND about, int id) { ::SendMessageA(about, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(about, id)), TRUE); }

HWND MakeOwner(bool visible) {
    HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_CAPTION, 40, 30, 300, 200, nullptr, nullptr,
                                   nullptr, nullptr);
    if (visible) ::ShowWindow(owner, SW_SHOWNOACTIVATE);
    return owner;
}

SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        previous_ = HyperLink::SetShellOpenForTesting(&RecordOpen);
    }
    void TearDown() override { HyperLink::SetShellOpenForTesting(previous_); }
    HyperLink::ShellOpen previous_ = nullptr;
};

TEST_F(AboutDialogTest, WithAHiddenOwnerItCentresOnTheWorkAreaAndKeysOpenTheFocusedLink) {
    HWND owner = MakeOwner(false);
    AboutDialog box;
    Script steps;
    int focusAtStart = 0;
    steps.steps = {
        [&](HWND about) {
            focusAtStart = ::GetDlgCtrlID(::GetFocus());
            Focus(about, IDC_HOME_LINK);
            PostKey(::GetDlgItem(about, IDC_HOME_LINK), VK_RETURN, 0x1C);
        },
        [&](HWND about) {
            Focus(about, IDC_MAIL_LINK);
            PostKey(::GetDlgItem(about, IDC_MAIL_LINK), VK_SPACE, 0x39);
        },
        [&](HWND about) { PostKey(::GetFocus() ? ::GetFocus() : about, VK_ESCAPE, 0x01); },
    };
    const INT_PTR result = RunScripted(box, owner, steps);

    EXPECT_EQ(IDCANCEL, result);
    RECT area{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const POINT expected = CentredPosition(SizeOf(steps.placed), area, nullptr);
    EXPECT_EQ(expected.x, steps.placed.left);
    EXPECT_EQ(expected.y, steps.placed.top);

    ASSERT_EQ(2u, opened.size()) << "Enter on the home page link, Space on the mail link";
    EXPECT_EQ(product::kHomePage, opened[0]);
    EXPECT_EQ(std::string("mailto:") + product::kSupportAddress, opened[1]);
    EXPECT_EQ(IDOK, focusAtStart) << "the box opens with OK focused, so Enter closes it";
    ::DestroyWindow(owner);
}

TEST_F(AboutDialogTest, WithAVisibleOwnerItCentresOnItAndOkClosesIt) {
    HWND owner = MakeOwner(true);
    RECT ownerRect{};
    ::GetWindowRect(owner, &ownerRect);
    AboutDialog box;
    Script steps;
    std::string mailLabel;
    steps.steps = {
        [&](HWND about) {
            char text[128] = "";
            ::GetDlgItemTextA(about, IDC_MAIL_LINK, text, sizeof text);
            mailLabel = text;
            // Enter with the OK button focused presses it.
            PostKey(::GetDlgItem(about, IDOK), VK_RETURN, 0x1C);
        },
    };
    const INT_PTR result = RunScripted(box, owner, steps);

    EXPECT_EQ(IDOK, result);
    RECT area{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const POINT expected = CentredPosition(SizeOf(steps.placed), area, &ownerRect);
    EXPECT_EQ(expected.x, steps.placed.left);
    EXPECT_EQ(expected.y, steps.placed.top);
    EXPECT_EQ(product::kSupportLabel, mailLabel);
    EXPECT_TRUE(opened.empty());
    ::DestroyWindow(owner);
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(AboutTemplate, ShowsTheSameMakerAddressAndHomePageAsTheLinks) {
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
