#include "update/UpdateDialog.h"

#include "res/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

std::string TextOf(HWND hwnd) {
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// The dialog made without a modal loop: its posted start command stays in the queue and
// goes with the window, so the handlers can be driven directly from this thread.
class UpdateDialogProgress : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        hwnd_ = dialog_.CreateModeless(::GetModuleHandleA(nullptr), IDD_UPDATE, nullptr);
        ASSERT_NE(nullptr, hwnd_);
        ::SendDlgItemMessageA(hwnd_, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    }
    void TearDown() override {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }

    int BarPosition() const { return static_cast<int>(::SendDlgItemMessageA(hwnd_, IDC_PROGRESS, PBM_GETPOS, 0, 0)); }
    std::string Line(int id) const { return TextOf(::GetDlgItem(hwnd_, id)); }

    UpdateDialog dialog_;
    HWND hwnd_ = nullptr;
};

}  // namespace

TEST_F(UpdateDialogProgress, PercentTenTimesASecondRateAndTimeLeftAtMostOnceASecond) {
    const DWORD now = ::GetTickCount();
    DWORD lastTick = now, lastTotal = 0, lastPercent = 0;

    dialog_.OnProgress(now, lastTick, 459, lastTotal, lastPercent, true, 1000);
    EXPECT_EQ(45, BarPosition());
    EXPECT_EQ("45 of  Completed", TextOf(hwnd_));
    EXPECT_EQ(45u, lastPercent);
    EXPECT_EQ("", Line(IDC_RATE));  // the same second: no rate yet
    EXPECT_EQ("", Line(IDC_TIME_LEFT));
    EXPECT_EQ(now, lastTick);

    // A change right after the last one waits; the end never does.
    dialog_.OnProgress(now, lastTick, 470, lastTotal, lastPercent, true, 1000);
    EXPECT_EQ(45, BarPosition());
    EXPECT_EQ(45u, lastPercent);
    ::Sleep(150);
    const DWORD later = ::GetTickCount();

    // Two seconds on, half of 80,000 bytes in: the rate and time left are refreshed
    // (figures chosen so that a few milliseconds of test time do not change them).
    lastTick = later - 2000;
    dialog_.OnProgress(later - 2000, lastTick, 40000, lastTotal, lastPercent, true, 80000);
    EXPECT_EQ(50, BarPosition());
    EXPECT_EQ("20 KB/Sec", Line(IDC_RATE));
    EXPECT_EQ("2 sec (39.1 KB of 78.1 KB copied)", Line(IDC_TIME_LEFT));
    EXPECT_EQ(40000u, lastTotal);
    EXPECT_LE(now, lastTick);
}

TEST_F(UpdateDialogProgress, UnknownOrZeroLengthLeavesBarAndTitleAlone) {
    ::SetWindowTextA(hwnd_, "before");
    const DWORD now = ::GetTickCount();
    DWORD lastTick = now - 1500, lastTotal = 0, lastPercent = 0;

    dialog_.OnProgress(now - 1500, lastTick, 3072, lastTotal, lastPercent, false, 0);
    EXPECT_EQ(0, BarPosition());
    EXPECT_EQ("before", TextOf(hwnd_));
    EXPECT_NE("", Line(IDC_RATE));  // the rate is still shown
    EXPECT_EQ("", Line(IDC_TIME_LEFT));

    lastTick = now - 1500;
    dialog_.OnProgress(now - 1500, lastTick, 4096, lastTotal, lastPercent, true, 0);
    EXPECT_EQ(0, BarPosition());
    EXPECT_EQ("before", TextOf(hwnd_));
    EXPECT_EQ("", Line(IDC_TIME_LEFT));
    EXPECT_EQ(0u, lastPercent);
}

TEST_F(UpdateDialogProgress, StatusNoticesBecomeTheStatusLine) {
    char host[] = "updates.example";
    dialog_.ShowStatus(nullptr, INTERNET_STATUS_RESOLVING_NAME, host, sizeof host);
    EXPECT_EQ("Resolving name: updates.example", Line(IDC_STATUS));
    char address[] = "127.0.0.1";
    dialog_.ShowStatus(nullptr, INTERNET_STATUS_CONNECTED_TO_SERVER, address, sizeof address);
    EXPECT_EQ("Connected to 127.0.0.1", Line(IDC_STATUS));
    // Other notices change nothing; a text without terminator is cut at its length.
    dialog_.ShowStatus(nullptr, INTERNET_STATUS_RESPONSE_RECEIVED, address, sizeof address);
    EXPECT_EQ("Connected to 127.0.0.1", Line(IDC_STATUS));
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    dialog_.ShowStatus(nullptr, INTERNET_STATUS_REDIRECT, unterminated, 3);
    EXPECT_EQ("Redirecting to abc", Line(IDC_STATUS));
}
