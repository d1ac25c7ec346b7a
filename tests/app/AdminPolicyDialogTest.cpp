// The main dialog and the tray in this process under Hushbar's own policy, planted in the
// prefix's policy keys (the user's and the machine's) and removed at the end of each test.
#include "app/Commands.h"
#include "tests/app/MainDialogFixture.h"
#include "res/resource.h"
#include "settings/AdminPolicy.h"

#include <commctrl.h>

namespace {

constexpr char kPolicies[] = "Software\\Policies\\Corvane";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class AdminPolicyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keep_.Saved() && userPolicy_->Saved() && machinePolicy_->Saved());
        userPolicy_->Remove();
        machinePolicy_->Remove();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
        listPath_ = ProgramDirectory() + "objects.dll";
        std::ofstream(listPath_, std::ios::binary) << "Header\r\n1,Flash Player," << kFlash << ",\r\n";
    }
    void TearDown() override {
        dialog_.reset();
        userPolicy_.reset();
        machinePolicy_.reset();
        ::DeleteFileA(listPath_.c_str());
    }
    void Open() {
        dialog_ = std::make_unique<MainDialog>();
        ASSERT_TRUE(dialog_->Create(::GetModuleHandleA(nullptr)));
        dialog_->TakeCommands();
        dialog_->FinishFirstApply();  // as the first command after start-up would
    }
    void Send(UINT id) { ::SendMessageA(dialog_->Hwnd(), WM_COMMAND, id, 0); }
    void PolicyChanged() {
        ::SendMessageA(dialog_->Hwnd(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Policy"));
    }
    bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(dialog_->Hwnd(), id)) != FALSE; }
    bool MenuEnabled(UINT id) const { return !(::GetMenuState(dialog_->Tray().Menu(), id, MF_BYCOMMAND) & MF_GRAYED); }
    // The tip over a control's place: the one a disabled control shows.
    std::string DisabledTip(int id) const {
        char text[256] = "";
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = dialog_->Hwnd();
        tool.uId = static_cast<UINT_PTR>(id);
        tool.lpszText = text;
        HWND tips = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr);
        for (; tips; tips = ::FindWindowExA(nullptr, tips, TOOLTIPS_CLASSA, nullptr))
            if (::GetWindow(tips, GW_OWNER) == dialog_->Hwnd()) break;
        ::SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        return text;
    }

    UserKeysBackup keep_;
    std::unique_ptr<KeyBackup> userPolicy_ = std::make_unique<KeyBackup>(HKEY_CURRENT_USER, kPolicies);
    std::unique_ptr<KeyBackup> machinePolicy_ =
        std::make_unique<KeyBackup>(HKEY_LOCAL_MACHINE, kPolicies, KEY_WOW64_64KEY);
    std::string listPath_;
    std::unique_ptr<MainDialog> dialog_;
};

TEST_F(AdminPolicyDialog, BlockingSetByPolicyIgnoresEverySwitchSaysSoAndGivesTheUsersChoiceBackWhenLifted) {
    Put(HKEY_CURRENT_USER, kProduct, "Current State", "yes");  // the user had switched off
    Put(HKEY_LOCAL_MACHINE, kAdminPolicyKey, "Blocking", DWORD{1}, KEY_WOW64_64KEY);
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "Blocking", DWORD{0});  // the machine's wins
    Open();
    ASSERT_TRUE(KillBitPresent());
    EXPECT_STREQ("Hushbar : ON - Set by your administrator", dialog_->Tray().Tip());
    EXPECT_FALSE(Enabled(IDC_SWITCH));
    EXPECT_EQ(kSetByAdministrator, DisabledTip(IDC_SWITCH));
    EXPECT_FALSE(MenuEnabled(IDC_SWITCH));
    EXPECT_NE(std::string::npos, ItemText(dialog_->Tray().Menu(), IDC_SWITCH).find("Set by your administrator"));

    Send(IDC_SWITCH);
    ::SendMessageA(dialog_->Hwnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN);
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_TRUE(KillBitPresent());
    EXPECT_EQ("yes", ReadString(kProduct, "Current State")) << "the user's own choice stays stored";

    // A command line cannot switch either, and says why.
    CommandLine off;
    off.command = Command::Off;
    EXPECT_EQ(kExitSetByPolicy, RunCommand(off));
    EXPECT_TRUE(KillBitPresent());

    machinePolicy_->Remove();
    PolicyChanged();
    // The user's policy forces off now.
    EXPECT_FALSE(KillBitPresent());
    EXPECT_STREQ("Hushbar (Disabled) - Set by your administrator", dialog_->Tray().Tip());
    userPolicy_->Remove();
    PolicyChanged();
    EXPECT_FALSE(KillBitPresent()) << "off, as the user had it";
    EXPECT_STREQ("Hushbar (Disabled)", dialog_->Tray().Tip());
    EXPECT_TRUE(Enabled(IDC_SWITCH));
    EXPECT_TRUE(MenuEnabled(IDC_SWITCH));
    EXPECT_EQ("", DisabledTip(IDC_SWITCH));
    ::SendMessageA(dialog_->Hwnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN);
    EXPECT_TRUE(KillBitPresent());
}

