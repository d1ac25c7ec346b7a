#include "Registry.h"
#include "res/resource.h"
#include "support/HushbarProcess.h"
#include "tests/support/KeyBackup.h"
#include "support/TestHttpServer.h"
#include "support/UpdateSigning.h"
#include "support/ZipTestFiles.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
const std::string kOldList = std::string("Header\r\n1,Flash Player,") + kFlash + ",\r\n";
constexpr char kNewId[] = "0A0B0C0D-1111-2222-3333-777788889999";
const std::string kNewList = kOldList + "1,New Player," + kNewId + ",fresh\r\n";

std::string Descriptor(const char* version, const char* dataVersion) {
    return std::string("<?xml version=\"1.0\" ?>\n<hushbar version=\"") + version + "\" dataversion=\"" +
           dataVersion + "\" />\n";
}

// The dataversion attribute of a descriptor, as text; empty when there is none.
std::string DataVersion(const std::string& descriptor) {
    const std::string name = "dataversion=\"";
    const std::size_t start = descriptor.find(name);
    if (start == std::string::npos) return std::string();
    const std::size_t end = descriptor.find('"', start + name.size());
    return descriptor.substr(start + name.size(), end == std::string::npos ? std::string::npos : end - start - name.size());
}

std::string DistServerFolder() {
    std::string dist = HUSHBAR_TEST_DIST;
    for (char& c : dist)
        if (c == '/') c = '\\';
    return dist + "\\server\\";
}

// The update dialog, whatever its title says by now: the one with the progress bar.
HWND WaitForUpdateDialog(DWORD processId, DWORD timeoutMs = 10000) {
    const DWORD start = ::GetTickCount();
    do {
        auto hasProgressBar = [](HWND hwnd) { return ::GetDlgItem(hwnd, IDC_PROGRESS) != nullptr; };
        if (HWND found = FindProcessWindow(processId, hasProgressBar)) return found;
        ::Sleep(50);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

// The program's update URL names a host of the maker's; the prefix's proxy setting sends
// its requests to our loopback server instead, which serves them by path.
class Updating : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keep_.Saved());
        ForgetHushbarSettings();
        updateFolder_ = content_ / "hushbar\\update\\";
        ::CreateDirectoryA((content_ / "hushbar").c_str(), nullptr);
        ::CreateDirectoryA(updateFolder_.c_str(), nullptr);
    }
    void Serve(const std::string& root) {
        server_ = std::make_unique<TestHttpServer>(root);
        ASSERT_TRUE(server_->IsRunning());
        proxy_ = std::make_unique<ProxyOverride>(server_->Port());
    }
    void Start() {
        hushbar_ = std::make_unique<HushbarProcess>(folder_);
        ASSERT_NE(nullptr, hushbar_->WaitForMainWindow());
    }
    // Presses Update and returns the text of the message that ends it.
    std::string UpdateAndReadMessage() {
        hushbar_->PostCommand(IDC_UPDATE);
        HWND progress = WaitForUpdateDialog(hushbar_->ProcessId());
        HWND box = nullptr;
        const DWORD start = ::GetTickCount();
        while (!box && ::GetTickCount() - start < 20000) box = hushbar_->WaitForDialog("Hushbar", 200);
        if (!box) return "<no message>";
        std::string text = HushbarProcess::MessageBoxText(box);
        HushbarProcess::DismissMessageBox(box);
        // Once the update dialog is destroyed, the main dialog finishes the command before it
        // answers anything else.
        const DWORD closing = ::GetTickCount();
        while (progress && ::IsWindow(progress) && ::GetTickCount() - closing < 10000) ::Sleep(50);
        hushbar_->Send(WM_NULL, 0, 0);
        return text;
    }
    void TearDown() override {
        if (hushbar_ && hushbar_->WaitForExit(0) == STILL_ACTIVE) {
            hushbar_->PostCommand(ID_APP_EXIT);
            hushbar_->WaitForExit();
        }
        hushbar_.reset();
        proxy_.reset();
        server_.reset();
    }
    long TreeCount() const {
        return static_cast<long>(
            ::SendMessageA(::GetDlgItem(hushbar_->MainWindow(), IDC_BLOCK_TREE), TVM_GETCOUNT, 0, 0));
    }

    UserKeysBackup keep_;
    ScratchFolder content_{"e2e-server"};
    std::string updateFolder_;
    std::string folder_ = MakeProgramFolder(kOldList);
    std::unique_ptr<TestHttpServer> server_;
    std::unique_ptr<ProxyOverride> proxy_;
    std::unique_ptr<HushbarProcess> hushbar_;
};

