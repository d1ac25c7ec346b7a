#pragma once
// HoverButton: a dialog push button painted by the program: a rounded outline, a light
// vertical gradient, a warm frame while the mouse rests on it and a blue frame while it
// has the keyboard focus. The button keeps its dialog behaviour (command, default button,
// keyboard); only painting and hover tracking are added.
//
// The parent dialog must reflect WM_DRAWITEM to the button (kOcmBase + WM_DRAWITEM), as
// win/Dialog.h does. Attach during WM_INITDIALOG, before the dialog is shown; the object
// must live as long as the button window.
#include "win/MessageTable.h"
#include "win/Subclass.h"
#include "win/UniqueHandle.h"

class HoverButton : public SubclassedWindow {
public:
    HoverButton();

    // Subclasses an existing push button and makes it owner-drawn; id, text and position
    // stay as the template made them.
    bool Attach(HWND button);

    bool IsHot() const noexcept { return hot_; }
    bool IsFocused() const noexcept { return focused_; }
    bool IsHighlighted() const noexcept { return highlighted_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool OnMouseMove(MessageArgs& args);
    bool OnMouseHover(MessageArgs& args);
    bool OnMouseLeave(MessageArgs& args);
    bool OnFocusChange(MessageArgs& args);
    bool OnDrawItem(MessageArgs& args);

    void Draw(const DRAWITEMSTRUCT& item);
    void DrawFace(HDC hdc, const RECT& face) const;
    void DrawFrame(HDC hdc, const RECT& face) const;
    void DrawCaption(HDC hdc, const RECT& face, UINT itemState) const;

    static const MessageEntry<HoverButton> kMessageTable[];

    enum PenIndex { kOutline, kHoverLeft, kHoverRight, kHoverTop, kHoverBottom,
                    kFocusLeft, kFocusRight, kFocusTop, kFocusBottom, kPenCount };
    UniquePen pens_[kPenCount];

    bool hot_ = false;          // the mouse rests on the button
    bool tracking_ = false;     // a hover-and-leave request is active
    bool focused_ = false;      // the button has the keyboard focus
    bool highlighted_ = false;  // ... focused, pressed or the default button
};
