#include "win/TextFit.h"

#include "win/Dpi.h"
#include "win/GdiScope.h"

#include <algorithm>
#include <string>

namespace {

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

bool OverlapX(const RECT& a, const RECT& b) { return a.left < b.right && b.left < a.right; }
bool OverlapY(const RECT& a, const RECT& b) { return a.top < b.bottom && b.top < a.bottom; }

void Offset(RECT& rect, int dx, int dy) { ::OffsetRect(&rect, dx, dy); }

enum class Kind { Fixed, Text, CheckBox, PushButton, GroupBox };

Kind KindOf(HWND control) {
    char name[32] = "";
    ::GetClassNameA(control, name, sizeof name);
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    if (::lstrcmpiA(name, "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        return (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP) ? Kind::Text
                                                                                                     : Kind::Fixed;
    }
    if (::lstrcmpiA(name, "Button") != 0) return Kind::Fixed;
    switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return Kind::CheckBox;
        case BS_GROUPBOX:
            return Kind::GroupBox;
        default:
            return Kind::PushButton;
    }
}

// The text's extent in the control's font, on one line or broken into lines `width` wide.
SIZE MeasureText(HDC dc, const std::string& text, UINT extraFlags, int width) {
    RECT rect{0, 0, width, 0};
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_EXPANDTABS | extraFlags);
    return SIZE{rect.right, rect.bottom};
}

// The client size the control needs for its whole text; 0 where it is not a text control.
SIZE NeededClientSize(HWND control, Kind kind) {
    if (kind == Kind::Fixed || kind == Kind::GroupBox) return SIZE{0, 0};
    char buffer[1024] = "";
    ::GetWindowTextA(control, buffer, sizeof buffer);
    const std::string text = buffer;
    if (text.empty()) return SIZE{0, 0};
    const WindowDc dc(control);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
    const SelectScope selected(dc.Get(), font);
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc.Get(), &metrics);
    const int line = metrics.tmHeight;
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    RECT client{};
    ::GetClientRect(control, &client);
    const UINT prefix = (kind == Kind::Text && (style & SS_NOPREFIX)) ? DT_NOPREFIX : 0;

    switch (kind) {
        case Kind::Text: {
            // A static given room for two lines or more wraps its text: it keeps its width
            // and needs the height of its lines. One of a single line needs the width.
            if (client.bottom >= 2 * line && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP)
                return SIZE{client.right, MeasureText(dc.Get(), text, DT_WORDBREAK | prefix, client.right).cy};
            const SIZE one = MeasureText(dc.Get(), text, DT_SINGLELINE | prefix, 0);
            return SIZE{one.cx, line};
        }
        case Kind::CheckBox: {
            const int offset = CheckBoxTextOffset(control, dc.Get());
            if (style & BS_MULTILINE) {
                const SIZE lines = MeasureText(dc.Get(), text, DT_WORDBREAK, std::max(1L, client.right - offset));
                return SIZE{client.right, lines.cy};
            }
            const SIZE one = MeasureText(dc.Get(), text, DT_SINGLELINE, 0);
            // One pixel more for the focus rectangle drawn round the text.
            return SIZE{offset + one.cx + 1, line};
        }
        case Kind::PushButton: {
            const SIZE one = MeasureText(dc.Get(), text, DT_SINGLELINE, 0);
            const int dpi = WindowDpi(control);
            return SIZE{one.cx + 4 * SystemMetricAt(SM_CXEDGE, dpi) + metrics.tmAveCharWidth,
                        line + 4 * SystemMetricAt(SM_CYEDGE, dpi)};
        }
        default:
            return SIZE{0, 0};
    }
}

}  // namespace

