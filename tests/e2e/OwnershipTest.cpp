// What Hushbar finds in the browser's keys is left as it was: kill bits that others set,
// other compatibility flags, controls the user disabled, and, without administrator rights,
// the machine-wide keys altogether.
#include "Registry.h"
#include "res/resource.h"
#include "support/HushbarProcess.h"
#include "support/ReadOnlyKey.h"
#include "tests/support/KeyBackup.h"

#include <gtest/gtest.h>

namespace {

constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
constexpr char kForeign[] = "0A0B0C0D-1111-2222-3333-0000000000F1";   // checked, kill bit set by others
constexpr char kUnchecked[] = "0A0B0C0D-1111-2222-3333-0000000000F2";  // unchecked, kill bit set by others
constexpr char kOtherBits[] = "0A0B0C0D-1111-2222-3333-0000000000F3";  // checked, other flags only
constexpr char kAddons[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

const std::string kBlockList = std::string("Header\r\n") + "1,Flash Player," + kFlash + ",\r\n" + "1,Foreign," +
                               kForeign + ",\r\n" + "0,Unchecked," + kUnchecked + ",\r\n" + "1,Other bits," +
                               kOtherBits + ",\r\n";

std::string KillBitPath(const char* id) { return std::string(probe::kKillBits) + "\\{" + id + "}"; }
std::string AddonPath(const char* id) { return std::string(kAddons) + "\\{" + id + "}"; }

long long Value(HKEY root, const std::string& path, const char* name, REGSAM view = 0) {
    return probe::Dword(root, path, name, view);
}
bool Exists(HKEY root, const std::string& path, REGSAM view = 0) { return probe::Exists(root, path, view); }
void Plant(HKEY root, const std::string& path, const char* name, DWORD value, REGSAM view = 0) {
    probe::WriteDword(root, path, name, value, view);
}

void Forget(const char* id) {
    for (REGSAM view : kViews) ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, KillBitPath(id).c_str(), view, 0);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, AddonPath(id).c_str());
}

class Ownership : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keep_.Saved());
        ForgetHushbarSettings();
        for (const char* id : {kFlash, kForeign, kUnchecked, kOtherBits}) Forget(id);
    }
    void TearDown() override {
        for (const char* id : {kFlash, kForeign, kUnchecked, kOtherBits}) Forget(id);
        ForgetHushbarSettings();
    }
    void ExpectForeignIntact(const char* when) {
        for (REGSAM view : kViews) {
            EXPECT_EQ(0x00800400, Value(HKEY_LOCAL_MACHINE, KillBitPath(kForeign), "Compatibility Flags", view)) << when;
            EXPECT_EQ(0x00800400, Value(HKEY_LOCAL_MACHINE, KillBitPath(kUnchecked), "Compatibility Flags", view))
                << when;
            EXPECT_EQ(-1, Value(HKEY_LOCAL_MACHINE, KillBitPath(kForeign), "Hushbar", view)) << when;
        }
        EXPECT_EQ(1, Value(HKEY_CURRENT_USER, AddonPath(kForeign), "Flags")) << when << ": the user's own";
    }
    void ExpectOursGone(const char* when) {
        ExpectForeignIntact(when);
        for (REGSAM view : kViews) {
            EXPECT_EQ(0x00800000, Value(HKEY_LOCAL_MACHINE, KillBitPath(kOtherBits), "Compatibility Flags", view))
                << when;
            EXPECT_EQ(-1, Value(HKEY_LOCAL_MACHINE, KillBitPath(kOtherBits), "Hushbar", view)) << when;
            EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, KillBitPath(kFlash), view)) << when;
        }
        EXPECT_FALSE(Exists(HKEY_CURRENT_USER, AddonPath(kFlash))) << when;
        EXPECT_FALSE(Exists(HKEY_CURRENT_USER, AddonPath(kOtherBits))) << when;
    }
    void ExpectOursSet(const char* when) {
        ExpectForeignIntact(when);
        for (REGSAM view : kViews) {
            EXPECT_EQ(0x00800400, Value(HKEY_LOCAL_MACHINE, KillBitPath(kOtherBits), "Compatibility Flags", view))
                << when;
            EXPECT_EQ(0x400, Value(HKEY_LOCAL_MACHINE, KillBitPath(kFlash), "Compatibility Flags", view)) << when;
        }
        EXPECT_EQ(1, Value(HKEY_CURRENT_USER, AddonPath(kFlash), "Flags")) << when;
        EXPECT_EQ(1, Value(HKEY_CURRENT_USER, AddonPath(kOtherBits), "Flags")) << when;
    }

    UserKeysBackup keep_;
};

