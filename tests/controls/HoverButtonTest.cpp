#include "controls/ButtonShade.h"
#include "controls/HoverButton.h"
#include "win/Reflect.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

namespace {

constexpr int kButtonId = 1006;
constexpr int kWidth = 75;
constexpr int kHeight = 23;

COLORREF ShadeRgb(int shade, bool hot, bool highlighted) {
    ShadeColour c = ButtonShade(shade, hot, highlighted);
    return RGB(c.red, c.green, c.blue);
}

// A dialog-class window holding one push button, and a 24-bit canvas the button is asked
// to draw on exactly as its dialog would ask it.
class HoverButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_ = ::CreateWindowExA(0, "#32770", "test", WS_POPUP, 100, 100, 200, 100, nullptr, nullptr,
                                    nullptr, nullptr);
        ASSERT_NE(nullptr, dialog_);
        ::SendMessageA(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), 0);
        button_ = ::CreateWindowExA(0, "BUTTON", "&Switch", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, kWidth,
                                    kHeight, dialog_, reinterpret_cast<HMENU>(kButtonId), nullptr, nullptr);
        ASSERT_NE(nullptr, button_);
        ASSERT_TRUE(hover_.Attach(button_));

        canvas_.Reset(::CreateCompatibleDC(nullptr));
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_.Reset(::CreateDIBSection(canvas_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        ASSERT_TRUE(bitmap_);
        ::SelectObject(canvas_.Get(), bitmap_.Get());
        edgeX_ = ::GetSystemMetrics(SM_CXEDGE);
        edgeY_ = ::GetSystemMetrics(SM_CYEDGE);
    }
    void TearDown() override {
        if (dialog_) ::DestroyWindow(dialog_);
    }

    LRESULT Draw(UINT state) {
        RECT whole{0, 0, kWidth, kHeight};
        ::FillRect(canvas_.Get(), &whole, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
        DRAWITEMSTRUCT item{ODT_BUTTON, kButtonId, 0, ODA_DRAWENTIRE, state, button_, canvas_.Get(), whole, 0};
        return ::SendMessageA(button_, kOcmBase + WM_DRAWITEM, kButtonId, reinterpret_cast<LPARAM>(&item));
    }
    COLORREF Pixel(int x, int y) { return ::GetPixel(canvas_.Get(), x, y); }
    int Left() const { return edgeX_; }
    int Right() const { return kWidth - edgeX_; }
    int Top() const { return edgeY_; }
    int Bottom() const { return kHeight - edgeY_; }

    // The box around the caption's pixels darker than the face (none: an empty box).
    RECT DarkBox(int limit) {
        RECT box{kWidth, kHeight, -1, -1};
        for (int y = Top() + 2; y < Bottom() - 1; ++y)
            for (int x = Left() + 3; x < Right() - 3; ++x) {
                COLORREF c = Pixel(x, y);
                if (GetRValue(c) < limit && GetGValue(c) < limit && GetBValue(c) < limit) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x);
                    box.bottom = std::max<LONG>(box.bottom, y);
                }
            }
        return box;
    }

    HWND dialog_ = nullptr;
    HWND button_ = nullptr;
    HoverButton hover_;
    UniqueDc canvas_;
    UniqueBitmap bitmap_;
    int edgeX_ = 2;
    int edgeY_ = 2;
};

TEST_F(HoverButtonTest, AttachingMakesTheButtonOwnerDrawnAndKeepsItsIdentity) {
    EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongA(button_, GWL_STYLE) & BS_TYPEMASK);
    EXPECT_EQ(kButtonId, ::GetDlgCtrlID(button_));
    char text[32] = "";
    ::GetWindowTextA(button_, text, sizeof text);
    EXPECT_STREQ("&Switch", text);
}

TEST_F(HoverButtonTest, PlainButtonHasOutlineAndAGradientFromFirstToLastShade) {
    EXPECT_EQ(TRUE, Draw(0));
    EXPECT_EQ(RGB(0, 0, 0), Pixel(kWidth / 2, 0));            // outline, top
    EXPECT_EQ(RGB(0, 0, 0), Pixel(0, kHeight / 2));           // outline, left
    EXPECT_EQ(ShadeRgb(0, false, false), Pixel(Left() + 1, Top()));
    EXPECT_EQ(ShadeRgb(63, false, false), Pixel(Left() + 1, Bottom()));
    EXPECT_NE(Pixel(Left() + 1, Top()), Pixel(Left() + 1, Bottom()));
    EXPECT_FALSE(hover_.IsHot());
    EXPECT_FALSE(hover_.IsFocused());
    EXPECT_FALSE(hover_.IsHighlighted());
}

