#pragma once
// The in-place editor of a choice node: a borderless read-only edit box showing the chosen
// option, an owner-drawn drop-down button at its right end and a popup list of the
// options. It tells the tree about a choice with the commit and cancel messages.
//
// The editor lives exactly as long as its window: the tree closes it by hiding it and
// posting WM_CLOSE, and the object goes with the window (and the list with it).
#include "win/Subclass.h"
#include "win/Win32.h"
#include <string>
#include <vector>

// What a key does to a choice editor, the keys of a drop-down list box: F4 or Alt+Down
// opens the list; while it is open the arrow and page keys move in it, Enter, Tab, F4 and
// Alt+Up or Alt+Down take the marked option, Escape closes it choosing nothing.
enum class ChoiceKey { None, Open, Move, Take, Cancel };
ChoiceKey ChoiceKeyAction(bool listOpen, UINT key, bool alt);

class ChoiceEditor {
public:
    // Sent to the editor window: drops the list down (the Space action of the node).
    static constexpr UINT kDropDown = WM_USER + 440;
    static constexpr int kMaximumListHeight = 140;  // pixels at 96 DPI

    // Creates the (hidden) editor over `area`, in tree client coordinates. Null on failure.
    static HWND Create(HWND tree, const RECT& area, HFONT font, const std::vector<std::string>& options,
                       int selected);

    ChoiceEditor(const ChoiceEditor&) = delete;
    ChoiceEditor& operator=(const ChoiceEditor&) = delete;

private:
    using Handler = LRESULT (ChoiceEditor::*)(UINT, WPARAM, LPARAM);

    // Routes one window's messages to a member of the editor.
    class Hook : public SubclassedWindow {
    public:
        Hook(ChoiceEditor& owner, Handler handler) : owner_(owner), handler_(handler) {}
        LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) { return DefaultProc(message, wParam, lParam); }

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            return (owner_.*handler_)(message, wParam, lParam);
        }

    private:
        ChoiceEditor& owner_;
        Handler handler_;
    };

    explicit ChoiceEditor(HWND tree);
    ~ChoiceEditor();
    bool Build(const RECT& area, HFONT font, const std::vector<std::string>& options, int selected);

    LRESULT EditProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ButtonProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ListProc(UINT message, WPARAM wParam, LPARAM lParam);

    void DrawButton(const DRAWITEMSTRUCT& draw) const;
    void DropDown();
    bool IsOpen() const;
    // Acts on a key that reached the tree or the button; true when it was the editor's.
    bool OnKey(UINT key, bool alt);
    void CloseUpUnlessOurs(HWND focus) const;
    void TakeListChoice();
    void CancelListChoice();
    void HideList() const;
    void ReturnFocusToTree() const;

    HWND tree_;
    Hook edit_;
    Hook button_;
    Hook list_;
    int listHeight_ = -1;  // worked out at the first drop-down
};
