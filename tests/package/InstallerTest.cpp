// The installer and uninstaller as a user runs them: silent, per user, into the prefix's
// own %LOCALAPPDATA%\Programs\Hushbar, then the installed program and what it leaves.
#include "res/ProductInfo.h"
#include "e2e/Registry.h"
#include "res/resource.h"
#include "support/HushbarProcess.h"
#include "support/KeyBackup.h"
#include "support/ZipTestFiles.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hushbar";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kAddOnFlags[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string InstallFolder() { return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Hushbar\\"; }
std::string Shortcut() { return ShellFolder(CSIDL_PROGRAMS) + "\\Hushbar.lnk"; }
std::string AllUsersFolder() { return ShellFolder(CSIDL_PROGRAM_FILES) + "\\Hushbar"; }
std::string AllUsersShortcut() { return ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Hushbar.lnk"; }
std::string ShippedFolder() { return WindowsPath(HUSHBAR_TEST_DIST) + "\\hushbar\\"; }

// Runs a program and returns its full exit status; STILL_ACTIVE on time-out.
DWORD RunAndWait(std::string command, DWORD timeoutMs = 60000) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return static_cast<DWORD>(-1);
    ::CloseHandle(info.hThread);
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    return code;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(100);
    }
    return true;
}

// -1 when the value is missing or not a REG_DWORD; -2 when it is there but of another type.
long long DwordIn(HKEY root, const std::string& path, const char* name, REGSAM view = 0) {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &hkey) != ERROR_SUCCESS) return -1;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG status = ::RegQueryValueExA(hkey, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(hkey);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return -1;
    return type == REG_DWORD ? static_cast<long long>(value) : -2;
}

bool ValueExists(HKEY root, const std::string& path, const char* name) { return DwordIn(root, path, name) != -1; }

void PutDword(HKEY root, const std::string& path, const char* name, DWORD value, REGSAM view) {
    HKEY hkey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &hkey,
                                               nullptr));
    ::RegSetValueExA(hkey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(hkey);
}

void DeleteKey(HKEY root, const std::string& path, REGSAM view) {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &hkey) == ERROR_SUCCESS) {
        ::RegDeleteTreeA(hkey, nullptr);
        ::RegCloseKey(hkey);
    }
    ::RegDeleteKeyExA(root, path.c_str(), view, 0);
}

// Every value of a key as name → type and bytes, to compare a key before and after.
std::map<std::string, std::string> Values(HKEY root, const char* path) {
    std::map<std::string, std::string> values;
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[1024];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (::RegEnumValueA(hkey, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        values[name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize);
    }
    ::RegCloseKey(hkey);
    return values;
}

std::string Uninstaller() { return InstallFolder() + "uninstall.exe"; }

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        // The setup is an x86 program: a machine that runs no 32-bit programs cannot try it.
        if (const char* can = std::getenv("HUSHBAR_CAN_RUN_32BIT"); can && std::string(can) == "0")
            GTEST_SKIP() << "this machine runs no 32-bit programs, and the setup is one";
        ASSERT_TRUE(keep_.Saved());
        ASSERT_TRUE(FileExists(WindowsPath(HUSHBAR_TEST_SETUP))) << HUSHBAR_TEST_SETUP << ": run make package";
        RemoveInstall();
        ForgetHushbarSettings();
    }
    void TearDown() override {
        RemoveInstall();
        ForgetHushbarSettings();
    }

    static void Install() {
        ASSERT_EQ(0u, RunAndWait("\"" + WindowsPath(HUSHBAR_TEST_SETUP) + "\" /S"));
        ASSERT_TRUE(FileExists(InstallFolder() + "hushbar.exe"));
    }

    // The uninstaller copies itself to the temporary folder and runs from there, so the
    // process started here ends at once; it is done when its last step, the entry, is gone.
    static bool Uninstall() {
        if (RunAndWait("\"" + Uninstaller() + "\" /S") != 0) return false;
        return WaitUntil([] { return !KeyExists(HKEY_CURRENT_USER, kUninstallKey); });
    }

    static void RemoveInstall() {
        if (FileExists(Uninstaller())) Uninstall();
        RemoveTree(InstallFolder());
        ::DeleteFileA(Shortcut().c_str());
        DeleteKey(HKEY_CURRENT_USER, kUninstallKey, 0);
        // What an all-users install left if its test failed half-way.
        RemoveTree(AllUsersFolder());
        ::DeleteFileA(AllUsersShortcut().c_str());
        for (REGSAM view : kViews) DeleteKey(HKEY_LOCAL_MACHINE, kUninstallKey, view);
    }

    // The uninstaller takes out the Run value and the settings of whoever runs it: the
    // user's own are put back when the test ends.
    UserKeysBackup keep_;
};

