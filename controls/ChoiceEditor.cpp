#include "controls/ChoiceEditor.h"

#include "controls/OptionTreeMessages.h"
#include "win/Dpi.h"
#include "win/GdiScope.h"
#include <algorithm>

namespace {
constexpr int kButtonId = 1;
constexpr int kTextMargin = 2;  // pixels at 96 DPI

bool AltDown(LPARAM keyData) { return (keyData & (static_cast<LPARAM>(KF_ALTDOWN) << 16)) != 0; }
}  // namespace

ChoiceKey ChoiceKeyAction(bool listOpen, UINT key, bool alt) {
    if (!listOpen) return (key == VK_F4 && !alt) || (key == VK_DOWN && alt) ? ChoiceKey::Open : ChoiceKey::None;
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        return alt ? ChoiceKey::Take : ChoiceKey::Move;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
        return alt ? ChoiceKey::None : ChoiceKey::Move;
    case VK_RETURN:
    case VK_TAB:
    case VK_F4:
        return ChoiceKey::Take;
    case VK_ESCAPE:
        return ChoiceKey::Cancel;
    default:
        return ChoiceKey::None;
    }
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
    ::SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   MAKELONG(ScaleToDpi(kTextMargin, WindowDpi(tree_)), height));

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
    case kOteKey:
        return OnKey(static_cast<UINT>(wParam), lParam != 0) ? TRUE : FALSE;
    case kOteIsOpen:
        return IsOpen() ? TRUE : FALSE;
    case kOteCloseUp:
        CloseUpUnlessOurs(reinterpret_cast<HWND>(wParam));
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
        // Escape belongs to the editor, not to the dialog's Cancel; while the list is open
        // so does every key (Enter must not press the dialog's default button).
        LRESULT code = button_.Default(message, wParam, lParam);
        if (IsOpen()) return code | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE;
        const MSG* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_ESCAPE) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KILLFOCUS:
        CloseUpUnlessOurs(reinterpret_cast<HWND>(wParam));
        break;
    case WM_SYSKEYDOWN:
        if (OnKey(static_cast<UINT>(wParam), AltDown(lParam))) return 0;
        break;
    case WM_KEYDOWN:
        // A click on the arrow leaves the focus here: the list's keys work from here too.
        if (OnKey(static_cast<UINT>(wParam), false)) return 0;
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
    case WM_SYSKEYDOWN:
        switch (ChoiceKeyAction(true, static_cast<UINT>(wParam), message == WM_SYSKEYDOWN && AltDown(lParam))) {
        case ChoiceKey::Take:
            TakeListChoice();
            return 0;
        case ChoiceKey::Cancel:
            CancelListChoice();
            return 0;
        default:
            break;  // the list moves its own mark
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
        listHeight_ = std::min(total, ScaleToDpi(kMaximumListHeight, WindowDpi(tree_)));
    }
    // The list opens on the option shown, whatever was marked when it last closed.
    const int length = ::GetWindowTextLengthA(edit_.Hwnd());
    std::string shown(static_cast<size_t>(length) + 1, '\0');
    ::GetWindowTextA(edit_.Hwnd(), shown.data(), length + 1);
    shown.resize(static_cast<size_t>(length));
    LRESULT index = ::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(shown.c_str()));
    if (index != LB_ERR) ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    RECT editor{};
    ::GetWindowRect(edit_.Hwnd(), &editor);
    ::SetWindowPos(list, HWND_TOPMOST, editor.left, editor.bottom, editor.right - editor.left, listHeight_,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool ChoiceEditor::IsOpen() const { return list_.Hwnd() && ::IsWindowVisible(list_.Hwnd()); }

bool ChoiceEditor::OnKey(UINT key, bool alt) {
    const bool open = IsOpen();
    switch (ChoiceKeyAction(open, key, alt)) {
    case ChoiceKey::Open:
        DropDown();
        return true;
    case ChoiceKey::Move:
        ::SendMessageA(list_.Hwnd(), WM_KEYDOWN, key, 0);
        return true;
    case ChoiceKey::Take:
        TakeListChoice();
        return true;
    case ChoiceKey::Cancel:
        CancelListChoice();
        return true;
    case ChoiceKey::None:
        break;
    }
    // While the list is open no other key may reach the tree, which would move its selection
    // (and close the editor) under the open list.
    return open;
}

void ChoiceEditor::CloseUpUnlessOurs(HWND focus) const {
    if (!IsOpen()) return;
    if (focus && (focus == list_.Hwnd() || focus == button_.Hwnd() || focus == edit_.Hwnd() || focus == tree_))
        return;
    HideList();
}

void ChoiceEditor::CancelListChoice() {
    ::SendMessageA(tree_, kOtmEditorCancel, reinterpret_cast<WPARAM>(edit_.Hwnd()), 0);
    ReturnFocusToTree();
    HideList();
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
    HideList();
}

void ChoiceEditor::HideList() const {
    // Only once the tree has acted and holds the focus: hiding the list while it has the
    // focus moves the focus, and the tree would make a fresh editor before this one spoke.
    // The list is a popup, not a child: the editor's closing would leave it on show until
    // the posted close arrives.
    if (list_.Hwnd() && ::IsWindowVisible(list_.Hwnd())) ::ShowWindow(list_.Hwnd(), SW_HIDE);
}

void ChoiceEditor::ReturnFocusToTree() const {
    if (::IsWindow(tree_)) ::SetFocus(tree_);
}
