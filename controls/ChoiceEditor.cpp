#include "controls/ChoiceEditor.h"

#include "controls/OptionTreeMessages.h"
#include "win/GdiScope.h"
#include <algorithm>

namespace {
constexpr int kButtonId = 1;
}

HWND ChoiceEditor::Create(HWND tree, const RECT& area, HFONT font, const std::vector<std::string>& options,
                          int selected) {
    auto* editor = new ChoiceEditor(tree);
    if (!editor->Build(area, font, options, selected)) {
        HWND partial = editor->edit_.Hwnd();
        if (partial) {
            ::DestroyWindow(partial);  // takes the object with it
        } else {
            delete editor;
        }
        return nullptr;
    }
    return editor->edit_.Hwnd();
}

ChoiceEditor::ChoiceEditor(HWND tree)
    : tree_(tree),
      edit_(*this, &ChoiceEditor::EditProc),
      button_(*this, &ChoiceEditor::ButtonProc),
      list_(*this, &ChoiceEditor::ListProc) {}

ChoiceEditor::~ChoiceEditor() = default;

bool ChoiceEditor::Build(const RECT& area, HFONT font, const std::vector<std::string>& options, int selected) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(tree_, GWLP_HINSTANCE));
    const std::string shown =
        static_cast<size_t>(selected) < options.size() ? options[static_cast<size_t>(selected)] : std::string();
    HWND edit = ::CreateWindowExA(0, "EDIT", shown.c_str(),
                                  WS_CHILD | WS_CLIPCHILDREN | ES_READONLY | ES_AUTOHSCROLL, area.left, area.top,
                                  area.right - area.left, area.bottom - area.top, tree_, nullptr, instance, nullptr);
    if (!edit) return false;
    if (!edit_.Attach(edit)) {
        ::DestroyWindow(edit);
        return false;
    }
    ::SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    RECT client{};
    ::GetClientRect(edit, &client);
    const int height = client.bottom - client.top;
    // The text stays clear of the button, which is as wide as the box is high.
    ::SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, height));

    HWND button = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, client.right - height, -1,
                                    height, height + 1, edit, reinterpret_cast<HMENU>(kButtonId), instance, nullptr);
    if (!button || !button_.Attach(button)) return false;

    HWND list = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "LISTBOX", "",
                                  WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS |
                                      LBS_NOINTEGRALHEIGHT,
                                  0, 0, 0, 0, tree_, nullptr, instance, nullptr);
    if (!list) return false;
    if (!list_.Attach(list)) {
        ::DestroyWindow(list);
        return false;
    }
    ::SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (const std::string& option : options)
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(option.c_str()));
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    return true;
}

LRESULT ChoiceEditor::EditProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        return 0;  // a read-only face: no typing, no text selection
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_SETFOCUS:
        if (button_.Hwnd()) ::SetFocus(button_.Hwnd());
        return 0;
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw && draw->hwndItem == button_.Hwnd()) {
            DrawButton(*draw);
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == button_.Hwnd() && button_.Hwnd()) {
            if (HIWORD(wParam) == BN_CLICKED) DropDown();
            return 0;
        }
        break;
    case kDropDown:
        DropDown();
        return 0;
    case WM_DESTROY: {
        LRESULT result = edit_.Default(message, wParam, lParam);
        if (list_.Hwnd()) ::DestroyWindow(list_.Hwnd());
        // The button is destroyed after this message; it must not reach a freed hook.
        button_.Detach();
        edit_.Detach();
        delete this;
        return result;
    }
    default:
        break;
    }
    return edit_.Default(message, wParam, lParam);
}

LRESULT ChoiceEditor::ButtonProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE: {
        // Escape belongs to the editor, not to the dialog's Cancel.
        LRESULT code = button_.Default(message, wParam, lParam);
        const MSG* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_ESCAPE) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            // The text is unchanged, so committing it keeps the choice.
            ::SendMessageA(tree_, kOtmEditorCommit, reinterpret_cast<WPARAM>(edit_.Hwnd()), 0);
            return 0;
        }
        break;
    default:
        break;
    }
    return button_.Default(message, wParam, lParam);
}

LRESULT ChoiceEditor::ListProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            TakeListChoice();
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            ::SendMessageA(tree_, kOtmEditorCancel, reinterpret_cast<WPARAM>(edit_.Hwnd()), 0);
            ReturnFocusToTree();
            return 0;
        }
        break;
    case WM_LBUTTONUP: {
        LRESULT result = list_.Default(message, wParam, lParam);
        TakeListChoice();
        return result;
    }
    case WM_KILLFOCUS: {
        LRESULT result = list_.Default(message, wParam, lParam);
        ::ShowWindow(list_.Hwnd(), SW_HIDE);
        return result;
    }
    default:
        break;
    }
    return list_.Default(message, wParam, lParam);
}

void ChoiceEditor::DrawButton(const DRAWITEMSTRUCT& draw) const {
    RECT face = draw.rcItem;
    UINT state = DFCS_SCROLLCOMBOBOX;
    if (draw.itemState & ODS_SELECTED) state |= DFCS_PUSHED;
    if (draw.itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
    ::DrawFrameControl(draw.hDC, &face, DFC_SCROLL, state);
}

void ChoiceEditor::DropDown() {
    HWND list = list_.Hwnd();
    if (!list) return;
    if (listHeight_ < 0) {
        LRESULT count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
        LRESULT itemHeight = ::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
        if (count < 0) count = 0;
        if (itemHeight < 0) itemHeight = 0;
        int total = static_cast<int>(count * itemHeight) + 2 * ::GetSystemMetrics(SM_CYBORDER);
        listHeight_ = std::min(total, kMaximumListHeight);
    }
    RECT editor{};
    ::GetWindowRect(edit_.Hwnd(), &editor);
    ::SetWindowPos(list, HWND_TOPMOST, editor.left, editor.bottom, editor.right - editor.left, listHeight_,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ChoiceEditor::TakeListChoice() {
    HWND list = list_.Hwnd();
    LRESULT index = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index != LB_ERR) {
        LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length != LB_ERR) {
            std::string text(static_cast<size_t>(length) + 1, '\0');
            ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<size_t>(length));
            ::SetWindowTextA(edit_.Hwnd(), text.c_str());
            ::SendMessageA(tree_, kOtmEditorCommit, reinterpret_cast<WPARAM>(edit_.Hwnd()), 0);
        }
    }
    ReturnFocusToTree();
}

void ChoiceEditor::ReturnFocusToTree() const {
    if (::IsWindow(tree_)) ::SetFocus(tree_);
}