TEST_F(Installer, SilentPerUserInstallLaysOutTheProgramAShortcutAndItsEntry) {
    Install();
    for (const char* name :
         {"hushbar.exe", "objects.dll", "latest.xml", "policy\\hushbar.admx", "policy\\en-US\\hushbar.adml"})
        EXPECT_EQ(ReadTextFile(ShippedFolder() + name), ReadTextFile(InstallFolder() + name)) << name;
    EXPECT_TRUE(FileExists(Uninstaller()));
    EXPECT_TRUE(FileExists(Shortcut())) << Shortcut();

    const std::string folder = InstallFolder().substr(0, InstallFolder().size() - 1);
    EXPECT_EQ("Hushbar", probe::String(HKEY_CURRENT_USER, kUninstallKey, "DisplayName"));
    EXPECT_EQ(HUSHBAR_TEST_VERSION, probe::String(HKEY_CURRENT_USER, kUninstallKey, "DisplayVersion"));
    EXPECT_EQ(product::kMakerName, probe::String(HKEY_CURRENT_USER, kUninstallKey, "Publisher"));
    EXPECT_EQ(folder + "\\hushbar.exe,0", probe::String(HKEY_CURRENT_USER, kUninstallKey, "DisplayIcon"));
    EXPECT_EQ(folder, probe::String(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation"));
    EXPECT_EQ("\"" + folder + "\\uninstall.exe\"", probe::String(HKEY_CURRENT_USER, kUninstallKey, "UninstallString"));
    EXPECT_EQ("\"" + folder + "\\uninstall.exe\" /S",
              probe::String(HKEY_CURRENT_USER, kUninstallKey, "QuietUninstallString"));
    EXPECT_EQ(1, probe::Dword(HKEY_CURRENT_USER, kUninstallKey, "NoModify"));
    EXPECT_EQ(1, probe::Dword(HKEY_CURRENT_USER, kUninstallKey, "NoRepair"));
    // In KiB: at least the program itself.
    const long long size = probe::Dword(HKEY_CURRENT_USER, kUninstallKey, "EstimatedSize");
    EXPECT_GE(size * 1024, static_cast<long long>(ReadTextFile(InstallFolder() + "hushbar.exe").size()));
    // A per-user install writes nothing machine-wide.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));

    HushbarProcess hushbar(InstallFolder());
    ASSERT_NE(nullptr, hushbar.WaitForMainWindow());
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos"));
    for (REGSAM view : kViews) EXPECT_EQ(0x400, probe::KillBit(kFlash, view) & 0x400);
    hushbar.PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar.WaitForExit());
}

TEST_F(Installer, InstallingOverARunningCopyEndsItThroughExitReplacesTheFilesAndKeepsTheSettings) {
    Install();
    {
        HushbarProcess first(InstallFolder());
        ASSERT_NE(nullptr, first.WaitForMainWindow());
        first.PostCommand(ID_APP_EXIT);
        ASSERT_EQ(57665u, first.WaitForExit());
    }
    // The user's own choice, beside what the first run saved.
    probe::WriteString(HKEY_CURRENT_USER, probe::kProduct, "Start Minimized", "yes");
    const auto settings = Values(HKEY_CURRENT_USER, probe::kProduct);
    const auto selection = Values(HKEY_CURRENT_USER, probe::kSelection);
    ASSERT_FALSE(selection.empty());

    HushbarProcess running(InstallFolder());
    ASSERT_NE(nullptr, running.WaitForMainWindow());
    for (REGSAM view : kViews) ASSERT_EQ(0x400, probe::KillBit(kFlash, view) & 0x400);
    // A block list an update might have left; the installer puts the shipped one back.
    ASSERT_TRUE(WriteTextFile(InstallFolder() + "objects.dll", "enabled,name,classId,comment\r\n"));

    Install();
    EXPECT_EQ(57665u, running.WaitForExit(0)) << "the installer returned while the old copy still ran";
    // Exit withdrew the policy.
    for (REGSAM view : kViews) EXPECT_EQ(-1, probe::KillBit(kFlash, view));
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos"));
    for (const char* name : {"hushbar.exe", "objects.dll", "latest.xml"})
        EXPECT_EQ(ReadTextFile(ShippedFolder() + name), ReadTextFile(InstallFolder() + name)) << name;
    EXPECT_EQ(settings, Values(HKEY_CURRENT_USER, probe::kProduct));
    EXPECT_EQ(selection, Values(HKEY_CURRENT_USER, probe::kSelection));
}

// Under Wine the user is an administrator, as one who installs for everybody must be.
TEST_F(Installer, AllUsersInstallGoesToProgramFilesAndItsUninstallerRemovesItFromThere) {
    const std::string folder = AllUsersFolder();
    const std::string shortcut = AllUsersShortcut();
    ASSERT_EQ(0u, RunAndWait("\"" + WindowsPath(HUSHBAR_TEST_SETUP) + "\" /S /ALLUSERS"));
    EXPECT_TRUE(FileExists(folder + "\\hushbar.exe"));
    EXPECT_TRUE(FileExists(shortcut));
    EXPECT_FALSE(FileExists(Shortcut()));
    EXPECT_EQ(folder, probe::String(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));

    ASSERT_EQ(0u, RunAndWait("\"" + folder + "\\uninstall.exe\" /S"));
    EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY); }));
    EXPECT_FALSE(FolderExists(folder));
    EXPECT_FALSE(FileExists(shortcut));
}

