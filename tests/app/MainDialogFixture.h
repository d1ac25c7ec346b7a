#pragma once
// The main dialog inside the test process, reading a block list beside the test program,
// and what the tests read back of the registry.
#include "app/MainDialog.h"
#include "res/resource.h"
#include "tests/support/KeyBackup.h"
#include "win/ProgramDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
constexpr char kProduct[] = "Software\\Corvane\\Hushbar";
constexpr char kSelection[] = "Software\\Corvane\\Hushbar\\SWITCH";
constexpr char kZone3[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
constexpr char kKillBit[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{D27CDB6E-AE6D-11cf-96B8-444553540000}";

inline std::string ReadString(const char* path, const char* name) {
    char buffer[256] = "";
    DWORD size = sizeof buffer;
    if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

inline long long ReadDword(const char* path, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return -1;
    return value;
}

inline bool KillBitPresent() {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKillBit, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return false;
    ::RegCloseKey(hkey);
    return true;
}

inline bool Checked(HMENU menu, UINT id) { return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

inline std::string ItemText(HMENU menu, UINT id) {
    char text[64] = "";
    ::GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

// The main dialog inside the test process, reading a block list beside the test program.
class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keep_.Saved());
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
        listPath_ = ProgramDirectory() + "objects.dll";
        std::ofstream(listPath_, std::ios::binary) << "Header\r\n1,Flash Player," << kFlash << ",\r\n";
        dialog_ = std::make_unique<MainDialog>();
        ASSERT_TRUE(dialog_->Create(::GetModuleHandleA(nullptr)));
        dialog_->TakeCommands();
        // The first apply runs behind the window until its end is seen: nothing has pumped
        // messages yet, so it is still "applying" here, whatever the worker has done.
        applyingTip_ = dialog_->Tray().Tip();
        readyWhileApplying_ = ::SendMessageA(dialog_->Hwnd(), HUSHBAR_READY_QUERY, 0, 0);
        // Its end comes as a message from the worker, as in the program.
        MSG message;
        while (dialog_->Applying() && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    void TearDown() override {
        dialog_.reset();
        ::DeleteFileA(listPath_.c_str());
    }
    void Command(UINT id) { ::SendMessageA(dialog_->Hwnd(), WM_COMMAND, id, 0); }
    HMENU Menu() const { return dialog_->Tray().Menu(); }

    UserKeysBackup keep_;  // put back after the dialog is gone
    std::string listPath_;
    std::unique_ptr<MainDialog> dialog_;
    std::string applyingTip_;
    LRESULT readyWhileApplying_ = -1;
};

}  // namespace
