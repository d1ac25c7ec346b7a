#include "Registry.h"
#include "res/resource.h"
#include "support/BrowserStandIn.h"
#include "support/HushbarProcess.h"
#include "tests/support/KeyBackup.h"

#include <gtest/gtest.h>

namespace {

constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
constexpr char kOther[] = "0A0B0C0D-1111-2222-3333-444455556666";
constexpr UINT kTrayCallback = 0x81A7;

const std::string kBlockList = std::string("Header line\r\n") + "1,Flash Player," + kFlash + ",\r\n" +
                               "0,Other Player," + kOther + ", unchecked \r\n";

void ExpectBlocking() {
    EXPECT_EQ(0, probe::Dword(HKEY_CURRENT_USER, probe::kZone3, "1400"));  // scripting enabled by default
    EXPECT_EQ(0, probe::Dword(HKEY_CURRENT_USER, probe::kZone3, "1402"));
    EXPECT_EQ(0, probe::Dword(HKEY_CURRENT_USER, probe::kZone3, "1C00"));  // Java blocked
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kMain, "Display Inline Images"));  // unchecked
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos"));
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kMain, "Play_Animations"));
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kMain, "Play_Background_Sounds"));
    EXPECT_EQ(0x400, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(0x400, probe::KillBit(kFlash, KEY_WOW64_32KEY));
    EXPECT_EQ(-1, probe::KillBit(kOther, KEY_WOW64_64KEY));
}

void ExpectNeutral() {
    EXPECT_EQ(0, probe::Dword(HKEY_CURRENT_USER, probe::kZone3, "1400"));
    EXPECT_EQ(0, probe::Dword(HKEY_CURRENT_USER, probe::kZone3, "1402"));
    EXPECT_EQ(0x10000, probe::Dword(HKEY_CURRENT_USER, probe::kZone3, "1C00"));
    for (const char* name : {"Display Inline Images", "Display Inline Videos", "Play_Animations", "Play_Background_Sounds"})
        EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kMain, name)) << name;
    EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_32KEY));
}

class Switching : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keep_.Saved());
        ForgetHushbarSettings();
        // The user's own browser options, which a withdraw puts back: in a new prefix they
        // are not there at all, and a withdraw would then take Hushbar's values away.
        for (const char* name : {"Display Inline Images", "Display Inline Videos", "Play_Animations", "Play_Background_Sounds"})
            probe::WriteString(HKEY_CURRENT_USER, probe::kMain, name, "yes");
        hushbar_ = std::make_unique<HushbarProcess>(MakeProgramFolder(kBlockList));
        ASSERT_NE(nullptr, hushbar_->WaitForMainWindow());
    }
    void TearDown() override {
        if (hushbar_ && hushbar_->WaitForExit(0) == STILL_ACTIVE) {
            hushbar_->PostCommand(ID_APP_EXIT);
            hushbar_->WaitForExit();
        }
    }
    UserKeysBackup keep_;
    std::unique_ptr<HushbarProcess> hushbar_;
};

TEST_F(Switching, StartAppliesTheDefaultsAndSavesThem) {
    ExpectBlocking();
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kSelection, kFlash));
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kSelection, kOther));
    EXPECT_EQ(0, probe::Dword(HKEY_CURRENT_USER, probe::kSelection, "Scripting"));
    EXPECT_EQ(0x77, probe::Dword(HKEY_CURRENT_USER, probe::kProduct, "HotKey"));
}

TEST_F(Switching, SwitchTwiceReturnsToTheFirstStateAndTellsTheBrowserEachTime) {
    BrowserStandIn browser;
    ASSERT_TRUE(hushbar_->SendCommand(IDC_SWITCH));
    ExpectNeutral();
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));
    EXPECT_TRUE(browser.WaitFor(2, 2));  // once by the apply, once more by the switch

    ASSERT_TRUE(hushbar_->SendCommand(IDC_SWITCH));
    ExpectBlocking();
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));
    EXPECT_TRUE(browser.WaitFor(4, 4));
}