FitLayout PlanTextFit(const std::vector<FitItem>& items, SIZE client, int gap) {
    const std::size_t count = items.size();
    FitLayout plan{std::vector<RECT>(count), client};
    for (std::size_t i = 0; i < count; ++i) {
        RECT& rect = plan.rects[i];
        rect = items[i].rect;
        if (items[i].container) continue;
        rect.right = rect.left + std::max(rect.right - rect.left, items[i].needed.cx);
        rect.bottom = rect.top + std::max(rect.bottom - rect.top, items[i].needed.cy);
    }
    // Moves `n` (and what it holds) by dx, dy.
    auto move = [&](std::size_t n, int dx, int dy) {
        Offset(plan.rects[n], dx, dy);
        if (!items[n].container) return;
        for (std::size_t i = 0; i < count; ++i)
            if (i != n && Inside(items[i].rect, items[n].rect)) Offset(plan.rects[i], dx, dy);
    };
    // Who lies beyond whom is read from the template; a moved or grown item pushes what lies
    // beyond it until nothing changes (each step only moves right or down, so this ends).
    for (std::size_t pass = 0; pass <= count; ++pass) {
        bool changed = false;
        for (std::size_t g = 0; g < count; ++g) {
            const RECT& was = items[g].rect;
            for (std::size_t n = 0; n < count; ++n) {
                const RECT& other = items[n].rect;
                if (n == g || Inside(was, other) || Inside(other, was)) continue;
                if (other.left >= was.right && OverlapY(was, other)) {
                    const int keep = std::min<int>(gap, other.left - was.right);
                    const int need = plan.rects[g].right + keep - plan.rects[n].left;
                    if (need > 0) move(n, need, 0), changed = true;
                }
                // Below, the template's spacing is kept: rows of a dialog read as a stack.
                if (other.top >= was.bottom && OverlapX(was, other)) {
                    const int keep = other.top - was.bottom;
                    const int need = plan.rects[g].bottom + keep - plan.rects[n].top;
                    if (need > 0) move(n, 0, need), changed = true;
                }
            }
        }
        // A group box keeps its margins round what it holds.
        for (std::size_t c = 0; c < count; ++c) {
            if (!items[c].container) continue;
            RECT& box = plan.rects[c];
            for (std::size_t i = 0; i < count; ++i) {
                if (i == c || !Inside(items[i].rect, items[c].rect)) continue;
                const LONG right = plan.rects[i].right + (items[c].rect.right - items[i].rect.right);
                const LONG bottom = plan.rects[i].bottom + (items[c].rect.bottom - items[i].rect.bottom);
                if (right > box.right) box.right = right, changed = true;
                if (bottom > box.bottom) box.bottom = bottom, changed = true;
            }
        }
        if (!changed) break;
    }
    // The dialog keeps its narrowest margin on the right and at the bottom.
    LONG marginX = client.cx, marginY = client.cy;
    for (const FitItem& item : items) {
        marginX = std::min(marginX, std::max(0L, client.cx - item.rect.right));
        marginY = std::min(marginY, std::max(0L, client.cy - item.rect.bottom));
    }
    for (const RECT& rect : plan.rects) {
        plan.client.cx = std::max(plan.client.cx, rect.right + marginX);
        plan.client.cy = std::max(plan.client.cy, rect.bottom + marginY);
    }
    return plan;
}

int CheckBoxTextOffset(HWND button, HDC dc) {
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    return SystemMetricAt(SM_CXMENUCHECK, WindowDpi(button)) + metrics.tmAveCharWidth / 2 + 2;
}

void FitDialogToText(HWND dialog) {
    std::vector<HWND> controls;
    std::vector<FitItem> items;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const Kind kind = KindOf(child);
        FitItem item;
        ::GetWindowRect(child, &item.rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&item.rect), 2);
        item.container = kind == Kind::GroupBox;
        const SIZE needed = NeededClientSize(child, kind);
        if (needed.cx > 0 || needed.cy > 0) {
            // The client size asked for, plus whatever border the control draws round it.
            RECT client{};
            ::GetClientRect(child, &client);
            item.needed.cx = needed.cx + (item.rect.right - item.rect.left) - client.right;
            item.needed.cy = needed.cy + (item.rect.bottom - item.rect.top) - client.bottom;
        }
        controls.push_back(child);
        items.push_back(item);
    }
    RECT client{};
    ::GetClientRect(dialog, &client);
    const FitLayout plan = PlanTextFit(items, SIZE{client.right, client.bottom}, ScaleToDpi(4, WindowDpi(dialog)));

    for (std::size_t i = 0; i < controls.size(); ++i) {
        const RECT& was = items[i].rect;
        const RECT& now = plan.rects[i];
        if (::EqualRect(&was, &now)) continue;
        ::SetWindowPos(controls[i], nullptr, now.left, now.top, now.right - now.left, now.bottom - now.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (plan.client.cx == client.right && plan.client.cy == client.bottom) return;
    RECT window{}, frame{};
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &frame);
    const int extraX = (window.right - window.left) - frame.right;
    const int extraY = (window.bottom - window.top) - frame.bottom;
    ::SetWindowPos(dialog, nullptr, 0, 0, plan.client.cx + extraX, plan.client.cy + extraY,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
