#include "app/DialogToolTips.h"
#include "res/resource.h"
#include "win/Dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// The main dialog's template with nothing but the tool tips hooked in, as MainDialog does.
class TipsDialog : public Dialog {
public:
    DialogToolTips tips;

protected:
    bool HandleMessage(MessageArgs& args) override {
        tips.OnMessage(Hwnd(), args);
        if (args.message == WM_INITDIALOG) {
            args.result = TRUE;
            return true;
        }
        return false;
    }
};

class DialogToolTipsTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_HOTKEY_CLASS | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&controls);
        ASSERT_NE(nullptr, dialog_.CreateModeless(::GetModuleHandleA(nullptr), IDD_MAIN, nullptr));
        ASSERT_NE(nullptr, dialog_.tips.Window());
    }
    void TearDown() override {
        if (dialog_.Hwnd()) ::DestroyWindow(dialog_.Hwnd());
    }

    TTTOOLINFOA ToolOf(HWND window) {
        TTTOOLINFOA info{};
        info.cbSize = sizeof info;
        info.hwnd = window == dialog_.Hwnd() ? window : ::GetParent(window);
        info.uId = reinterpret_cast<UINT_PTR>(window);
        return info;
    }
    bool HasTool(HWND window) {
        TTTOOLINFOA info = ToolOf(window);
        return ::SendMessageA(dialog_.tips.Window(), TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
    }
    std::string TipOf(HWND window) {
        char text[256] = "";
        TTTOOLINFOA info = ToolOf(window);
        info.lpszText = text;
        ::SendMessageA(dialog_.tips.Window(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        return text;
    }
    std::string TipOf(int controlId) { return TipOf(::GetDlgItem(dialog_.Hwnd(), controlId)); }

    TipsDialog dialog_;
};

TEST_F(DialogToolTipsTest, EveryControlHasABalloonToolWhoseTextIsItsOwnString) {
    const HWND tips = dialog_.tips.Window();
    EXPECT_EQ(DialogToolTips::kWindowStyle, ::GetWindowLongA(tips, GWL_STYLE) & DialogToolTips::kWindowStyle);

    EXPECT_EQ("Apply Effect and Minimize to System Tray", TipOf(IDOK));
    EXPECT_EQ("Checked items will be blocked.", TipOf(IDC_BLOCK_TREE));
    EXPECT_EQ("Enable or Disable Hushbar", TipOf(IDC_SWITCH));
    EXPECT_EQ("Update block list", TipOf(IDC_UPDATE));
    EXPECT_EQ("Block Multimedia ads and Spyware", TipOf(IDC_STATE_ICON));
    EXPECT_EQ("Press the hotkey to change status of Hushbar quickly.", TipOf(IDC_HOTKEY));
    EXPECT_EQ("Display program information, \nversion number and copyright", TipOf(ID_APP_ABOUT));

    // Tools whose string does not exist: present, but they show nothing.
    for (int id : {IDC_START_WITH_WINDOWS, IDC_MINIMIZE_ON_START, IDC_ACTIVATE_HOTKEY}) {
        EXPECT_TRUE(HasTool(::GetDlgItem(dialog_.Hwnd(), id))) << id;
        EXPECT_EQ("", TipOf(id)) << id;
    }
    EXPECT_TRUE(HasTool(dialog_.Hwnd()));
    EXPECT_EQ("", TipOf(dialog_.Hwnd()));

    // Each tool names its control by window, lets the tips subclass it, and loads its text
    // from the program's string table by the control's identifier.
    char text[256] = "";
    TTTOOLINFOA info = ToolOf(::GetDlgItem(dialog_.Hwnd(), IDC_SWITCH));
    info.lpszText = text;  // a resource text comes back as its identifier, not copied
    ASSERT_TRUE(::SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(DialogToolTips::kToolFlags, info.uFlags & (TTF_IDISHWND | TTF_SUBCLASS | TTF_CENTERTIP | TTF_RTLREADING));
    EXPECT_EQ(::GetModuleHandleA(nullptr), info.hinst);
    EXPECT_EQ(MAKEINTRESOURCEA(IDC_SWITCH), info.lpszText);

    // The statics without an identifier have no tool: the dialog plus its ten controls.
    EXPECT_EQ(11, ::SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0));
}

TEST_F(DialogToolTipsTest, TheStateIconTipFollowsSetTipTextAndTheWindowIsForgottenWithTheDialog) {
    dialog_.tips.SetTipText(dialog_.Hwnd(), IDC_STATE_ICON, "Hushbar (Disabled)");
    EXPECT_EQ("Hushbar (Disabled)", TipOf(IDC_STATE_ICON));
    dialog_.tips.SetTipText(dialog_.Hwnd(), IDC_STATE_ICON, "Hushbar : Blocking Multimedia Ads and Spyware");
    EXPECT_EQ("Hushbar : Blocking Multimedia Ads and Spyware", TipOf(IDC_STATE_ICON));
    EXPECT_EQ("Update block list", TipOf(IDC_UPDATE)) << "other tools keep their text";

    const HWND tips = dialog_.tips.Window();
    ::DestroyWindow(dialog_.Hwnd());
    EXPECT_EQ(nullptr, dialog_.tips.Window());
    EXPECT_FALSE(::IsWindow(tips));
    dialog_.tips.SetTipText(nullptr, IDC_STATE_ICON, "late");  // harmless once gone
    dialog_.tips.Activate();
}

}  // namespace
