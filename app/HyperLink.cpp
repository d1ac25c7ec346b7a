#include "app/HyperLink.h"

#include "app/AnchorColour.h"
#include "app/HandCursor.h"
#include "settings/RegKey.h"
#include "win/Dpi.h"
#include "win/GdiScope.h"
#include "win/ShellOpen.h"
#include "win/ToolTipRelay.h"

#include <commctrl.h>

#include <algorithm>

const MessageEntry<HyperLink> HyperLink::kMessageTable[] = {
    OnMessage(WM_DESTROY, &HyperLink::OnDestroy),
    OnMessage(WM_MOUSEMOVE, &HyperLink::OnMouseMove),
    OnMessage(WM_SETCURSOR, &HyperLink::OnSetCursor),
    OnMessage(WM_LBUTTONDOWN, &HyperLink::OnLButtonDown),
    OnMessage(WM_LBUTTONUP, &HyperLink::OnLButtonUp),
    OnMessage(WM_CHAR, &HyperLink::OnChar),
    OnMessage(WM_GETDLGCODE, &HyperLink::OnGetDlgCode),
    OnMessage(WM_SETFOCUS, &HyperLink::OnFocusChange),
    OnMessage(WM_KILLFOCUS, &HyperLink::OnFocusChange),
    OnMessage(WM_ENABLE, &HyperLink::OnEnable),
    OnMessage(WM_ERASEBKGND, &HyperLink::OnEraseBackground),
    OnMessage(WM_SETFONT, &HyperLink::OnSetFont),
    OnMessage(WM_GETFONT, &HyperLink::OnGetFont),
    OnMessage(WM_UPDATEUISTATE, &HyperLink::OnUpdateUiState),
    OnMessage(WM_PAINT, &HyperLink::OnPaint),
    OnMessage(WM_PRINTCLIENT, &HyperLink::OnPaint),
    OnMessage(kWmDpiChangedAfterParent, &HyperLink::OnDpiChanged),
};

namespace {

constexpr UINT_PTR kTargetToolId = 1;
constexpr DWORD kColourTextBytes = 12;  // "255,255,255" and its terminator

// Statics that show a picture, a frame or a rectangle have no label to paint.
bool IsPictureStatic(LONG_PTR style) {
    const LONG_PTR type = style & SS_TYPEMASK;
    return (type >= SS_ICON && type <= SS_WHITEFRAME) || (type >= SS_OWNERDRAW && type <= SS_ETCHEDFRAME);
}

void Repaint(HWND hwnd, bool now) {
    ::InvalidateRect(hwnd, nullptr, FALSE);
    if (now) ::UpdateWindow(hwnd);
}

}  // namespace

HyperLink::HyperLink() = default;
HyperLink::~HyperLink() {
    if (toolTip_ && ::IsWindow(toolTip_)) ::DestroyWindow(toolTip_);
}

void HyperLink::SetTarget(const char* text) {
    target_ = text ? text : "";
    if (label_.empty()) ComputeLinkRect();
    if (toolTip_) AddTargetTool();
}

void HyperLink::SetLabel(const char* text) {
    label_ = text ? text : "";
    ComputeLinkRect();
    if (Hwnd()) ::SetWindowTextA(Hwnd(), label_.c_str());
}

bool HyperLink::Attach(HWND control) {
    if (!SubclassedWindow::Attach(control)) return false;

    char className[16] = "";
    ::GetClassNameA(control, className, sizeof className);
    if (::lstrcmpiA(className, "static") == 0) {
        // Without SS_NOTIFY a static lets the mouse fall through to the dialog.
        const LONG_PTR style = ::GetWindowLongPtrA(control, GWL_STYLE);
        ::SetWindowLongPtrA(control, GWL_STYLE, style | SS_NOTIFY);
        if (IsPictureStatic(style)) paintLabel_ = false;
    }

    MakeCursor();

    if (paintLabel_) {
        normalFont_ = reinterpret_cast<HFONT>(::SendMessageA(::GetParent(control), WM_GETFONT, 0, 0));
        if (!normalFont_) normalFont_ = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
        if (!linkFont_) MakeLinkFont();
    }

    toolTip_ = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, control, nullptr, ::GetModuleHandleA(nullptr), nullptr);

    if (label_.empty()) {
        const int length = ::GetWindowTextLengthA(control);
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        ::GetWindowTextA(control, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        label_ = text;
    }
    SizeToLabel();
    ComputeLinkRect();
    if (target_.empty()) target_ = label_;
    if (!target_.empty()) AddTargetTool();

    // Read access is all this needs; asking for more fails where the key is locked down.
    if (paintLabel_) ReadLinkColours(HKEY_CURRENT_USER, kBrowserColoursKey);
    return true;
}

void HyperLink::MakeCursor() {
    // The system's cursors grow with the DPI; a hand of a fixed 32 pixels would shrink
    // beside them.
    const int size = SystemMetricAt(SM_CXCURSOR, WindowDpi(Hwnd()));
    const ScaledCursorMasks masks = HandCursorMasksAt(size > 0 ? size : CursorMasks::kSize);
    cursor_.Reset(::CreateCursor(::GetModuleHandleA(nullptr), masks.hotSpotX, masks.hotSpotY, masks.size, masks.size,
                                 masks.andMask.data(), masks.xorMask.data()));
}