// A copy for all users beside the user's own: each has its entry, and removing one leaves
// the other's start-up entry and the user's settings, which the other copy still uses.
TEST_F(Installer, SideBySideCopiesHaveTheirOwnEntriesAndRemovingOneLeavesTheOtherWorking) {
    Install();
    ASSERT_EQ(0u, RunAndWait("\"" + WindowsPath(HUSHBAR_TEST_SETUP) + "\" /S /ALLUSERS"));
    EXPECT_EQ("Hushbar", probe::String(HKEY_CURRENT_USER, kUninstallKey, "DisplayName"));
    EXPECT_EQ("Hushbar (all users)", probe::String(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
    const std::string perUser = "\"" + InstallFolder() + "hushbar.exe\"";
    probe::WriteString(HKEY_CURRENT_USER, kRunKey, "Hushbar", perUser.c_str());
    probe::WriteString(HKEY_CURRENT_USER, probe::kProduct, "Start Minimized", "yes");

    ASSERT_EQ(0u, RunAndWait("\"" + AllUsersFolder() + "\\uninstall.exe\" /S"));
    ASSERT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY); }));
    EXPECT_FALSE(FolderExists(AllUsersFolder()));
    EXPECT_EQ(perUser, probe::String(HKEY_CURRENT_USER, kRunKey, "Hushbar"));
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kProduct, "Start Minimized"));
    EXPECT_TRUE(FileExists(InstallFolder() + "hushbar.exe"));
    EXPECT_TRUE(FileExists(Shortcut()));

    // The last copy takes the settings, and the start-up entry that names it.
    ASSERT_TRUE(Uninstall());
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, "Hushbar"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, probe::kProduct));
}