TEST_F(HoverButtonTest, HoverShowsTheWarmFrameAndLeavingTakesItAway) {
    ::SendMessageA(button_, WM_MOUSEHOVER, 0, 0);
    EXPECT_TRUE(hover_.IsHot());
    Draw(0);
    const int middle = kHeight / 2;
    EXPECT_EQ(RGB(250, 196, 88), Pixel(Left(), middle));
    EXPECT_EQ(RGB(251, 202, 106), Pixel(Right() - 1, middle));
    EXPECT_EQ(RGB(229, 151, 0), Pixel(Left() + 5, Bottom()));
    EXPECT_EQ(ShadeRgb(ShadeForRow(middle + 2, Top(), Bottom() - Top()), true, false),
              Pixel(Left() + 3, middle + 2));

    ::SendMessageA(button_, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(hover_.IsHot());
    Draw(0);
    EXPECT_NE(RGB(250, 196, 88), Pixel(Left(), middle));
}

TEST_F(HoverButtonTest, FocusShowsTheBlueFrameAndMakesTheButtonTheDefault) {
    ASSERT_NE(kButtonId, LOWORD(::SendMessageA(dialog_, DM_GETDEFID, 0, 0)));
    Draw(ODS_FOCUS);
    EXPECT_TRUE(hover_.IsFocused());
    EXPECT_TRUE(hover_.IsHighlighted());
    EXPECT_EQ(RGB(153, 198, 252), Pixel(Left(), kHeight / 2));
    EXPECT_EQ(RGB(162, 189, 252), Pixel(Right() - 1, kHeight / 2));
    // A highlighted face turns its blue differently from a plain one.
    const int row = Bottom() - 3;
    EXPECT_EQ(ShadeRgb(ShadeForRow(row, Top(), Bottom() - Top()), false, true), Pixel(Left() + 3, row));
    const LRESULT defId = ::SendMessageA(dialog_, DM_GETDEFID, 0, 0);
    EXPECT_EQ(DC_HASDEFID, HIWORD(defId));
    EXPECT_EQ(kButtonId, LOWORD(defId));

    // The mouse resting on a focused button shows the hover frame, not the focus frame.
    ::SendMessageA(button_, WM_MOUSEHOVER, 0, 0);
    Draw(ODS_FOCUS);
    EXPECT_EQ(RGB(250, 196, 88), Pixel(Left(), kHeight / 2));

    // Losing the focus clears it; being pressed still highlights.
    ::SendMessageA(button_, WM_MOUSELEAVE, 0, 0);
    Draw(ODS_SELECTED);
    EXPECT_FALSE(hover_.IsFocused());
    EXPECT_TRUE(hover_.IsHighlighted());
    Draw(0);
    EXPECT_FALSE(hover_.IsHighlighted());
}

TEST_F(HoverButtonTest, CaptionIsCentredMovesWhenPressedAndIsEmbossedWhenDisabled) {
    Draw(0);
    const RECT normal = DarkBox(64);
    ASSERT_LT(normal.left, normal.right) << "caption drawn in black";
    // Centred by advance width, so the ink may sit a pixel or two off the exact middle.
    const int slack = 3;
    EXPECT_NEAR((Left() + Right()) / 2, (normal.left + normal.right) / 2, slack);
    EXPECT_NEAR((Top() + Bottom()) / 2, (normal.top + normal.bottom) / 2, slack);

    Draw(ODS_SELECTED);
    const RECT pressed = DarkBox(64);
    EXPECT_EQ(normal.left + 1, pressed.left);
    EXPECT_EQ(normal.top + 1, pressed.top);

    Draw(ODS_DISABLED);
    const RECT disabled = DarkBox(64);
    EXPECT_GT(disabled.left, disabled.right) << "no black text on a disabled button";
    const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
    bool sawShadow = false;
    for (int y = Top(); y < Bottom() && !sawShadow; ++y)
        for (int x = Left(); x < Right() && !sawShadow; ++x) sawShadow = Pixel(x, y) == shadow;
    EXPECT_TRUE(sawShadow) << "disabled text drawn in the shadow colour";
}

TEST_F(HoverButtonTest, AButtonWithNoFaceHeightDrawsOnlyItsOutline) {
    ::SetWindowPos(button_, nullptr, 0, 0, kWidth, 2 * edgeY_, SWP_NOMOVE | SWP_NOZORDER);
    RECT whole{0, 0, kWidth, kHeight};
    ::FillRect(canvas_.Get(), &whole, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
    RECT flat{0, 0, kWidth, 2 * edgeY_};
    // As for a real button, the request's clip box is the button: nothing outside is touched.
    ::IntersectClipRect(canvas_.Get(), flat.left, flat.top, flat.right, flat.bottom);
    DRAWITEMSTRUCT item{ODT_BUTTON, kButtonId, 0, ODA_DRAWENTIRE, 0, button_, canvas_.Get(), flat, 0};
    EXPECT_EQ(TRUE, ::SendMessageA(button_, kOcmBase + WM_DRAWITEM, kButtonId, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(RGB(0, 0, 0), Pixel(kWidth / 2, 0));
    EXPECT_EQ(RGB(255, 255, 255), Pixel(4, 1));  // the outline's plain fill, left of the caption
    ::SelectClipRgn(canvas_.Get(), nullptr);
    EXPECT_EQ(RGB(128, 128, 128), Pixel(kWidth / 2, kHeight - 1));
}

}  // namespace
