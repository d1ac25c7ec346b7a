#pragma once
// HyperLink: a static text control turned into a web or mail link. It draws its label
// underlined in the browser's link colour (the visited colour once opened), shows a hand
// and a tool tip with the address over the label, takes the focus by click or Tab, and
// opens its target with the shell on a click released over the label, or on Enter/Space.
//
// Use: SetTarget/SetLabel (before or after), then Attach to the static during the
// dialog's WM_INITDIALOG. The object must outlive the control or be destroyed first.
#include "win/MessageTable.h"
#include "win/Subclass.h"
#include "win/UniqueHandle.h"

#include <string>

class HyperLink : public SubclassedWindow {
public:
    static constexpr COLORREF kDefaultLinkColour = 0xFF0000;     // blue
    static constexpr COLORREF kDefaultVisitedColour = 0x800080;  // purple
    static constexpr char kBrowserColoursKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";

    HyperLink();
    ~HyperLink() override;

    void SetTarget(const char* text);
    void SetLabel(const char* text);
    bool Attach(HWND control);
    // Opens the target with the shell (OpenWithShell); on success the link turns to the
    // visited colour. A failure (no mail program, no browser) is silent and leaves the
    // link unvisited.
    void Navigate();

    // Takes the link colours from the "Anchor Color" and "Anchor Color Visited" values of
    // a key; a missing key or value, or text that is not a colour, keeps the colour held.
    void ReadLinkColours(HKEY root, const char* keyPath);

    const std::string& Target() const noexcept { return target_; }
    const std::string& Label() const noexcept { return label_; }
    bool IsVisited() const noexcept { return visited_; }
    COLORREF LinkColour() const noexcept { return linkColour_; }
    COLORREF VisitedColour() const noexcept { return visitedColour_; }
    const RECT& LinkRect() const noexcept { return linkRect_; }
    HWND ToolTipWindow() const noexcept { return toolTip_; }
    HCURSOR Cursor() const noexcept { return cursor_.Get(); }
    HFONT LinkFont() const noexcept { return linkFont_.Get(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool OnDestroy(MessageArgs& args);
    bool OnMouseMove(MessageArgs& args);
    bool OnSetCursor(MessageArgs& args);
    bool OnLButtonDown(MessageArgs& args);
    bool OnLButtonUp(MessageArgs& args);
    bool OnChar(MessageArgs& args);
    bool OnGetDlgCode(MessageArgs& args);
    bool OnFocusChange(MessageArgs& args);
    bool OnEnable(MessageArgs& args);
    bool OnEraseBackground(MessageArgs& args);
    bool OnSetFont(MessageArgs& args);
    bool OnGetFont(MessageArgs& args);
    bool OnUpdateUiState(MessageArgs& args);
    bool OnPaint(MessageArgs& args);
    bool OnDpiChanged(MessageArgs& args);

    void MakeCursor();
    void MakeLinkFont();
    void SizeToLabel();
    void ComputeLinkRect();
    void AddTargetTool();
    void Paint(HDC hdc);
    bool IsOverLink(LPARAM point) const;
    UINT AlignmentFlags() const;
    HFONT DrawingFont() const;

    static const MessageEntry<HyperLink> kMessageTable[];

    std::string label_;
    std::string target_;
    UniqueCursor cursor_;
    UniqueFont linkFont_;          // owned: an underlined copy of the dialog's font
    HFONT normalFont_ = nullptr;   // the dialog's, not owned
    RECT linkRect_{};
    HWND toolTip_ = nullptr;
    COLORREF linkColour_ = kDefaultLinkColour;
    COLORREF visitedColour_ = kDefaultVisitedColour;
    bool paintLabel_ = true;
    bool visited_ = false;
};
