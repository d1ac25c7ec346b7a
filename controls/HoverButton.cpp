#include "controls/HoverButton.h"

#include "controls/ButtonShade.h"
#include "win/GdiScope.h"
#include "win/MessageTable.h"
#include "win/Reflect.h"

#include <commctrl.h>

const MessageEntry<HoverButton> HoverButton::kMessageTable[] = {
    OnMessage(WM_MOUSEMOVE, &HoverButton::OnMouseMove),
    OnMessage(WM_MOUSEHOVER, &HoverButton::OnMouseHover),
    OnMessage(WM_MOUSELEAVE, &HoverButton::OnMouseLeave),
    OnMessage(WM_SETFOCUS, &HoverButton::OnFocusChange),
    OnMessage(WM_KILLFOCUS, &HoverButton::OnFocusChange),
    OnMessage(kOcmBase + WM_DRAWITEM, &HoverButton::OnDrawItem),
};

namespace {

struct PenLook {
    int width;
    COLORREF colour;
};

// Outline, then the hover frame (left, right, top, bottom), then the focus frame.
constexpr PenLook kPenLooks[] = {
    {1, RGB(0, 0, 0)},
    {3, RGB(250, 196, 88)},  {3, RGB(251, 202, 106)}, {2, RGB(252, 210, 121)}, {2, RGB(229, 151, 0)},
    {3, RGB(153, 198, 252)}, {3, RGB(162, 189, 252)}, {2, RGB(162, 201, 255)}, {2, RGB(162, 201, 255)},
};

constexpr int kCaptionCapacity = 260;

// Every message the parent sends back to a child lies in this span; a button has nothing
// to say to the ones it does not draw on.
bool IsReflected(UINT message) { return message >= kOcmBase && message <= kOcmBase + WM_PARENTNOTIFY; }

void Line(HDC hdc, HPEN pen, int x1, int y1, int x2, int y2) {
    SelectScope select(hdc, pen);
    ::MoveToEx(hdc, x1, y1, nullptr);
    ::LineTo(hdc, x2, y2);
}

}  // namespace

HoverButton::HoverButton() {
    static_assert(sizeof kPenLooks / sizeof kPenLooks[0] == kPenCount, "one look per pen");
    for (int i = 0; i < kPenCount; ++i)
        pens_[i].Reset(::CreatePen(PS_INSIDEFRAME, kPenLooks[i].width, kPenLooks[i].colour));
}

bool HoverButton::Attach(HWND button) {
    if (!SubclassedWindow::Attach(button)) return false;
    LONG_PTR style = ::GetWindowLongPtrA(button, GWL_STYLE);
    ::SetWindowLongPtrA(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    return true;
}

LRESULT HoverButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    MessageArgs args{message, wParam, lParam};
    if (DispatchMessageTable(*this, kMessageTable, args)) return args.result;
    if (IsReflected(message)) return ::DefWindowProcA(Hwnd(), message, wParam, lParam);
    return DefaultProc(message, wParam, lParam);
}

bool HoverButton::OnMouseMove(MessageArgs& args) {
    if (!tracking_) {
        // A hover time of 1 ms lights the button as soon as the mouse comes to rest on it.
        TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, Hwnd(), 1};
        tracking_ = ::_TrackMouseEvent(&track) != FALSE;
    }
    args.result = DefaultProc(args.message, args.wParam, args.lParam);
    return true;
}

bool HoverButton::OnMouseHover(MessageArgs& args) {
    hot_ = true;
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
    args.result = 0;
    return true;
}

bool HoverButton::OnMouseLeave(MessageArgs& args) {
    hot_ = false;
    tracking_ = false;
    ::InvalidateRect(Hwnd(), nullptr, FALSE);
    args.result = 0;
    return true;
}

bool HoverButton::OnFocusChange(MessageArgs& args) {
    focused_ = args.message == WM_SETFOCUS;
    // The focused button becomes the dialog's default, so Enter presses it. Done here and
    // not while painting: the dialog repaints its buttons when the default changes.
    if (focused_) ::SendMessageA(::GetParent(Hwnd()), DM_SETDEFID, static_cast<WPARAM>(::GetDlgCtrlID(Hwnd())), 0);
    return false;  // the button's own handling goes on
}

bool HoverButton::OnDrawItem(MessageArgs& args) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(args.lParam);
    if (item && item->CtlType == ODT_BUTTON) Draw(*item);
    args.result = TRUE;
    return true;
}