TEST_F(Updating, NewerDataIsInstalledShownAndInForceAtOnce) {
    const std::string newDescriptor = Descriptor("2.2", "1.5");
    const std::string package = ZipArchiveWriter()
                                    .AddFile("data/objects.dll", kNewList)
                                    .AddFile("latest.xml", newDescriptor)
                                    .AddFile("payload.dll", "MZ not for us")
                                    .Bytes();
    WriteTextFile(updateFolder_ + "update.zip", package);
    WriteTextFile(updateFolder_ + "latest.xml", OfferedDescriptor("2.2", "1.5", &package));
    ASSERT_TRUE(SignWithBuildKey(updateFolder_ + "latest.xml"));
    Serve(content_.Path());
    Start();
    EXPECT_EQ(0x400, probe::KillBit(kFlash, KEY_WOW64_64KEY));
    EXPECT_EQ(9, TreeCount());

    EXPECT_EQ("The Latest data file was successfully downloaded.", UpdateAndReadMessage());
    EXPECT_EQ(kNewList, ReadTextFile(folder_ + "objects.dll"));
    EXPECT_EQ(newDescriptor, ReadTextFile(folder_ + "latest.xml"));
    EXPECT_FALSE(FileExists(folder_ + "payload.dll")) << "only the block list and the descriptor are written";
    EXPECT_EQ(10, TreeCount()) << "the tree shows the new list";
    // Right after the success box, before any OK: the new list is in force and saved.
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        EXPECT_EQ(0x400, probe::KillBit(kFlash, view));
        EXPECT_EQ(0x400, probe::KillBit(kNewId, view)) << "the new entry is blocked";
    }
    EXPECT_EQ("yes", probe::String(HKEY_CURRENT_USER, probe::kSelection, kNewId));
    hushbar_->PostCommand(ID_APP_EXIT);
    EXPECT_EQ(57665u, hushbar_->WaitForExit());
    EXPECT_EQ(-1, probe::KillBit(kNewId, KEY_WOW64_64KEY));
}

// The README's local-update recipe builds server content that offers newer data: then the
// built content must install, otherwise a fresh install is up to date.
TEST_F(Updating, TheBuiltServerContentIsUnderstoodByTheProgramAsBuilt) {
    const std::string served = ReadTextFile(DistServerFolder() + "hushbar\\update\\latest.xml");
    const bool offersNewerData = DataVersion(served) != DataVersion(ReadTextFile(folder_ + "latest.xml"));
    Serve(DistServerFolder());
    Start();
    if (offersNewerData) {
        EXPECT_EQ("The Latest data file was successfully downloaded.", UpdateAndReadMessage());
        EXPECT_NE(kOldList, ReadTextFile(folder_ + "objects.dll"));
    } else {
        EXPECT_EQ("Your Hushbar is up-to-date!", UpdateAndReadMessage());
        EXPECT_EQ(kOldList, ReadTextFile(folder_ + "objects.dll"));
    }
    ASSERT_FALSE(server_->RequestLog().empty());
    EXPECT_NE(std::string::npos, server_->RequestLog().front().target.find("/hushbar/update/latest.xml"));
}

// An administrator's UpdateUrl replaces the built-in base URL (no proxy sends the maker's host
// anywhere here), and the descriptor must still carry the build key's signature.
TEST_F(Updating, TheAdministratorsUpdateUrlIsWhereUpdateLooks) {
    KeyBackup policy(HKEY_CURRENT_USER, "Software\\Policies\\Corvane");
    ASSERT_TRUE(policy.Saved());
    server_ = std::make_unique<TestHttpServer>(DistServerFolder());
    ASSERT_TRUE(server_->IsRunning());
    Put(HKEY_CURRENT_USER, "Software\\Policies\\Corvane\\Hushbar", "UpdateUrl",
        (server_->BaseUrl() + "hushbar/update").c_str());
    Start();
    EXPECT_EQ("Your Hushbar is up-to-date!", UpdateAndReadMessage());
    ASSERT_FALSE(server_->RequestLog().empty());
    EXPECT_EQ(0u, server_->RequestLog().front().target.find("/hushbar/update/latest.xml"));
}

// Exit while the server keeps the program waiting (it answers only after 20 s), in each
// download: the process ends
// within a second or so with Exit's status, shows nothing and leaves nothing behind.
TEST_F(Updating, ExitWhileTheServerStallsEndsPromptlyWith57665) {
    const std::string package = ZipArchiveWriter().AddFile("objects.dll", kNewList).Bytes();
    WriteTextFile(updateFolder_ + "update.zip", package);
    Serve(content_.Path());
    for (const char* stalled : {"latest.xml", "latest.xml.sig", "update.zip"}) {
        SCOPED_TRACE(stalled);
        WriteTextFile(updateFolder_ + "latest.xml", OfferedDescriptor("2.2", "1.5", &package));
        ASSERT_TRUE(SignWithBuildKey(updateFolder_ + "latest.xml"));
        for (const char* file : {"latest.xml.modes", "latest.xml.sig.modes", "update.zip.modes"})
            ::DeleteFileA((updateFolder_ + file).c_str());
        WriteTextFile(updateFolder_ + stalled + ".modes", "wait-20");
        server_->ClearLog();
        Start();
        hushbar_->PostCommand(IDC_UPDATE);
        ASSERT_NE(nullptr, WaitForUpdateDialog(hushbar_->ProcessId()));
        const DWORD start = ::GetTickCount();
        bool requested = false;
        while (!requested && ::GetTickCount() - start < 10000) {
            for (const LoggedRequest& request : server_->RequestLog())
                requested |= request.target.find(stalled) != std::string::npos;
            if (!requested) ::Sleep(50);
        }
        ASSERT_TRUE(requested);
        ::Sleep(500);
        const DWORD exitAt = ::GetTickCount();
        hushbar_->PostCommand(ID_APP_EXIT);
        EXPECT_EQ(57665u, hushbar_->WaitForExit(10000));
        EXPECT_LT(::GetTickCount() - exitAt, 1500u);
        EXPECT_EQ(nullptr, hushbar_->WaitForDialog("Hushbar", 0));
        EXPECT_EQ(kOldList, ReadTextFile(folder_ + "objects.dll"));
        EXPECT_FALSE(FileExists(folder_ + "update.zip")) << "no partial package is left";
        EXPECT_FALSE(FileExists(folder_ + "templatest.xml"));
        hushbar_.reset();
    }
}

}  // namespace
