#include "app/HyperLink.h"
#include "res/resource.h"
#include "settings/RegKey.h"
#include "support/Canvas.h"
#include "win/Dialog.h"
#include "win/ShellOpen.h"

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
        args.result = TRUE;
        return args.message == WM_INITDIALOG;
    }
};

class HyperLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        openSucceeds = true;
        previous_ = SetShellOpenerForTesting(&RecordOpen);
        ASSERT_NE(nullptr, dialog_.CreateModeless(::GetModuleHandleA(nullptr), IDD_ABOUT, nullptr));
        ::ShowWindow(dialog_.Hwnd(), SW_SHOW);
        control_ = ::GetDlgItem(dialog_.Hwnd(), IDC_HOME_LINK);
        ::GetClientRect(control_, &client_);
        link_.SetTarget(kTarget);
        ASSERT_TRUE(link_.Attach(control_));
    }
    void TearDown() override {
        ::DestroyWindow(dialog_.Hwnd());
        SetShellOpenerForTesting(previous_);
    }

    static LPARAM At(LONG x, LONG y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
    LPARAM OnLabel() const {
        const RECT& r = link_.LinkRect();
        return At((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Click(LPARAM down, LPARAM up) {
        ::SendMessageA(control_, WM_LBUTTONDOWN, MK_LBUTTON, down);
        ::SendMessageA(control_, WM_LBUTTONUP, 0, up);
    }
    // Paints the link as the system would ask it to and counts pixels of one colour.
    int Painted(COLORREF colour) {
        Canvas canvas(client_.right, client_.bottom);
        ::SendMessageA(control_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
        return canvas.Count(colour);
    }

    PlainDialog dialog_;
    HWND control_ = nullptr;
    RECT client_{};
    HyperLink link_;
    ShellOpener previous_ = nullptr;
};

TEST_F(HyperLinkTest, AttachingTakesTheTextAsLabelAndCoversOnlyTheDrawnText) {
    EXPECT_TRUE(::GetWindowLongA(control_, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ("http://www.hushbar.example/hushbar/", link_.Label());
    const RECT& r = link_.LinkRect();
    EXPECT_EQ(0, r.left);
    EXPECT_GT(r.right, 50);
    EXPECT_LT(r.right, client_.right) << "a short label leaves the rest of the control inert";

    char text[128] = "";
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = control_;
    tool.uId = 1;
    tool.lpszText = text;
    ::SendMessageA(link_.ToolTipWindow(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(kTarget, text) << "its own tool tip shows the target";

    const LONG before = r.right;
    link_.SetLabel("Home");
    EXPECT_LT(link_.LinkRect().right, before);
    ::GetWindowTextA(control_, text, sizeof text);
    EXPECT_STREQ("Home", text);
}

TEST_F(HyperLinkTest, OnlyAPressAndReleaseBothOnTheLabelOpenIt) {
    Click(OnLabel(), At(-20, -20));  // dragged off before letting go
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_EQ(control_, ::GetFocus()) << "pressing the link focuses it";
    ::SendMessageA(control_, WM_LBUTTONUP, 0, OnLabel());               // pressed elsewhere
    Click(At(client_.right - 2, 2), At(client_.right - 2, 2));         // beside the label
    EXPECT_TRUE(opened.empty());

    openSucceeds = false;
    Click(OnLabel(), OnLabel());
    EXPECT_EQ(1u, opened.size());
    EXPECT_FALSE(link_.IsVisited()) << "a target that cannot be opened leaves the link as it was";

    openSucceeds = true;
    Click(OnLabel(), OnLabel());
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(kTarget, opened[1]);
    EXPECT_TRUE(link_.IsVisited());
}

TEST_F(HyperLinkTest, PaintsInTheLinkColourThenVisitedOrGreyAndFramesTheFocus) {
    const COLORREF blue = link_.LinkColour();
    const COLORREF purple = link_.VisitedColour();
    ::SetFocus(dialog_.Hwnd());
    const int unfocused = Painted(blue);
    EXPECT_GT(unfocused, 20);
    EXPECT_EQ(0, Painted(purple));
    ::SetFocus(control_);
    EXPECT_NE(unfocused, Painted(blue)) << "the dotted focus frame inverts pixels round the label";

    link_.Navigate();
    EXPECT_EQ(0, Painted(blue));
    EXPECT_GT(Painted(purple), 20);

    ::EnableWindow(control_, FALSE);
    EXPECT_EQ(0, Painted(purple));
    EXPECT_GT(Painted(::GetSysColor(COLOR_GRAYTEXT)), 20);
}

TEST(HyperLinkColours, ComeFromTheBrowserSettingsWhenTheyParse) {
    const std::string parent = "Software\\Corvane\\HushbarTest";
    const std::string path = parent + "\\LinkColours" + std::to_string(::GetCurrentProcessId());
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path.c_str()));
    key.WriteString("Anchor Color", "0,128,0");
    key.WriteString("Anchor Color Visited", "1,2,3 and much more");  // longer than any colour
    HyperLink link;
    link.ReadLinkColours(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(0x008000u, link.LinkColour());
    EXPECT_EQ(HyperLink::kDefaultVisitedColour, link.VisitedColour());
    key.Close();
    ::RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, parent.c_str());
}

}  // namespace