TEST_F(AdminPolicyDialog, SelectionUpdateAndStartupSetByPolicyAreShownAsInForceAndCannotBeChanged) {
    Put(HKEY_CURRENT_USER, kProduct, "Start When Windows Starts", "yes");
    Put(HKEY_CURRENT_USER, kAdminSelectionKey, kFlash, "no");
    Put(HKEY_CURRENT_USER, kAdminSelectionKey, "Scripting", DWORD{1});
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "AllowUpdate", DWORD{0});
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "StartWithWindows", DWORD{0});
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "UpdateUrl", DWORD{7});  // of the wrong type: ignored
    Open();
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);

    EXPECT_FALSE(KillBitPresent()) << "the policy's 'no' wins over the list's default";
    const BlockTree& tree = dialog_->Tree();
    ASSERT_TRUE(tree.Shows(dialog_->Selection()));
    const BlockItem& flash = dialog_->Selection().Items()[0];
    EXPECT_FALSE(tree.IsChecked(flash));
    EXPECT_FALSE(tree.Tree().ItemOf(flash.treeItem)->IsEnabled());
    EXPECT_EQ(1u, tree.ScriptingIndex());
    EXPECT_FALSE(tree.Tree().ItemOf(tree.ScriptingNode())->IsEnabled());
    EXPECT_TRUE(tree.Tree().ItemOf(tree.VideosNode())->IsEnabled());
    EXPECT_FALSE(MenuEnabled(ID_BLOCK_FLASH));
    EXPECT_FALSE(MenuEnabled(ID_PROMPT_SCRIPT));
    EXPECT_FALSE(Enabled(IDC_UPDATE));
    EXPECT_EQ("Set by your administrator: Update is turned off", DisabledTip(IDC_UPDATE));
    EXPECT_TRUE(dialog_->Policy().updateUrl.empty());
    EXPECT_FALSE(Enabled(IDC_START_WITH_WINDOWS));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(dialog_->Hwnd(), IDC_START_WITH_WINDOWS));
    EXPECT_EQ("<missing>", ReadString(kRun, "Hushbar"));

    // The tray's commands change nothing the policy sets; OK saves the user's own choices.
    Send(ID_BLOCK_FLASH);
    Send(ID_PROMPT_SCRIPT);
    Send(IDOK);
    EXPECT_FALSE(KillBitPresent());
    EXPECT_EQ("yes", ReadString(kSelection, kFlash));
    EXPECT_EQ(0, ReadDword(kSelection, "Scripting"));
    EXPECT_EQ("yes", ReadString(kProduct, "Start When Windows Starts"));

    userPolicy_->Remove();
    PolicyChanged();
    EXPECT_TRUE(KillBitPresent());
    EXPECT_TRUE(Enabled(IDC_UPDATE));
    EXPECT_TRUE(Enabled(IDC_START_WITH_WINDOWS));
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dialog_->Hwnd(), IDC_START_WITH_WINDOWS));
    EXPECT_NE("<missing>", ReadString(kRun, "Hushbar"));
}

}  // namespace