// Takes a key away only when nothing is in it, so a user's own entries never go.
void RemoveIfEmpty(HKEY root, const char* path) {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return;
    DWORD subkeys = 1, values = 1;
    ::RegQueryInfoKeyA(hkey, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    ::RegCloseKey(hkey);
    if (subkeys == 0 && values == 0) ::RegDeleteKeyA(root, path);
}

// What the setup made only to hold Hushbar goes with it; what was there before stays.
TEST_F(Installer, UninstallRemovesTheEmptyParentsTheSetupCreatedAndNoOthers) {
    const std::string programs = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs";
    const std::string uninstallParent = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    ::RemoveDirectoryA(programs.c_str());
    RemoveIfEmpty(HKEY_CURRENT_USER, uninstallParent.c_str());
    const bool parentKeyBefore = KeyExists(HKEY_CURRENT_USER, uninstallParent);
    ASSERT_FALSE(FolderExists(programs)) << "something else lives in " << programs;
    Install();
    ASSERT_TRUE(Uninstall());
    EXPECT_FALSE(FolderExists(programs));
    EXPECT_EQ(parentKeyBefore, KeyExists(HKEY_CURRENT_USER, uninstallParent));

    // A folder of the user's choice: the one that was there stays, the two made below it go.
    const std::string existing = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\HushbarParentTest";
    ASSERT_TRUE(::CreateDirectoryA(existing.c_str(), nullptr) || FolderExists(existing));
    const std::string chosen = existing + "\\made\\below\\Hushbar";
    ASSERT_EQ(0u, RunAndWait("\"" + WindowsPath(HUSHBAR_TEST_SETUP) + "\" /S /D=" + chosen));
    ASSERT_TRUE(FileExists(chosen + "\\hushbar.exe"));
    EXPECT_EQ(0u, RunAndWait("\"" + chosen + "\\uninstall.exe\" /S"));
    EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_CURRENT_USER, kUninstallKey); }));
    EXPECT_TRUE(WaitUntil([&] { return !FolderExists(existing + "\\made"); })) << existing << "\\made";
    EXPECT_TRUE(FolderExists(existing));
    RemoveTree(existing);
}

// Keys the test lays out by hand: what the program records as its own, and what is not.
struct PolicyKey {
    HKEY root;
    std::string path;
    const char* flagsName;
};

PolicyKey KillBitKey(const char* classId) {
    return {HKEY_LOCAL_MACHINE, std::string(probe::kKillBits) + "\\{" + classId + "}", "Compatibility Flags"};
}
PolicyKey AddOnKey(const char* classId) {
    return {HKEY_CURRENT_USER, std::string(kAddOnFlags) + "\\{" + classId + "}", "Flags"};
}

constexpr char kCreated[] = "A0E1C5D2-0001-4D3B-9C61-5E0F00000001";   // ours: we made the key
constexpr char kAdded[] = "A0E1C5D2-0002-4D3B-9C61-5E0F00000002";     // ours: we added the bit
constexpr char kCrowded[] = "A0E1C5D2-0003-4D3B-9C61-5E0F00000003";   // ours, but someone added a value
constexpr char kForeign[] = "A0E1C5D2-0004-4D3B-9C61-5E0F00000004";   // an administrator's
constexpr char kOddRecord[] = "A0E1C5D2-0005-4D3B-9C61-5E0F00000005"; // a "Hushbar" value we never write
constexpr char kValueAdded[] = "A0E1C5D2-0006-4D3B-9C61-5E0F00000006"; // ours: we added the flags value
constexpr char kShared[] = "A0E1C5D2-0007-4D3B-9C61-5E0F00000007";    // we made it, someone added a bit
const char* const kLaidOut[] = {kCreated, kAdded, kCrowded, kForeign, kOddRecord, kValueAdded, kShared};