void HoverButton::Draw(const DRAWITEMSTRUCT& item) {
    HDC target = item.hDC;
    RECT clip{};
    if (::GetClipBox(target, &clip) == ERROR || ::IsRectEmpty(&clip)) clip = item.rcItem;
    const int width = clip.right - clip.left;
    const int height = clip.bottom - clip.top;

    // Everything goes to a memory bitmap first and reaches the screen in one copy, so the
    // button does not flicker while the mouse moves over it.
    UniqueDc memory(::CreateCompatibleDC(target));
    UniqueBitmap bitmap(::CreateCompatibleBitmap(target, width, height));
    if (!memory || !bitmap) return;
    SelectScope selectBitmap(memory.Get(), bitmap.Get());
    ::SetWindowOrgEx(memory.Get(), clip.left, clip.top, nullptr);
    {
        UniqueBrush background(::CreateSolidBrush(::GetBkColor(target)));
        ::FillRect(memory.Get(), &clip, background.Get());
    }

    RECT rect = item.rcItem;
    {
        SelectScope pen(memory.Get(), pens_[kOutline].Get());
        SelectScope brush(memory.Get(), ::GetStockObject(WHITE_BRUSH));
        ::RoundRect(memory.Get(), rect.left, rect.top, rect.right, rect.bottom, 5, 5);
    }

    highlighted_ = focused_ || (item.itemState & (ODS_SELECTED | ODS_DEFAULT)) != 0;

    RECT face = rect;
    ::InflateRect(&face, -::GetSystemMetrics(SM_CXEDGE), -::GetSystemMetrics(SM_CYEDGE));
    DrawFace(memory.Get(), face);
    if (hot_ || focused_) DrawFrame(memory.Get(), face);
    DrawCaption(memory.Get(), face, item.itemState);

    ::BitBlt(target, clip.left, clip.top, width, height, memory.Get(), clip.left, clip.top, SRCCOPY);
}

void HoverButton::DrawFace(HDC hdc, const RECT& face) const {
    const int faceHeight = face.bottom - face.top;
    if (!FaceHasGradient(faceHeight)) return;
    // One brush per shade, not per row: a tall button repeats shades.
    int brushShade = -1;
    UniqueBrush brush;
    for (int y = face.top; y <= face.bottom; ++y) {
        const int shade = ShadeForRow(y, face.top, faceHeight);
        if (shade != brushShade) {
            const ShadeColour colour = ButtonShade(shade, hot_, highlighted_);
            brush.Reset(::CreateSolidBrush(RGB(colour.red, colour.green, colour.blue)));
            brushShade = shade;
        }
        RECT row{face.left, y, face.right, y + 1};
        ::FillRect(hdc, &row, brush.Get());
    }
}

void HoverButton::DrawFrame(HDC hdc, const RECT& face) const {
    // A button under the mouse always shows the hover frame, focused or not.
    const bool hover = hot_ || !focused_;
    const int first = hover ? kHoverLeft : kFocusLeft;
    const HPEN left = pens_[first].Get();
    const HPEN right = pens_[first + 1].Get();
    const HPEN top = pens_[first + 2].Get();
    const HPEN bottom = pens_[first + 3].Get();
    const int l = face.left, t = face.top, r = face.right, b = face.bottom;
    Line(hdc, left, l, b - 1, l, t + 1);
    Line(hdc, right, r - 1, b - 1, r - 1, t);
    Line(hdc, top, l - 1, t, r - 1, t);
    Line(hdc, bottom, l, b, r - 1, b);
}

void HoverButton::DrawCaption(HDC hdc, const RECT& face, UINT itemState) const {
    char text[kCaptionCapacity] = "";
    const int length = ::GetWindowTextA(Hwnd(), text, sizeof text);
    if (length <= 0) return;

    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(::GetParent(Hwnd()), WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    SelectScope selectFont(hdc, font);

    RECT measure{0, 0, 0, 0};
    ::DrawTextA(hdc, text, length, &measure, DT_CALCRECT | DT_SINGLELINE);  // '&' takes no room
    const int textWidth = measure.right - measure.left;
    const int textHeight = measure.bottom - measure.top;
    int x = (face.left + face.right) / 2 - textWidth / 2;
    int y = (face.top + face.bottom) / 2 - textHeight / 2;
    if (itemState & ODS_SELECTED) {
        ++x;
        ++y;
    }

    BkModeScope transparent(hdc, TRANSPARENT);
    if (itemState & ODS_DISABLED) {
        ::DrawStateA(hdc, nullptr, nullptr, reinterpret_cast<LPARAM>(text), static_cast<WPARAM>(length), x, y,
                     textWidth, textHeight, DST_PREFIXTEXT | DSS_DISABLED);
    } else {
        RECT at{x, y, x + textWidth, y + textHeight};
        ::DrawTextA(hdc, text, length, &at, DT_SINGLELINE | DT_NOCLIP);
    }
}
