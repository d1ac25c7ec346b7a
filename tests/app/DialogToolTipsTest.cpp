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
        args.result = TRUE;
        return args.message == WM_INITDIALOG;
    }
};

// The tool of a window (the dialog or one of its controls): whether it exists, its text.
struct Tool {
    bool exists;
    std::string text;
    TTTOOLINFOA info;
};

Tool ToolOf(HWND tips, HWND window) {
    Tool tool{false, "", {}};
    char buffer[256] = "";
    tool.info.cbSize = sizeof tool.info;
    tool.info.hwnd = (::GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? ::GetParent(window) : window;
    tool.info.uId = reinterpret_cast<UINT_PTR>(window);
    tool.info.lpszText = buffer;  // a resource text comes back as its identifier
    tool.exists = ::SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool.info)) != 0;
    TTTOOLINFOA query = tool.info;
    query.lpszText = buffer;
    ::SendMessageA(tips, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&query));
    tool.text = buffer;
    return tool;
}

TEST(DialogToolTips, EveryControlHasABalloonToolWhoseTextIsItsOwnString) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_HOTKEY_CLASS};
    ::InitCommonControlsEx(&controls);
    TipsDialog dialog;
    ASSERT_NE(nullptr, dialog.CreateModeless(::GetModuleHandleA(nullptr), IDD_MAIN, nullptr));
    const HWND tips = dialog.tips.Window();
    ASSERT_NE(nullptr, tips);
    auto tip = [&](int id) { return ToolOf(tips, ::GetDlgItem(dialog.Hwnd(), id)).text; };

    EXPECT_EQ("Apply Effect and Minimize to System Tray", tip(IDOK));
    EXPECT_EQ("Checked items will be blocked.", tip(IDC_BLOCK_TREE));
    EXPECT_EQ("Enable or Disable Hushbar", tip(IDC_SWITCH));
    EXPECT_EQ("Update block list", tip(IDC_UPDATE));
    EXPECT_EQ("What is really in force for every item, and what decides it", tip(IDC_DETAILS));
    EXPECT_EQ("Block Multimedia ads and Spyware", tip(IDC_STATE_ICON));
    EXPECT_EQ("Press the hotkey to change status of Hushbar quickly.", tip(IDC_HOTKEY));
    EXPECT_EQ("Display program information, \nversion number and copyright", tip(ID_APP_ABOUT));
    // Tools whose string does not exist: present, but they show nothing.
    const HWND d = dialog.Hwnd();
    for (HWND quiet : {::GetDlgItem(d, IDC_START_WITH_WINDOWS), ::GetDlgItem(d, IDC_MINIMIZE_ON_START),
                       ::GetDlgItem(d, IDC_ACTIVATE_HOTKEY), d}) {
        const Tool tool = ToolOf(tips, quiet);
        EXPECT_TRUE(tool.exists);
        EXPECT_EQ("", tool.text);
    }
    // Statics without an identifier have no tool.
    EXPECT_EQ(13, ::SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0)) << "the dialog and its twelve controls";

    // The state icon's tip follows the state.
    dialog.tips.SetTipText(dialog.Hwnd(), IDC_STATE_ICON, "Hushbar (Disabled)");
    EXPECT_EQ("Hushbar (Disabled)", tip(IDC_STATE_ICON));
    EXPECT_EQ("Update block list", tip(IDC_UPDATE));

    ::DestroyWindow(dialog.Hwnd());
    EXPECT_EQ(nullptr, dialog.tips.Window());
    EXPECT_FALSE(::IsWindow(tips));
}

}  // namespace