void HyperLink::MakeLinkFont() {
    LOGFONTA font{};
    if (!::GetObjectA(normalFont_, sizeof font, &font)) return;
    font.lfUnderline = TRUE;
    linkFont_.Reset(::CreateFontIndirectA(&font));
}

void HyperLink::SizeToLabel() {
    // The template gives the control a size in dialog units, but text does not grow in
    // step with them at every DPI: a label that no longer fits would wrap onto a line the
    // control does not show. The control grows to the label instead, within its parent.
    if (!paintLabel_ || !Hwnd()) return;
    const std::string& text = label_.empty() ? target_ : label_;
    if (text.empty()) return;
    SIZE needed{};
    {
        WindowDc dc(Hwnd());
        if (!dc.Get()) return;
        SelectScope font(dc.Get(), DrawingFont());
        RECT measured{0, 0, 0, 0};
        ::DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
        needed = SIZE{measured.right - measured.left, measured.bottom - measured.top};
    }
    RECT window{};
    ::GetWindowRect(Hwnd(), &window);
    HWND parent = ::GetParent(Hwnd());
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    const LONG frameX = (window.right - window.left) - client.right;
    const LONG frameY = (window.bottom - window.top) - client.bottom;
    LONG width = std::max<LONG>(client.right, needed.cx) + frameX;
    const LONG height = std::max<LONG>(client.bottom, needed.cy) + frameY;
    RECT room{};
    ::GetClientRect(parent, &room);
    LONG left = window.left;
    const UINT alignment = AlignmentFlags();
    const LONG grown = width - (window.right - window.left);
    if (alignment == DT_CENTER) left -= grown / 2;
    if (alignment == DT_RIGHT) left -= grown;
    left = std::max<LONG>(0, left);
    if (room.right > 0) width = std::min<LONG>(width, room.right - left);
    if (width == window.right - window.left && height == window.bottom - window.top) return;
    ::SetWindowPos(Hwnd(), nullptr, left, window.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool HyperLink::OnDpiChanged(MessageArgs& args) {
    // The dialog has its font at the new DPI by now; the underlined copy and the hand follow.
    args.result = DefaultProc(args.message, args.wParam, args.lParam);
    MakeCursor();
    if (paintLabel_) {
        if (HFONT font = reinterpret_cast<HFONT>(::SendMessageA(::GetParent(Hwnd()), WM_GETFONT, 0, 0)))
            normalFont_ = font;
        MakeLinkFont();
    }
    SizeToLabel();
    ComputeLinkRect();
    if (toolTip_) AddTargetTool();
    Repaint(Hwnd(), false);
    return true;
}

void HyperLink::ReadLinkColours(HKEY root, const char* keyPath) {
    RegKey key;
    if (key.Open(root, keyPath, RegKey::kReadAccess) != ERROR_SUCCESS) return;
    const auto read = [&key](const char* name, COLORREF& colour) {
        char text[kColourTextBytes] = "";
        DWORD size = sizeof text;
        if (key.QueryString(name, text, size) != ERROR_SUCCESS) return;
        if (auto parsed = ParseAnchorColour(std::string_view(text, size))) colour = *parsed;
    };
    read("Anchor Color", linkColour_);
    read("Anchor Color Visited", visitedColour_);
}

void HyperLink::Navigate() {
    if (target_.empty()) return;
    if (!OpenWithShell(target_.c_str())) return;
    visited_ = true;
    if (Hwnd()) Repaint(Hwnd(), true);
}

LRESULT HyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    MessageArgs args{message, wParam, lParam};
    RelayToToolTip(toolTip_, Hwnd(), args);
    if (DispatchMessageTable(*this, kMessageTable, args)) return args.result;
    return DefaultProc(message, wParam, lParam);
}

bool HyperLink::OnDestroy(MessageArgs& args) {
    if (toolTip_) ::DestroyWindow(toolTip_);
    toolTip_ = nullptr;
    args.result = DefaultProc(args.message, args.wParam, args.lParam);
    return true;
}

bool HyperLink::IsOverLink(LPARAM point) const {
    const POINT at{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    return ::PtInRect(&linkRect_, at) != FALSE;
}

bool HyperLink::OnMouseMove(MessageArgs& args) {
    if (target_.empty() || !IsOverLink(args.lParam)) return false;
    ::SetCursor(cursor_.Get());
    args.result = 0;
    return true;
}

bool HyperLink::OnSetCursor(MessageArgs& args) {
    POINT at{};
    if (target_.empty() || !::GetCursorPos(&at) || !::ScreenToClient(Hwnd(), &at)) return false;
    if (!::PtInRect(&linkRect_, at)) return false;
    // Setting it here too keeps the arrow from flashing up before the next mouse move.
    ::SetCursor(cursor_.Get());
    args.result = TRUE;
    return true;
}

bool HyperLink::OnLButtonDown(MessageArgs& args) {
    if (!IsOverLink(args.lParam)) return false;
    ::SetFocus(Hwnd());
    ::SetCapture(Hwnd());
    args.result = 0;
    return true;
}

bool HyperLink::OnLButtonUp(MessageArgs& args) {
    // Only a press that began on the link counts: releasing over it after pressing
    // elsewhere opens nothing, nor does dragging off it before letting go.
    if (::GetCapture() != Hwnd()) return false;
    ::ReleaseCapture();
    if (IsOverLink(args.lParam)) Navigate();
    args.result = 0;
    return true;
}

bool HyperLink::OnChar(MessageArgs& args) {
    if (args.wParam != VK_RETURN && args.wParam != VK_SPACE) return false;
    Navigate();
    args.result = 0;
    return true;
}

bool HyperLink::OnGetDlgCode(MessageArgs& args) {
    args.result = DLGC_WANTCHARS;
    // The dialog manager would turn Enter into a press of the default button before the
    // link ever saw the character; claiming that one key lets Enter open the link.
    const auto* message = reinterpret_cast<const MSG*>(args.lParam);
    if (message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN) args.result |= DLGC_WANTMESSAGE;
    return true;
}

bool HyperLink::OnFocusChange(MessageArgs& args) {
    if (!paintLabel_) return false;
    Repaint(Hwnd(), false);
    args.result = 0;
    return true;
}

bool HyperLink::OnEnable(MessageArgs& args) {
    Repaint(Hwnd(), true);
    args.result = 0;
    return true;
}

bool HyperLink::OnEraseBackground(MessageArgs& args) {
    args.result = 1;  // Paint fills the background itself; erasing first would flicker
    return true;
}

bool HyperLink::OnSetFont(MessageArgs& args) {
    normalFont_ = reinterpret_cast<HFONT>(args.wParam);
    if (args.lParam) Repaint(Hwnd(), true);
    args.result = 0;
    return true;
}

bool HyperLink::OnGetFont(MessageArgs& args) {
    args.result = reinterpret_cast<LRESULT>(normalFont_);
    return true;
}

bool HyperLink::OnUpdateUiState(MessageArgs& args) {
    args.result = 0;
    return true;
}

bool HyperLink::OnPaint(MessageArgs& args) {
    if (!paintLabel_) return false;
    if (args.wParam) {
        Paint(reinterpret_cast<HDC>(args.wParam));
    } else {
        PAINTSTRUCT paint{};
        HDC hdc = ::BeginPaint(Hwnd(), &paint);
        if (hdc) Paint(hdc);
        ::EndPaint(Hwnd(), &paint);
    }
    args.result = 0;
    return true;
}

UINT HyperLink::AlignmentFlags() const {
    const LONG_PTR type = ::GetWindowLongPtrA(Hwnd(), GWL_STYLE) & SS_TYPEMASK;
    if (type == SS_CENTER) return DT_CENTER;
    if (type == SS_RIGHT) return DT_RIGHT;
    return DT_LEFT;
}

HFONT HyperLink::DrawingFont() const { return linkFont_ ? linkFont_.Get() : normalFont_; }

void HyperLink::ComputeLinkRect() {
    if (!Hwnd()) return;
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    linkRect_ = client;
    if (!paintLabel_) return;

    const std::string& text = label_.empty() ? target_ : label_;
    WindowDc dc(Hwnd());
    if (!dc.Get()) return;
    SelectScope font(dc.Get(), DrawingFont());
    RECT measured = client;
    ::DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_WORDBREAK);
    const LONG width = measured.right - measured.left;
    const LONG freeWidth = (client.right - client.left) - width;
    LONG shift = 0;
    const UINT alignment = AlignmentFlags();
    if (alignment == DT_CENTER) shift = freeWidth / 2;
    if (alignment == DT_RIGHT) shift = freeWidth;
    ::OffsetRect(&measured, shift, 0);
    linkRect_ = measured;
}

void HyperLink::AddTargetTool() {
    if (!toolTip_ || !Hwnd()) return;
    ::SendMessageA(toolTip_, TTM_ACTIVATE, TRUE, 0);
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = Hwnd();
    info.uId = kTargetToolId;
    // A second target replaces the tool rather than stacking another over it.
    ::SendMessageA(toolTip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    info.rect = linkRect_;
    info.lpszText = const_cast<char*>(target_.c_str());
    ::SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void HyperLink::Paint(HDC hdc) {
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    HWND parent = ::GetParent(Hwnd());
    auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(Hwnd())));
    if (brush) ::FillRect(hdc, &client, brush);

    BkModeScope transparent(hdc, TRANSPARENT);
    COLORREF colour = linkColour_;
    if (!::IsWindowEnabled(Hwnd()))
        colour = ::GetSysColor(COLOR_GRAYTEXT);
    else if (visited_)
        colour = visitedColour_;
    TextColorScope textColour(hdc, colour);
    SelectScope font(hdc, DrawingFont());

    const std::string& text = label_.empty() ? target_ : label_;
    RECT at = linkRect_;
    ::DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &at, DT_WORDBREAK | AlignmentFlags());
    if (::GetFocus() == Hwnd()) ::DrawFocusRect(hdc, &linkRect_);
}