TEST_F(Ownership, KillBitsAndFlagsThatOthersSetSurviveStartSwitchShowFlashAndExit) {
    for (REGSAM view : kViews) {
        Plant(HKEY_LOCAL_MACHINE, KillBitPath(kForeign), "Compatibility Flags", 0x00800400, view);
        Plant(HKEY_LOCAL_MACHINE, KillBitPath(kUnchecked), "Compatibility Flags", 0x00800400, view);
        Plant(HKEY_LOCAL_MACHINE, KillBitPath(kOtherBits), "Compatibility Flags", 0x00800000, view);
    }
    Plant(HKEY_CURRENT_USER, AddonPath(kForeign), "Flags", 1);

    HushbarProcess hushbar(MakeProgramFolder(kBlockList));
    ASSERT_NE(nullptr, hushbar.WaitForMainWindow());
    ExpectOursSet("start");
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hushbar.MainWindow(), IDC_STATE_NOTE)));
    ASSERT_TRUE(hushbar.SendCommand(IDC_SWITCH));
    ExpectOursGone("switch off");
    ASSERT_TRUE(hushbar.SendCommand(IDC_SWITCH));
    ExpectOursSet("switch on");
    ASSERT_TRUE(hushbar.SendCommand(ID_SHOW_FLASH));
    for (REGSAM view : kViews) EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, KillBitPath(kFlash), view));
    EXPECT_EQ(0x00800400, Value(HKEY_LOCAL_MACHINE, KillBitPath(kOtherBits), "Compatibility Flags", KEY_WOW64_64KEY));
    ExpectForeignIntact("show flash");
    hushbar.PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar.WaitForExit());
    ExpectOursGone("exit");
}

TEST_F(Ownership, WithoutAdministratorRightsControlsAreBlockedForThisUserAndTheDialogSaysSo) {
    Plant(HKEY_CURRENT_USER, AddonPath(kForeign), "Flags", 1);
    {
        ReadOnlyKey refuse64(HKEY_LOCAL_MACHINE, probe::kKillBits, KEY_WOW64_64KEY);
        ReadOnlyKey refuse32(HKEY_LOCAL_MACHINE, probe::kKillBits, KEY_WOW64_32KEY);
        ASSERT_TRUE(refuse64.Active() && refuse32.Active());

        HushbarProcess hushbar(MakeProgramFolder(kBlockList));
        ASSERT_NE(nullptr, hushbar.WaitForMainWindow());
        for (REGSAM view : kViews) EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, KillBitPath(kFlash), view));
        EXPECT_EQ(1, Value(HKEY_CURRENT_USER, AddonPath(kFlash), "Flags"));
        EXPECT_EQ(1, Value(HKEY_CURRENT_USER, AddonPath(kOtherBits), "Flags"));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(hushbar.MainWindow(), IDC_STATE_NOTE)));

        ASSERT_TRUE(hushbar.SendCommand(IDC_SWITCH));  // off: nothing is blocked, nothing to say
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hushbar.MainWindow(), IDC_STATE_NOTE)));
        ASSERT_TRUE(hushbar.SendCommand(IDC_SWITCH));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(hushbar.MainWindow(), IDC_STATE_NOTE)));

        hushbar.PostCommand(ID_APP_EXIT);
        EXPECT_EQ(57665u, hushbar.WaitForExit());
        EXPECT_FALSE(Exists(HKEY_CURRENT_USER, AddonPath(kFlash)));
        EXPECT_FALSE(Exists(HKEY_CURRENT_USER, AddonPath(kOtherBits)));
        EXPECT_EQ(1, Value(HKEY_CURRENT_USER, AddonPath(kForeign), "Flags"));
        EXPECT_EQ(-1, Value(HKEY_CURRENT_USER, AddonPath(kForeign), "Hushbar"));
    }
}

}  // namespace
