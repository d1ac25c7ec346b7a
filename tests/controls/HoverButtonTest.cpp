#include "controls/ButtonShade.h"
#include "controls/HoverButton.h"
#include "support/Canvas.h"
#include "win/Reflect.h"

#include <gtest/gtest.h>

namespace {

constexpr int kId = 1006;
constexpr int kWidth = 75;
constexpr int kHeight = 23;
constexpr COLORREF kHoverLeft = RGB(250, 196, 88);
constexpr COLORREF kFocusLeft = RGB(153, 198, 252);

COLORREF Shade(int shade, bool hot, bool highlighted) {
    const ShadeColour c = ButtonShade(shade, hot, highlighted);
    return RGB(c.red, c.green, c.blue);
}

// One push button in a dialog-class window, drawn onto a canvas exactly as its dialog's
// reflected draw request would have it drawn.
class HoverButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_ = ::CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        button_ = ::CreateWindowExA(0, "BUTTON", "&Switch", WS_CHILD | BS_PUSHBUTTON, 10, 10, kWidth, kHeight, dialog_,
                                    reinterpret_cast<HMENU>(kId), nullptr, nullptr);
        ASSERT_TRUE(hover_.Attach(button_));
        l_ = ::GetSystemMetrics(SM_CXEDGE);
        t_ = ::GetSystemMetrics(SM_CYEDGE);
        r_ = kWidth - l_;
        b_ = kHeight - t_;
    }
    void TearDown() override { ::DestroyWindow(dialog_); }

    LRESULT Draw(UINT state, RECT item = {0, 0, kWidth, kHeight}) {
        canvas_.Fill(RGB(128, 128, 128));
        DRAWITEMSTRUCT request{ODT_BUTTON, kId, 0, ODA_DRAWENTIRE, state, button_, canvas_.Dc(), item, 0};
        return ::SendMessageA(button_, kOcmBase + WM_DRAWITEM, kId, reinterpret_cast<LPARAM>(&request));
    }
    COLORREF At(int x, int y) const { return canvas_.Pixel(x, y); }

    // Left, top and right of the caption's black pixels; left is -1 when there are none.
    RECT Ink() const {
        RECT ink{-1, -1, -1, -1};
        for (int y = t_ + 2; y < b_ - 1; ++y)
            for (int x = l_ + 3; x < r_ - 3; ++x)
                if (At(x, y) == RGB(0, 0, 0)) {
                    if (ink.top < 0) ink.top = y;
                    if (ink.left < 0 || x < ink.left) ink.left = x;
                    if (x > ink.right) ink.right = x;
                }
        return ink;
    }

    HWND dialog_ = nullptr;
    HWND button_ = nullptr;
    HoverButton hover_;
    Canvas canvas_{kWidth, kHeight};
    int l_ = 0, t_ = 0, r_ = 0, b_ = 0;  // the face
};

TEST_F(HoverButtonTest, APlainButtonHasItsOutlineAndAGradientFromTheFirstShadeToTheLast) {
    EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongA(button_, GWL_STYLE) & BS_TYPEMASK);
    EXPECT_EQ(kId, ::GetDlgCtrlID(button_));
    EXPECT_EQ(TRUE, Draw(0));
    EXPECT_EQ(RGB(0, 0, 0), At(kWidth / 2, 0));
    EXPECT_EQ(RGB(0, 0, 0), At(0, kHeight / 2));
    EXPECT_EQ(Shade(0, false, false), At(l_ + 1, t_));
    EXPECT_EQ(Shade(63, false, false), At(l_ + 1, b_));
    EXPECT_FALSE(hover_.IsHot() || hover_.IsFocused() || hover_.IsHighlighted());
}

TEST_F(HoverButtonTest, HoverAndFocusFramesAndTheFocusedButtonBecomesTheDefault) {
    ASSERT_NE(kId, LOWORD(::SendMessageA(dialog_, DM_GETDEFID, 0, 0)));
    Draw(ODS_FOCUS);
    EXPECT_NE(kId, LOWORD(::SendMessageA(dialog_, DM_GETDEFID, 0, 0))) << "painting alone changes nothing";
    ::SendMessageA(button_, WM_MOUSEHOVER, 0, 0);
    Draw(0);
    EXPECT_EQ(kHoverLeft, At(l_, kHeight / 2));
    EXPECT_EQ(RGB(251, 202, 106), At(r_ - 1, kHeight / 2));
    EXPECT_EQ(RGB(229, 151, 0), At(l_ + 5, b_));
    const int row = kHeight / 2 + 2;
    EXPECT_EQ(Shade(ShadeForRow(row, t_, b_ - t_), true, false), At(l_ + 3, row)) << "the lighter hot face";

    // The mouse resting on a focused button shows the hover frame, not the focus frame.
    ::SendMessageA(button_, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(MAKELONG(kId, DC_HASDEFID), ::SendMessageA(dialog_, DM_GETDEFID, 0, 0)) << "default once focused";
    Draw(ODS_FOCUS);
    EXPECT_EQ(kHoverLeft, At(l_, kHeight / 2));
    ::SendMessageA(button_, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(hover_.IsHot());

    Draw(ODS_FOCUS);
    EXPECT_EQ(kFocusLeft, At(l_, kHeight / 2));
    EXPECT_EQ(RGB(162, 189, 252), At(r_ - 1, kHeight / 2));
    EXPECT_EQ(Shade(ShadeForRow(b_ - 3, t_, b_ - t_), false, true), At(l_ + 3, b_ - 3)) << "highlighted face";

    ::SendMessageA(button_, WM_KILLFOCUS, 0, 0);
    Draw(ODS_SELECTED);  // pressed: highlighted but no longer focused, so no frame
    EXPECT_TRUE(hover_.IsHighlighted());
    EXPECT_FALSE(hover_.IsFocused());
    EXPECT_NE(kFocusLeft, At(l_, kHeight / 2));
}

TEST_F(HoverButtonTest, CaptionIsCentredMovesWhenPressedAndIsEmbossedWhenDisabled) {
    Draw(0);
    const RECT normal = Ink();
    ASSERT_GE(normal.left, 0);
    // Centred by advance width, so the ink may sit a pixel or two off the middle.
    EXPECT_NEAR(l_ + r_, normal.left + normal.right, 6);

    Draw(ODS_SELECTED);
    const RECT pressed = Ink();
    EXPECT_EQ(normal.left + 1, pressed.left);
    EXPECT_EQ(normal.top + 1, pressed.top);

    Draw(ODS_DISABLED);
    EXPECT_EQ(-1, Ink().left) << "no black text on a disabled button";
    EXPECT_GT(canvas_.Count(::GetSysColor(COLOR_3DSHADOW)), 10) << "but text in the shadow colour";
}

TEST_F(HoverButtonTest, AButtonWithNoFaceHeightKeepsThePlainFillInsideItsOutline) {
    const RECT flat{0, 0, kWidth, 2 * t_};
    // As for a real button, the request's clip box is the button: nothing outside is touched.
    ::IntersectClipRect(canvas_.Dc(), flat.left, flat.top, flat.right, flat.bottom);
    EXPECT_EQ(TRUE, Draw(0, flat));
    ::SelectClipRgn(canvas_.Dc(), nullptr);
    EXPECT_EQ(RGB(0, 0, 0), At(kWidth / 2, 0));
    EXPECT_EQ(RGB(255, 255, 255), At(4, 1));
    EXPECT_EQ(RGB(128, 128, 128), At(kWidth / 2, kHeight - 1));
}

}  // namespace
