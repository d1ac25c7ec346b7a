#include "res/resource.h"
#include "tests/support/KeyBackup.h"
#include "support/HushbarProcess.h"

#include <gtest/gtest.h>

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

}  // namespace
