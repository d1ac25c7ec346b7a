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

std::string ReadString(const char* path, const char* name) {
    char buffer[256] = "";
    DWORD size = sizeof buffer;
    if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

long long ReadDword(const char* path, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return -1;
    return value;
}

bool KillBitPresent() {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKillBit, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return false;
    ::RegCloseKey(hkey);
    return true;
}

bool Checked(HMENU menu, UINT id) { return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

std::string ItemText(HMENU menu, UINT id) {
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
};

TEST_F(MainDialogTest, TheTrayMenuAndIconsFollowAHotKeySwitch) {
    EXPECT_EQ("&Hushbar: ON", ItemText(Menu(), IDC_SWITCH));
    EXPECT_TRUE(Checked(Menu(), IDC_SWITCH));
    EXPECT_STREQ("Hushbar : Blocking Multimedia Ads and Spyware", dialog_->Tray().Tip());

    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_EQ("&Hushbar: OFF", ItemText(Menu(), IDC_SWITCH));
    EXPECT_FALSE(Checked(Menu(), IDC_SWITCH));
    EXPECT_STREQ("Hushbar (Disabled)", dialog_->Tray().Tip());
    // The dialog's state icon shows the very icon of the tray.
    HICON shown = reinterpret_cast<HICON>(
        ::SendDlgItemMessageA(dialog_->Hwnd(), IDC_STATE_ICON, STM_GETICON, 0, 0));
    EXPECT_EQ(dialog_->Tray().Icon(), shown);
    EXPECT_EQ("yes", ReadString(kProduct, "Current State"));
}

TEST_F(MainDialogTest, QuickCommandsWhileOffOnlyRecordTheChoice) {
    EXPECT_TRUE(Checked(Menu(), ID_ENABLE_SCRIPT));
    EXPECT_TRUE(Checked(Menu(), ID_BLOCK_FLASH));
    EXPECT_TRUE(KillBitPresent());

    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);  // off: everything neutral
    Command(ID_DISABLE_SCRIPT);
    Command(ID_SHOW_FLASH);
    EXPECT_EQ(1, ReadDword(kSelection, "Scripting"));
    EXPECT_EQ("no", ReadString(kSelection, kFlash));
    EXPECT_EQ(0, ReadDword(kZone3, "1400"));  // the browser is not touched while off
    EXPECT_FALSE(KillBitPresent());
    dialog_->RefreshStateDisplay();  // as before every display of the menu
    EXPECT_TRUE(Checked(Menu(), ID_DISABLE_SCRIPT));
    EXPECT_FALSE(Checked(Menu(), ID_ENABLE_SCRIPT));
    EXPECT_TRUE(Checked(Menu(), ID_SHOW_FLASH));
    EXPECT_FALSE(Checked(Menu(), ID_BLOCK_FLASH));

    // Switching on again applies the recorded choices.
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_EQ(3, ReadDword(kZone3, "1400"));
    EXPECT_EQ(3, ReadDword(kZone3, "1402"));
    EXPECT_FALSE(KillBitPresent());

    Command(ID_PROMPT_SCRIPT);  // while on: written at once
    EXPECT_EQ(1, ReadDword(kZone3, "1400"));
    Command(ID_BLOCK_FLASH);
    EXPECT_TRUE(KillBitPresent());
}

TEST_F(MainDialogTest, OkHidesAndDropsTheTreeAndShowingRebuildsIt) {
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    HWND tree = ::GetDlgItem(dialog_->Hwnd(), IDC_BLOCK_TREE);
    EXPECT_GT(::SendMessageA(tree, TVM_GETCOUNT, 0, 0), 0);
    Command(IDOK);
    EXPECT_FALSE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ(0, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ(9, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));  // two groups, six options, one control

    // Showing an already visible dialog does nothing, not even a rebuild.
    ::SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_EQ(0, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));
}

TEST_F(MainDialogTest, EscapeDoesNotHideTheDialog) {
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    HWND focus = ::GetDlgItem(dialog_->Hwnd(), IDOK);
    ::SetFocus(focus);
    // The key as the message loop hands it over: the dialog takes it, and stays.
    MSG escape{focus, WM_KEYDOWN, VK_ESCAPE, 1 | (0x01 << 16), 0, {}};
    EXPECT_TRUE(dialog_->PreTranslateMessage(escape));
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));
}

}  // namespace
