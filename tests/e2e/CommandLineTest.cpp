#include "Registry.h"
#include "res/resource.h"
#include "support/HushbarProcess.h"
#include "tests/support/KeyBackup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
const std::string kBlockList = std::string("Header line\r\n") + "1,Flash Player," + kFlash + ",\r\n";

class CommandLineSwitches : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keep_.Saved());
        ForgetHushbarSettings();
        // The user's own option, which a withdraw puts back (a new prefix has none).
        probe::WriteString(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos", "yes");
        folder_ = MakeProgramFolder(kBlockList);
    }
    // Runs the program with `arguments` and returns its exit code.
    DWORD Run(const std::string& arguments) {
        HushbarProcess command(folder_, arguments);
        EXPECT_TRUE(command.Started());
        const DWORD code = command.WaitForExit();
        EXPECT_EQ(nullptr, command.MainWindow());
        return code;
    }
    // Runs the program with its standard output going to a file, as from a console
    // redirected by a script, and returns what it printed.
    std::string Printed(const std::string& arguments, DWORD& code) {
        const std::string path = folder_ + "printed.txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, file);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = file;
        PROCESS_INFORMATION info{};
        std::string command = "\"" + folder_ + "hushbar.exe\" " + arguments;
        code = STILL_ACTIVE;
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder_.c_str(), &startup,
                             &info)) {
            ::WaitForSingleObject(info.hProcess, 15000);
            ::GetExitCodeProcess(info.hProcess, &code);
            ::CloseHandle(info.hThread);
            ::CloseHandle(info.hProcess);
        }
        ::CloseHandle(file);
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    UserKeysBackup keep_;
    std::string folder_;
};

TEST_F(CommandLineSwitches, OnOffAndStatusWorkAloneAndLeaveNoWindow) {
    EXPECT_EQ(0u, Run("/on"));
    EXPECT_EQ(0x400, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(0x400, probe::KillBit(kFlash, KEY_WOW64_32KEY));
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos"));
    EXPECT_EQ(0u, Run("-STATUS"));  // the prefix's user may write HKLM: nothing is partial
    // Its line, then the Details report: every target, its state and what decides it.
    DWORD code = 0;
    const std::string printed = Printed("/status", code);
    EXPECT_EQ(0u, code);
    EXPECT_EQ(0u, printed.find("Hushbar: ON\nName\tClass id\tState\tDecided by\r\nActive scripting (1400)\t-\t")) << printed;
    EXPECT_NE(std::string::npos, printed.find("\r\nFlash Player\t{" + std::string(kFlash) + "}\tblocked\tHushbar\r\n"))
        << printed;
    EXPECT_EQ(9, std::count(printed.begin(), printed.end(), '\r')) << "the titles, seven options, one control";
    EXPECT_EQ(0u, Run("/off"));
    EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos"));
    EXPECT_EQ(1u, Run("/status"));
    EXPECT_EQ(nullptr, ::FindWindowA("#32770", kMainWindowTitle));
}

TEST_F(CommandLineSwitches, ARunningCopyDoesTheSwitchItself) {
    HushbarProcess running(folder_);
    ASSERT_NE(nullptr, running.WaitForMainWindow());
    EXPECT_EQ(0u, Run("/off"));
    EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(1u, Run("/status"));
    EXPECT_EQ(0u, Run("/on"));
    EXPECT_EQ(0x400, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(STILL_ACTIVE, running.WaitForExit(0));
    running.PostCommand(ID_APP_EXIT);
    running.WaitForExit();
}

TEST_F(CommandLineSwitches, UninstallEndsTheRunningCopyAndLeavesNothing) {
    // A user without the add-on parent: Hushbar creates it, and the clean-up takes it out.
    constexpr char kAddons[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kAddons);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kAddons);
    HushbarProcess running(folder_);
    ASSERT_NE(nullptr, running.WaitForMainWindow());
    ASSERT_EQ(0x400, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(0u, Run("/uninstall"));
    EXPECT_EQ(static_cast<DWORD>(ID_APP_EXIT), running.WaitForExit(0));
    EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_32KEY));
    EXPECT_EQ(0x10000, probe::Dword(HKEY_CURRENT_USER, probe::kZone3, "1C00"));
    EXPECT_FALSE(probe::Exists(HKEY_CURRENT_USER, probe::kProduct));
    EXPECT_FALSE(probe::Exists(HKEY_CURRENT_USER, kAddons));
}

TEST_F(CommandLineSwitches, ExportWritesBothViewsAndRefusesAnUnwritablePath) {
    const std::string file = folder_ + "policy.reg";
    EXPECT_EQ(0u, Run("/export \"" + file + "\""));
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string reg = text.str();
    EXPECT_EQ(0u, reg.rfind("REGEDIT4\r\n", 0));
    EXPECT_NE(std::string::npos, reg.find(std::string("SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{") + kFlash));
    EXPECT_NE(std::string::npos, reg.find(std::string("SOFTWARE\\WOW6432Node\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{") + kFlash));
    EXPECT_NE(std::string::npos, reg.find("\"Display Inline Videos\"=\"no\""));
    EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_64KEY)) << "an export changes nothing";

    EXPECT_NE(0u, Run("/export \"" + folder_ + "missing\\policy.reg\""));
    EXPECT_NE(0u, Run("/export \"" + folder_ + "\""));  // a folder, not a file
}

TEST_F(CommandLineSwitches, AWrongLineEndsWithCode87AndChangesNothing) {
    for (const char* line : {"/bogus", "/on /off", "/export"}) {
        EXPECT_EQ(87u, Run(line)) << line;
        EXPECT_FALSE(probe::Exists(HKEY_CURRENT_USER, probe::kProduct)) << line;
        EXPECT_EQ(-1, probe::KillBit(kFlash, KEY_WOW64_64KEY)) << line;
    }
}

}  // namespace
