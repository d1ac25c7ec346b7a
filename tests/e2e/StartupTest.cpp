#include "Registry.h"
#include "res/resource.h"
#include "tests/support/KeyBackup.h"
#include "support/HushbarProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(Startup, ExitFromTheTrayMenuEndsWithItsCommandId) {
    UserKeysBackup keep;
    ASSERT_TRUE(keep.Saved());
    ForgetHushbarSettings();
    HushbarProcess hushbar(MakeProgramFolder());
    ASSERT_TRUE(hushbar.Started());
    ASSERT_NE(nullptr, hushbar.WaitForMainWindow());
    EXPECT_TRUE(::IsWindowVisible(hushbar.MainWindow()));
    hushbar.PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar.WaitForExit());
}

TEST(Startup, ASecondCopyOnTheSameDesktopIsRefusedAndTheFirstGoesOn) {
    UserKeysBackup keep;
    ASSERT_TRUE(keep.Saved());
    ForgetHushbarSettings();
    const std::string folder = MakeProgramFolder();
    HushbarProcess first(folder);
    ASSERT_NE(nullptr, first.WaitForMainWindow());

    HushbarProcess second(folder);
    ASSERT_TRUE(second.Started());
    HWND box = second.WaitForDialog("Hushbar");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Hushbar already running. \n\nIt resides in the system tray of your desktop.",
              HushbarProcess::MessageBoxText(box));
    HushbarProcess::DismissMessageBox(box);
    EXPECT_EQ(static_cast<DWORD>(-1), second.WaitForExit());

    // The first copy still answers and ends normally.
    EXPECT_TRUE(::IsWindow(first.MainWindow()));
    first.PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, first.WaitForExit());
}

// The first apply runs behind the window: commands given meanwhile wait for it, and an Exit
// right behind them still withdraws every key it wrote. A list long enough that the apply
// is still going when they arrive; what is checked holds however the two meet.
TEST(Startup, ASwitchAndAnExitDuringTheFirstApplyLeaveNothingBehind) {
    UserKeysBackup keep;
    ASSERT_TRUE(keep.Saved());
    ForgetHushbarSettings();
    std::vector<std::string> ids;
    std::string list = "Header\r\n";
    for (int index = 0; index < 1500; ++index) {
        char id[40];
        std::snprintf(id, sizeof id, "0A0B0C0D-2222-3333-4444-%012X", index);
        ids.push_back(id);
        list += "1,Entry," + ids.back() + ",\r\n";
    }
    HushbarProcess hushbar(MakeProgramFolder(list));
    ASSERT_NE(nullptr, hushbar.WaitForMainWindowCreated());
    // Off, then on again: each waits for the apply before it, none interleaves with it.
    hushbar.PostCommand(IDC_SWITCH);
    hushbar.PostCommand(IDC_SWITCH);
    hushbar.PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar.WaitForExit(60000));

    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Current State")) << "switched on again";
    int left = 0;
    for (const std::string& id : ids) {
        const std::string tail = "\\{" + id + "}";
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            left += probe::Exists(HKEY_LOCAL_MACHINE, probe::kKillBits + tail, view) ? 1 : 0;
        left += probe::Exists(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings" + tail)
                    ? 1 : 0;
    }
    EXPECT_EQ(0, left) << "keys of the list left after Exit";
}

}  // namespace