TEST_F(Switching, TrayClicksAndTheHotKeyToggleWhileHidden) {
    ASSERT_TRUE(hushbar_->SendCommand(IDOK));  // apply and hide
    EXPECT_FALSE(::IsWindowVisible(hushbar_->MainWindow()));

    hushbar_->Send(kTrayCallback, 1, WM_LBUTTONDOWN);
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));
    ExpectNeutral();

    hushbar_->Send(kTrayCallback, 2, WM_LBUTTONDOWN);  // another icon id: ignored
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));

    hushbar_->Send(WM_HOTKEY, 0, 0);
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));
    ExpectBlocking();

    // A double click arrives as a press first: one toggle, then the dialog shows.
    hushbar_->Send(kTrayCallback, 1, WM_LBUTTONDOWN);
    hushbar_->Send(kTrayCallback, 1, WM_LBUTTONDBLCLK);
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));
    EXPECT_TRUE(::IsWindowVisible(hushbar_->MainWindow()));
}

TEST_F(Switching, ExitWithdrawsEverythingAndEndsWith57665) {
    ExpectBlocking();
    hushbar_->PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar_->WaitForExit());
    ExpectNeutral();
    // The selection stays saved for the next start.
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State"));
}

TEST_F(Switching, ExitWhileHiddenStillRemovesTheKillBits) {
    ASSERT_TRUE(hushbar_->SendCommand(IDOK));  // hidden: the list is dropped
    ExpectBlocking();
    hushbar_->PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar_->WaitForExit());
    ExpectNeutral();
}

TEST(Options, StartMinimisedShowsNoWindowButApplies) {
    UserKeysBackup keep;
    ASSERT_TRUE(keep.Saved());
    ForgetHushbarSettings();
    probe::WriteString(HKEY_CURRENT_USER, probe::kProduct, "Minimize on start", "yes");
    HushbarProcess hushbar(MakeProgramFolder(kBlockList));
    ASSERT_NE(nullptr, hushbar.WaitForMainWindow());
    EXPECT_FALSE(::IsWindowVisible(hushbar.MainWindow()));
    ExpectBlocking();
    hushbar.Send(kTrayCallback, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(::IsWindowVisible(hushbar.MainWindow()));
    hushbar.PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar.WaitForExit());
}

TEST(Options, AHotKeyHeldElsewhereIsReportedOnceAndSavedAsOff) {
    UserKeysBackup keep;
    ASSERT_TRUE(keep.Saved());
    ForgetHushbarSettings();
    // Alt+F9, as the hot-key control stores it, held by this test process. One modifier
    // only: the control's flags and the registration's flags put Alt and Ctrl in opposite
    // bits, and a swap must not go unnoticed.
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_ALT, VK_F9));
    probe::WriteString(HKEY_CURRENT_USER, probe::kProduct, "ActivateHotkey", "yes");
    probe::WriteDword(HKEY_CURRENT_USER, probe::kProduct, "HotKey", HOTKEYF_ALT << 16 | VK_F9);
    const std::string folder = MakeProgramFolder(kBlockList);
    {
        HushbarProcess hushbar(folder);
        HWND box = hushbar.WaitForDialog("Hushbar");
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("Error. Unable to register the specified Hotkey. The Hotkey is probably busy: already taken by "
                  "another program. Please choose another Hotkey.",
                  HushbarProcess::MessageBoxText(box));
        // Nor did it take another combination in its place.
        EXPECT_TRUE(::RegisterHotKey(nullptr, 2, MOD_CONTROL, VK_F9));
        ::UnregisterHotKey(nullptr, 2);
        HushbarProcess::DismissMessageBox(box);
        // The dialog shows once its initialisation, the apply included, is over.
        ASSERT_NE(nullptr, hushbar.WaitForDialog(kMainWindowTitle));
        ASSERT_NE(nullptr, hushbar.WaitForMainWindow());
        EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kProduct, "ActivateHotkey"));
        EXPECT_EQ(BST_UNCHECKED, ::SendDlgItemMessageA(hushbar.MainWindow(), IDC_ACTIVATE_HOTKEY, BM_GETCHECK, 0, 0));
        hushbar.PostCommand(ID_APP_EXIT);
        EXPECT_EQ(57665u, hushbar.WaitForExit());
    }
    {
        HushbarProcess again(folder);
        ASSERT_NE(nullptr, again.WaitForMainWindow());
        EXPECT_EQ(nullptr, again.WaitForDialog("Hushbar", 500));  // no second box
        again.PostCommand(ID_APP_EXIT);
        EXPECT_EQ(57665u, again.WaitForExit());
    }
    ::UnregisterHotKey(nullptr, 1);
}

}  // namespace
