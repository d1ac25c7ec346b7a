#include "app/HyperLink.h"
#include "res/resource.h"
#include "settings/RegKey.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kTarget[] = "http://example.test/page";

std::vector<std::string> opened;
bool openSucceeds = true;

bool RecordOpen(const char* target) {
    opened.push_back(target);
    return openSucceeds;
}

// The About template, shown, with no behaviour of its own: the link under test is
// attached to its home-page static by hand.
class PlainDialog : public Dialog {
protected:
    bool HandleMessage(MessageArgs& args) override {
        if (args.message != WM_INITDIALOG) return false;
        args.result = TRUE;
        return true;
    }
};

class HyperLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        openSucceeds = true;
        previous_ = HyperLink::SetShellOpenForTesting(&RecordOpen);
        ASSERT_NE(nullptr, dialog_.CreateModeless(::GetModuleHandleA(nullptr), IDD_ABOUT, nullptr));
        ::ShowWindow(dialog_.Hwnd(), SW_SHOW);
        control_ = ::GetDlgItem(dialog_.Hwnd(), IDC_HOME_LINK);
        link_.SetTarget(kTarget);
        ASSERT_TRUE(link_.Attach(control_));
    }
    void TearDown() override {
        if (::GetCapture()) ::ReleaseCapture();
        ::DestroyWindow(dialog_.Hwnd());
        HyperLink::SetShellOpenForTesting(previous_);
    }

    static LPARAM At(LONG x, LONG y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
    LPARAM Inside() const {
        const RECT& r = link_.LinkRect();
        return At((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Click(LPARAM down, LPARAM up) {
        ::SendMessageA(control_, WM_LBUTTONDOWN, MK_LBUTTON, down);
        ::SendMessageA(control_, WM_LBUTTONUP, 0, up);
    }

    // Paints the link into a bitmap as the system would and counts pixels of one colour.
    int PixelsOf(COLORREF colour) {
        RECT client{};
        ::GetClientRect(control_, &client);
        UniqueDc dc(::CreateCompatibleDC(nullptr));
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        UniqueBitmap bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        HGDIOBJ old = ::SelectObject(dc.Get(), bitmap.Get());
        ::SendMessageA(control_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
        int count = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) count += ::GetPixel(dc.Get(), x, y) == colour ? 1 : 0;
        ::SelectObject(dc.Get(), old);
        return count;
    }

    PlainDialog dialog_;
    HWND control_ = nullptr;
    HyperLink link_;
    HyperLink::ShellOpen previous_ = nullptr;
};

TEST_F(HyperLinkTest, AttachingTakesTheTextAsLabelAndCoversOnlyTheDrawnText) {
    EXPECT_TRUE(::GetWindowLongA(control_, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ("http://www.hushbar.example/hushbar/", link_.Label());
    EXPECT_EQ(kTarget, link_.Target());
    RECT client{};
    ::GetClientRect(control_, &client);
    const RECT& r = link_.LinkRect();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_GT(r.right, 50);
    EXPECT_LT(r.right, client.right) << "a short label leaves the rest of the control inert";

    // Its own tool tip shows the target over the label.
    char text[128] = "";
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = control_;
    tool.uId = 1;
    tool.lpszText = text;
    ASSERT_NE(nullptr, link_.ToolTipWindow());
    ::SendMessageA(link_.ToolTipWindow(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(kTarget, text);

    // A shorter label after attaching shrinks the link and shows in the control.
    const LONG before = r.right;
    link_.SetLabel("Home");
    EXPECT_LT(link_.LinkRect().right, before);
    char shown[32] = "";
    ::GetWindowTextA(control_, shown, sizeof shown);
    EXPECT_STREQ("Home", shown);
}

TEST_F(HyperLinkTest, OnlyAPressAndReleaseOnTheLinkOpensIt) {
    Click(Inside(), At(-20, -20));  // dragged off before letting go
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_EQ(control_, ::GetFocus()) << "pressing the link focuses it";

    ::SendMessageA(control_, WM_LBUTTONUP, 0, Inside());  // released here, pressed elsewhere
    EXPECT_TRUE(opened.empty());

    RECT client{};
    ::GetClientRect(control_, &client);
    Click(At(client.right - 2, 2), At(client.right - 2, 2));  // beside the text, inside the control
    EXPECT_TRUE(opened.empty());

    EXPECT_FALSE(link_.IsVisited());
    Click(Inside(), Inside());
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(kTarget, opened[0]);
    EXPECT_TRUE(link_.IsVisited());
}

TEST_F(HyperLinkTest, EnterAndSpaceOpenTheLinkAndTheDialogLetsEnterThrough) {
    ::SendMessageA(control_, WM_CHAR, VK_RETURN, 0);
    ::SendMessageA(control_, WM_CHAR, VK_SPACE, 0);
    ::SendMessageA(control_, WM_CHAR, 'x', 0);
    EXPECT_EQ(2u, opened.size());

    EXPECT_EQ(DLGC_WANTCHARS, ::SendMessageA(control_, WM_GETDLGCODE, 0, 0));
    MSG enter{control_, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(::SendMessageA(control_, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
                DLGC_WANTMESSAGE);
    MSG tab{control_, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(::SendMessageA(control_, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) &
                 DLGC_WANTMESSAGE) << "Tab still moves on";
}

TEST_F(HyperLinkTest, AFailedOpenLeavesTheLinkUnvisited) {
    openSucceeds = false;
    link_.Navigate();
    EXPECT_EQ(1u, opened.size());
    EXPECT_FALSE(link_.IsVisited());
}

TEST_F(HyperLinkTest, PaintsInTheLinkColourThenTheVisitedColourAndGreyWhenDisabled) {
    const COLORREF blue = link_.LinkColour();
    const COLORREF purple = link_.VisitedColour();
    EXPECT_GT(PixelsOf(blue), 20);
    EXPECT_EQ(0, PixelsOf(purple));

    link_.Navigate();
    EXPECT_EQ(0, PixelsOf(blue));
    EXPECT_GT(PixelsOf(purple), 20);

    ::EnableWindow(control_, FALSE);
    EXPECT_EQ(0, PixelsOf(purple));
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_GRAYTEXT)), 20);
}

TEST_F(HyperLinkTest, TheFocusedLinkShowsAFocusRectangle) {
    ::SetFocus(dialog_.Hwnd());
    const int unfocused = PixelsOf(link_.LinkColour());
    ::SetFocus(control_);
    ASSERT_EQ(control_, ::GetFocus());
    // The dotted frame inverts pixels along the edges of the label.
    EXPECT_NE(unfocused, PixelsOf(link_.LinkColour()));
}

TEST_F(HyperLinkTest, LinkColoursComeFromTheBrowserSettingsWhenTheyParse) {
    const std::string path = "Software\\Corvane\\HushbarTest\\LinkColours" + std::to_string(::GetCurrentProcessId());
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path.c_str()));
    key.WriteString("Anchor Color", "0,128,0");
    key.WriteString("Anchor Color Visited", "0,128");

    HyperLink fresh;
    fresh.ReadLinkColours(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(0x008000u, fresh.LinkColour());
    EXPECT_EQ(HyperLink::kDefaultVisitedColour, fresh.VisitedColour());

    key.WriteString("Anchor Color", "256,0,0");
    key.WriteString("Anchor Color Visited", "1,2,3 and much more");  // longer than any colour
    fresh.ReadLinkColours(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(0x000000u, fresh.LinkColour());
    EXPECT_EQ(HyperLink::kDefaultVisitedColour, fresh.VisitedColour());

    HyperLink missing;
    missing.ReadLinkColours(HKEY_CURRENT_USER, (path + "\\Nothing").c_str());
    EXPECT_EQ(HyperLink::kDefaultLinkColour, missing.LinkColour());

    key.Close();
    ::RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Corvane\\HushbarTest");
}

}  // namespace
