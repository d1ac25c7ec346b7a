#include "app/MainDialogFixture.h"
#include "res/resource.h"
#include "support/ThreadWindows.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

// The dialog shown and in front, its messages going through the dialog manager as in the
// program's own loop: keys are posted to the focus and then pumped.
class KeyboardTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        if (HasFatalFailure()) return;
        tree_ = ::GetDlgItem(dialog_->Hwnd(), IDC_BLOCK_TREE);
        ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
        ::SetForegroundWindow(dialog_->Hwnd());
        Pump();
    }
    void TearDown() override {
        SetAlt(false);
        MainDialogTest::TearDown();
    }

    void Pump() {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog_->PreTranslateMessage(message)) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    // The thread's keyboard state, which the controls and TranslateMessage read.
    static void SetAlt(bool down) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_MENU] = down ? 0x80 : 0;
        keys[VK_LMENU] = keys[VK_MENU];
        ::SetKeyboardState(keys);
    }
    void Press(WPARAM key, bool alt = false) {
        HWND focus = ::GetFocus();
        ASSERT_TRUE(focus);
        const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
        const LPARAM altBit = alt ? (static_cast<LPARAM>(KF_ALTDOWN) << 16) : 0;
        if (alt) SetAlt(true);
        ::PostMessageA(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | scan | altBit);
        Pump();
        ::PostMessageA(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, static_cast<LPARAM>(0xC0000001) | scan | altBit);
        Pump();
        if (alt) SetAlt(false);
        Pump();
    }
    // Through the system's input queue, as typed: the hot-key control reads the state of
    // the modifier keys, which only real input sets.
    void Type(WORD modifier, WORD key) {
        INPUT inputs[4] = {};
        const WORD keys[4] = {modifier, key, key, modifier};
        for (int i = 0; i < 4; ++i) {
            inputs[i].type = INPUT_KEYBOARD;
            inputs[i].ki.wVk = keys[i];
            inputs[i].ki.wScan = static_cast<WORD>(::MapVirtualKeyA(keys[i], MAPVK_VK_TO_VSC));
            inputs[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
        }
        ASSERT_EQ(4u, ::SendInput(4, inputs, sizeof(INPUT)));
        for (int i = 0; i < 10; ++i) {
            Pump();
            ::Sleep(10);
        }
    }
    HTREEITEM Selected() const {
        return reinterpret_cast<HTREEITEM>(::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    }
    HTREEITEM ScriptingNode() const {
        HTREEITEM browser = reinterpret_cast<HTREEITEM>(::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(browser)));
    }
    std::string Shown() const {
        char text[64] = "";
        ::GetWindowTextA(EditorWindow(), text, sizeof text);
        return text;
    }
    HWND EditorWindow() const {
        HWND editor = ::FindWindowExA(tree_, nullptr, "Edit", nullptr);
        while (editor && !::IsWindowVisible(editor)) editor = ::FindWindowExA(tree_, editor, "Edit", nullptr);
        return editor;
    }
    LRESULT Marked() const { return ::SendMessageA(VisibleListOfThread(), LB_GETCURSEL, 0, 0); }

    HWND tree_ = nullptr;
};

TEST_F(KeyboardTest, TheScriptingChoiceIsMadeByComboBoxKeysAndAppliedAtTheNextOk) {
    ::SendMessageA(dialog_->Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree_), TRUE);
    ::SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ScriptingNode()));
    Pump();
    const HTREEITEM scripting = ScriptingNode();
    ASSERT_EQ(scripting, Selected());
    ASSERT_TRUE(EditorWindow());
    EXPECT_EQ("Enable", Shown());

    // F4 opens the list on the value shown; Down moves in the list, not in the tree.
    Press(VK_F4);
    ASSERT_TRUE(VisibleListOfThread());
    EXPECT_EQ(0, Marked());
    EXPECT_EQ(tree_, ::GetFocus());
    Press(VK_DOWN);
    EXPECT_EQ(1, Marked());
    EXPECT_EQ(scripting, Selected());
    EXPECT_EQ("Enable", Shown()) << "nothing is taken before Enter";
    // Enter takes it, and the dialog's OK never sees it.
    Press(VK_RETURN);
    EXPECT_EQ(nullptr, VisibleListOfThread());
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ("Disable", Shown());

    // Alt+Down opens on the new value; Escape closes it choosing nothing, and does not
    // reach the dialog either.
    Press(VK_DOWN, true);
    ASSERT_TRUE(VisibleListOfThread());
    EXPECT_EQ(1, Marked());
    Press(VK_DOWN);
    Press(VK_ESCAPE);
    EXPECT_EQ(nullptr, VisibleListOfThread());
    EXPECT_EQ("Disable", Shown());
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));

    // Space opens it too; Alt+Up takes the marked option.
    Press(VK_SPACE);
    ASSERT_TRUE(VisibleListOfThread());
    Press(VK_DOWN);
    Press(VK_UP, true);
    EXPECT_EQ(nullptr, VisibleListOfThread());
    EXPECT_EQ("Prompt with Dialog", Shown());

    // Tab while the list is open takes the choice but keeps the focus in the tree; letters
    // typed under the open list do not move the tree's selection.
    Press(VK_F4);
    Press('V');
    EXPECT_EQ(scripting, Selected());
    Press(VK_UP);
    Press(VK_TAB);
    EXPECT_EQ(tree_, ::GetFocus());
    EXPECT_EQ("Disable", Shown());
    Press(VK_F4);
    Press(VK_DOWN);
    Press(VK_RETURN);
    ASSERT_EQ("Prompt with Dialog", Shown());
    EXPECT_EQ(0, ReadDword(kZone3, "1400")) << "nothing is written before the apply";

    // With the list closed Enter is the dialog's again: OK applies the choice and hides.
    Press(VK_RETURN);
    EXPECT_FALSE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ(2, ReadDword(kSelection, "Scripting"));
    EXPECT_EQ(1, ReadDword(kZone3, "1400"));
    EXPECT_EQ(1, ReadDword(kZone3, "1402"));
}