class Uninstalling : public Installer {
protected:
    void TearDown() override {
        for (const char* id : kLaidOut)
            for (REGSAM view : kViews) {
                DeleteKey(HKEY_LOCAL_MACHINE, KillBitKey(id).path, view);
                DeleteKey(HKEY_CURRENT_USER, AddOnKey(id).path, view);
            }
        Installer::TearDown();
    }

    // The same layout for one kind of key in one view; `bit` is the kind's blocking bit.
    static void LayOut(PolicyKey (*key)(const char*), DWORD bit, REGSAM view) {
        const PolicyKey created = key(kCreated), added = key(kAdded), crowded = key(kCrowded),
                        foreign = key(kForeign), odd = key(kOddRecord), valueAdded = key(kValueAdded),
                        shared = key(kShared);
        PutDword(valueAdded.root, valueAdded.path, "Other", 7, view);
        PutDword(valueAdded.root, valueAdded.path, valueAdded.flagsName, bit, view);
        PutDword(valueAdded.root, valueAdded.path, "Hushbar", 3, view);
        PutDword(shared.root, shared.path, shared.flagsName, 0x00800000 | bit, view);
        PutDword(shared.root, shared.path, "Hushbar", 1, view);
        PutDword(created.root, created.path, created.flagsName, bit, view);
        PutDword(created.root, created.path, "Hushbar", 1, view);
        PutDword(added.root, added.path, added.flagsName, 0x00800000 | bit, view);
        PutDword(added.root, added.path, "Hushbar", 2, view);
        PutDword(crowded.root, crowded.path, crowded.flagsName, bit, view);
        PutDword(crowded.root, crowded.path, "Hushbar", 1, view);
        PutDword(crowded.root, crowded.path, "Other", 7, view);
        PutDword(foreign.root, foreign.path, foreign.flagsName, 0x00800000 | bit, view);
        PutDword(odd.root, odd.path, odd.flagsName, bit, view);
        PutDword(odd.root, odd.path, "Hushbar", 9, view);
    }

    static void ExpectSwept(PolicyKey (*key)(const char*), DWORD bit, REGSAM view) {
        const PolicyKey created = key(kCreated), added = key(kAdded), crowded = key(kCrowded),
                        foreign = key(kForeign), odd = key(kOddRecord), valueAdded = key(kValueAdded),
                        shared = key(kShared);
        const char* where = view == KEY_WOW64_32KEY ? "32-bit view" : "64-bit view";
        EXPECT_FALSE(KeyExists(created.root, created.path, view)) << where;
        EXPECT_EQ(0x00800000, DwordIn(added.root, added.path, added.flagsName, view)) << where;
        EXPECT_EQ(-1, DwordIn(added.root, added.path, "Hushbar", view)) << where;
        // Created by us, but another value came in since: the key stays, our value goes.
        EXPECT_EQ(-1, DwordIn(crowded.root, crowded.path, crowded.flagsName, view)) << where;
        EXPECT_EQ(7, DwordIn(crowded.root, crowded.path, "Other", view)) << where;
        EXPECT_EQ(-1, DwordIn(crowded.root, crowded.path, "Hushbar", view)) << where;
        EXPECT_EQ(-1, DwordIn(valueAdded.root, valueAdded.path, valueAdded.flagsName, view)) << where;
        EXPECT_EQ(7, DwordIn(valueAdded.root, valueAdded.path, "Other", view)) << where;
        EXPECT_EQ(-1, DwordIn(valueAdded.root, valueAdded.path, "Hushbar", view)) << where;
        // Someone else's bit in a value we made keeps the value and the key.
        EXPECT_EQ(0x00800000, DwordIn(shared.root, shared.path, shared.flagsName, view)) << where;
        EXPECT_EQ(-1, DwordIn(shared.root, shared.path, "Hushbar", view)) << where;
        EXPECT_EQ(0x00800000 | bit, DwordIn(foreign.root, foreign.path, foreign.flagsName, view)) << where;
        EXPECT_EQ(bit, DwordIn(odd.root, odd.path, odd.flagsName, view)) << where;
        EXPECT_EQ(9, DwordIn(odd.root, odd.path, "Hushbar", view)) << where;
    }
};