TEST_F(KeyboardTest, TheHotKeyControlKeepsAltAndALetterThatIsAlsoAMnemonic) {
    ::SendDlgItemMessageA(dialog_->Hwnd(), IDC_ACTIVATE_HOTKEY, BM_SETCHECK, BST_CHECKED, 0);
    Command(IDC_ACTIVATE_HOTKEY);  // enables the control and gives it the focus
    HWND hotkey = ::GetDlgItem(dialog_->Hwnd(), IDC_HOTKEY);
    ASSERT_EQ(hotkey, ::GetFocus());
    const UINT launchBefore = ::IsDlgButtonChecked(dialog_->Hwnd(), IDC_START_WITH_WINDOWS);
    Type(VK_MENU, 'L');
    EXPECT_EQ(MAKEWORD('L', HOTKEYF_ALT), LOWORD(::SendMessageA(hotkey, HKM_GETHOTKEY, 0, 0)));
    EXPECT_EQ(launchBefore, ::IsDlgButtonChecked(dialog_->Hwnd(), IDC_START_WITH_WINDOWS));
    EXPECT_EQ(hotkey, ::GetFocus());

    // Elsewhere the mnemonic still works.
    ::SendMessageA(dialog_->Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree_), TRUE);
    Pump();
    Type(VK_MENU, 'L');
    EXPECT_NE(launchBefore, ::IsDlgButtonChecked(dialog_->Hwnd(), IDC_START_WITH_WINDOWS));
}

// Closes the About box from inside its modal loop, by its OK button or by Escape.
bool closeByEscape = false;
bool aboutSeen = false;
void CALLBACK CloseAbout(HWND, UINT, UINT_PTR, DWORD) {
    HWND active = ::GetActiveWindow();
    char caption[32] = "";
    if (!active || !::GetWindowTextA(active, caption, sizeof caption) || std::strcmp(caption, "About") != 0) return;
    aboutSeen = true;
    if (closeByEscape)
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1 | (0x01 << 16));
    else
        ::PostMessageA(active, WM_COMMAND, IDOK, 0);
}

TEST_F(KeyboardTest, AfterTheAboutBoxTheFocusIsBackWhereItWas) {
    const auto runAbout = [this](bool escape) {
        closeByEscape = escape;
        aboutSeen = false;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &CloseAbout);
        Command(ID_APP_ABOUT);
        ::KillTimer(nullptr, timer);
        Pump();
        EXPECT_TRUE(aboutSeen);
        EXPECT_EQ(dialog_->Hwnd(), ::GetActiveWindow());
    };
    const struct {
        int control;
        bool escape;
    } cases[] = {{IDC_SWITCH, false}, {IDC_BLOCK_TREE, true}, {ID_APP_ABOUT, false}};
    for (const auto& run : cases) {
        SCOPED_TRACE(run.control);
        HWND control = ::GetDlgItem(dialog_->Hwnd(), run.control);
        ::SendMessageA(dialog_->Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        Pump();
        ASSERT_EQ(control, ::GetFocus());
        runAbout(run.escape);
        EXPECT_EQ(control, ::GetFocus());
    }

    // Opened from the tray while the dialog is hidden: the dialog itself takes the keys.
    ::ShowWindow(dialog_->Hwnd(), SW_HIDE);
    runAbout(true);
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == dialog_->Hwnd() || ::IsChild(dialog_->Hwnd(), focus));
}

TEST(MainDialogTemplate, EveryMnemonicIsTakenOnceAndSwitchHasOne) {
    INT_PTR(CALLBACK * inert)(HWND, UINT, WPARAM, LPARAM) = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
        return message == WM_INITDIALOG;
    };
    HWND raw = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, inert, 0);
    ASSERT_NE(nullptr, raw);
    std::string letters;
    for (HWND child = ::GetWindow(raw, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char text[512] = "";
        ::GetWindowTextA(child, text, sizeof text);
        for (const char* at = text; *at; ++at) {
            if (*at != '&') continue;
            if (at[1] == '&') {
                ++at;
                continue;
            }
            if (at[1]) letters += static_cast<char>(std::toupper(static_cast<unsigned char>(at[1])));
        }
    }
    char switchText[64] = "";
    ::GetDlgItemTextA(raw, IDC_SWITCH, switchText, sizeof switchText);
    ::DestroyWindow(raw);
    EXPECT_NE(nullptr, std::strchr(switchText, '&')) << switchText;
    std::string sorted = letters;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted.end(), std::adjacent_find(sorted.begin(), sorted.end())) << letters;
    EXPECT_EQ(8u, letters.size()) << letters;  // L, M, O, S, H, D, U, A
}

}  // namespace