TEST_F(Uninstalling, SilentUninstallLeavesNothingOfHushbarsAndEverythingElse) {
    Install();
    HushbarProcess running(InstallFolder());
    ASSERT_NE(nullptr, running.WaitForMainWindow());
    for (REGSAM view : kViews) ASSERT_EQ(0x400, probe::KillBit(kFlash, view) & 0x400);
    // What a program that ended without withdrawing would have left, and what is not ours.
    for (REGSAM view : kViews) {
        LayOut(KillBitKey, 0x400, view);
        LayOut(AddOnKey, 0x1, view);
    }
    probe::WriteString(HKEY_CURRENT_USER, kRunKey, "Hushbar", ("\"" + InstallFolder() + "hushbar.exe\"").c_str());
    probe::WriteString(HKEY_CURRENT_USER, kRunKey, "SomethingElse", "other.exe");
    ASSERT_TRUE(WriteTextFile(InstallFolder() + "templatest.xml", "<hushbar/>"));
    ASSERT_TRUE(WriteTextFile(InstallFolder() + "update.zip", "PK"));

    ASSERT_TRUE(Uninstall());
    EXPECT_EQ(57665u, running.WaitForExit(0)) << "the running copy was not ended through Exit";

    EXPECT_FALSE(FolderExists(InstallFolder())) << InstallFolder();
    EXPECT_FALSE(FileExists(Shortcut()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, probe::kProduct));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, "Hushbar"));
    EXPECT_EQ("other.exe", probe::String(HKEY_CURRENT_USER, kRunKey, "SomethingElse"));
    for (REGSAM view : kViews) {
        EXPECT_EQ(-1, probe::KillBit(kFlash, view));
        ExpectSwept(KillBitKey, 0x400, view);
        ExpectSwept(AddOnKey, 0x1, view);
    }
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "SomethingElse");
}

TEST_F(Uninstalling, TakesBackWhatAProgramThatDidNotEndNormallyLeft) {
    Install();
    {
        HushbarProcess crashed(InstallFolder());
        ASSERT_NE(nullptr, crashed.WaitForMainWindow());
        // Its records are in the registry and nothing withdraws them: it dies here.
    }
    for (REGSAM view : kViews) {
        LayOut(KillBitKey, 0x400, view);  // beside the program's own records: the foreign ones
        ASSERT_EQ(0x400, probe::KillBit(kFlash, view) & 0x400);
        ASSERT_GE(DwordIn(HKEY_LOCAL_MACHINE, KillBitKey(kFlash).path, "Hushbar", view), 1);
    }
    ASSERT_EQ(1, DwordIn(HKEY_CURRENT_USER, AddOnKey(kFlash).path, "Flags") & 1);
    ASSERT_GE(DwordIn(HKEY_CURRENT_USER, AddOnKey(kFlash).path, "Hushbar"), 1);

    ASSERT_TRUE(Uninstall());
    for (REGSAM view : kViews) {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, KillBitKey(kFlash).path, view));
        ExpectSwept(KillBitKey, 0x400, view);
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, AddOnKey(kFlash).path));
    EXPECT_FALSE(FolderExists(InstallFolder()));
}

// The MSI as an administrator deploys it: silent install for the machine, then a removal
// after a Hushbar that did not end through Exit. The removal has the program withdraw, so
// what the user had set in the browser before Hushbar is what stays.
TEST(MsiPackage, InstallsForTheMachineAndItsRemovalLeavesTheBrowserAsTheUserHadIt) {
    UserKeysBackup keep;
    ASSERT_TRUE(keep.Saved());
    const std::string msi = WindowsPath(HUSHBAR_TEST_MSI);
    ASSERT_TRUE(FileExists(msi)) << msi << ": run make package";
    ForgetHushbarSettings();
    probe::WriteString(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos", "no");
    probe::WriteString(HKEY_CURRENT_USER, probe::kMain, "Play_Animations", "yes");

    ASSERT_EQ(0u, RunAndWait("msiexec /i \"" + msi + "\" /qn"));
    const std::string folder = AllUsersFolder() + "\\";
    ASSERT_TRUE(FileExists(folder + "hushbar.exe"));
    for (const char* name : {"policy\\hushbar.admx", "policy\\en-US\\hushbar.adml"})
        EXPECT_EQ(ReadTextFile(ShippedFolder() + name), ReadTextFile(folder + name)) << name;
    {
        HushbarProcess killed(folder);
        ASSERT_NE(nullptr, killed.WaitForMainWindow());
        for (REGSAM view : kViews) ASSERT_EQ(0x400, probe::KillBit(kFlash, view) & 0x400);
        ASSERT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kMain, "Play_Animations"));
    }

    EXPECT_EQ(0u, RunAndWait("msiexec /x \"" + msi + "\" /qn"));
    EXPECT_FALSE(FolderExists(folder));
    for (REGSAM view : kViews) EXPECT_EQ(-1, probe::KillBit(kFlash, view));
    EXPECT_EQ("no", probe::String(HKEY_CURRENT_USER, probe::kMain, "Display Inline Videos"));
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kMain, "Play_Animations"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, probe::kProduct));
}

// The versions of every entry "Hushbar" that Programs and Features lists for the machine.
std::vector<std::string> MachineEntryVersions() {
    std::vector<std::string> versions;
    const std::string parent = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) return versions;
    char name[256];
    for (DWORD i = 0, size = sizeof name;
         ::RegEnumKeyExA(hkey, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name) {
        const std::string entry = parent + "\\" + name;
        if (probe::String(HKEY_LOCAL_MACHINE, entry.c_str(), "DisplayName") == "Hushbar")
            versions.push_back(probe::String(HKEY_LOCAL_MACHINE, entry.c_str(), "DisplayVersion"));
    }
    ::RegCloseKey(hkey);
    return versions;
}

// A newer MSI over an older one: the older goes, one entry of the newer version stays, the
// program runs from the same folder, and removing the newer leaves nothing. (Whether the
// user's settings survive the older copy's removal rests on UPGRADINGPRODUCTCODE, which
// Windows sets for that removal; Wine's msiexec runs it as a plain REMOVE=ALL.)
TEST(MsiPackage, ANewerMsiReplacesAnOlderOneInItsFolder) {
    UserKeysBackup keep;
    ASSERT_TRUE(keep.Saved());
    const std::string older = WindowsPath(HUSHBAR_TEST_MSI_OLDER), newer = WindowsPath(HUSHBAR_TEST_MSI);
    ForgetHushbarSettings();
    ASSERT_EQ(0u, RunAndWait("msiexec /i \"" + older + "\" /qn"));
    ASSERT_EQ(std::vector<std::string>{"1.0.0"}, MachineEntryVersions());

    EXPECT_EQ(0u, RunAndWait("msiexec /i \"" + newer + "\" /qn"));
    EXPECT_EQ(std::vector<std::string>{HUSHBAR_TEST_VERSION}, MachineEntryVersions());
    const std::string folder = AllUsersFolder() + "\\";
    {
        HushbarProcess running(folder);
        ASSERT_NE(nullptr, running.WaitForMainWindow());
        for (REGSAM view : kViews) EXPECT_EQ(0x400, probe::KillBit(kFlash, view) & 0x400);
        running.PostCommand(ID_APP_EXIT);
        EXPECT_EQ(57665u, running.WaitForExit());
    }

    EXPECT_EQ(0u, RunAndWait("msiexec /x \"" + newer + "\" /qn"));
    EXPECT_TRUE(MachineEntryVersions().empty());
    EXPECT_FALSE(FolderExists(folder));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, probe::kProduct));
}

}  // namespace
