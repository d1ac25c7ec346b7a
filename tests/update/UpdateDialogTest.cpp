#include "update/UpdateDialog.h"

#include "update/UpdateDescriptor.h"
#include "update/ZipExtractor.h"

#include "support/ZipTestFiles.h"
#include "res/resource.h"
#include "support/TestHttpServer.h"
#include "win/ResourceString.h"
#include "win/ShellOpen.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace {

// Stands in for the shell while it lives, keeping the pages the update asked to open.
class PageRecorder {
public:
    explicit PageRecorder(std::vector<std::string>& pages) {
        std::lock_guard<std::mutex> lock(mutex_);
        pages_ = &pages;
        previous_ = SetShellOpenerForTesting(&Record);
    }
    ~PageRecorder() {
        SetShellOpenerForTesting(previous_);
        std::lock_guard<std::mutex> lock(mutex_);
        pages_ = nullptr;
    }
    PageRecorder(const PageRecorder&) = delete;
    PageRecorder& operator=(const PageRecorder&) = delete;

private:
    static bool Record(const char* target) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pages_) pages_->push_back(target);
        return true;
    }
    static inline std::mutex mutex_;
    static inline std::vector<std::string>* pages_ = nullptr;
    ShellOpener previous_ = nullptr;
};

struct SeenBox {
    std::string text;
    HICON icon = nullptr;
};

bool IsUpdateDialog(HWND hwnd) {
    return hwnd && ::GetDlgItem(hwnd, IDC_ANIMATION) && ::GetDlgItem(hwnd, IDC_PROGRESS);
}

bool HasClass(HWND hwnd, const char* name) {
    char found[64] = {};
    ::GetClassNameA(hwnd, found, sizeof found);
    return ::lstrcmpiA(found, name) == 0;
}

// Watches this process's windows while an update dialog runs on the test's thread:
// message boxes owned by the dialog are read (text and icon) and answered with OK;
// optionally Cancel is pressed once the package is part-way in.
class UpdateWatcher {
public:
    explicit UpdateWatcher(bool cancelMidTransfer) : cancelMidTransfer_(cancelMidTransfer), thread_([this] { Run(); }) {}
    ~UpdateWatcher() {
        stop_ = true;
        thread_.join();
    }

    std::vector<SeenBox> Boxes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return boxes_;
    }
    bool CancelPressed() const { return cancelPressed_; }

private:
    void Run() {
        while (!stop_) {
            ::EnumWindows(&UpdateWatcher::VisitTopLevel, reinterpret_cast<LPARAM>(this));
            ::Sleep(25);
        }
    }

    static BOOL CALLBACK VisitTopLevel(HWND hwnd, LPARAM self) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(hwnd))
            reinterpret_cast<UpdateWatcher*>(self)->Visit(hwnd);
        return TRUE;
    }

    void Visit(HWND hwnd) {
        if (IsUpdateDialog(hwnd)) {
            MaybeCancel(hwnd);
            return;
        }
        char title[64] = {};
        ::GetWindowTextA(hwnd, title, sizeof title);
        if (!HasClass(hwnd, "#32770") || std::string(title) != "Hushbar" ||
            !IsUpdateDialog(::GetWindow(hwnd, GW_OWNER)) || answered_.count(hwnd))
            return;

        SeenBox box;
        ::EnumChildWindows(hwnd, &UpdateWatcher::VisitChild, reinterpret_cast<LPARAM>(&box));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            boxes_.push_back(box);
        }
        answered_.insert(hwnd);
        ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }

    static BOOL CALLBACK VisitChild(HWND child, LPARAM found) {
        SeenBox& box = *reinterpret_cast<SeenBox*>(found);
        if (!HasClass(child, "Static")) return TRUE;
        if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            box.icon = reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0));
        } else {
            char text[512] = {};
            ::GetWindowTextA(child, text, sizeof text);
            if (*text) box.text = text;
        }
        return TRUE;
    }

    void MaybeCancel(HWND dialog) {
        if (!cancelMidTransfer_ || cancelPressed_) return;
        DWORD_PTR position = 0;
        ::SendMessageTimeoutA(::GetDlgItem(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position);
        // The descriptor arrives in one read (0 straight to 100); only the package shows
        // the bar part-way.
        if (position > 0 && position < 100) {
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            cancelPressed_ = true;
        }
    }

    const bool cancelMidTransfer_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> cancelPressed_{false};
    std::mutex mutex_;
    std::vector<SeenBox> boxes_;
    std::set<HWND> answered_;
    std::thread thread_;
};

std::string Descriptor(const char* version, const char* dataVersion) {
    return std::string("<?xml version=\"1.0\" ?>\n<hushbar version=\"") + version + "\" dataversion=\"" + dataVersion +
           "\" />\n";
}

const HICON kErrorIcon = ::LoadIconA(nullptr, IDI_ERROR);
const HICON kInformationIcon = ::LoadIconA(nullptr, IDI_INFORMATION);

class UpdateDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        ASSERT_TRUE(WriteTextFile(program_ / "latest.xml", kInstalledDescriptor));
        ASSERT_TRUE(WriteTextFile(program_ / "objects.dll", kInstalledList));
        ASSERT_TRUE(server_.IsRunning());
    }

    struct Outcome {
        INT_PTR result = 0;
        std::vector<SeenBox> boxes;
        std::vector<std::string> pagesOpened;
        bool cancelPressed = false;
    };

    // Runs the real dialog against the test server; `prefix` picks the server's fault
    // (e.g. "slow/"). Without a base URL the dialog uses its own from the string table.
    Outcome RunUpdate(const std::string& prefix, bool cancelMidTransfer = false, bool setBaseUrl = true) {
        return RunUpdateAt(setBaseUrl ? server_.BaseUrl() + prefix : std::string(), cancelMidTransfer);
    }

    Outcome RunUpdateAt(const std::string& baseUrl, bool cancelMidTransfer) {
        Outcome outcome;
        PageRecorder pages(outcome.pagesOpened);
        UpdateDialog dialog;
        dialog.SetProgramDirectory(program_.Path());
        if (!baseUrl.empty()) dialog.SetUpdateBaseUrl(baseUrl);
        {
            UpdateWatcher watcher(cancelMidTransfer);
            outcome.result = dialog.Run(nullptr);
            // A box shown after the dialog ended would be a fault; give one a moment.
            ::Sleep(100);
            outcome.boxes = watcher.Boxes();
            outcome.cancelPressed = watcher.CancelPressed();
        }
        return outcome;
    }

    std::vector<std::string> RequestedTargets() {
        std::vector<std::string> targets;
        for (const LoggedRequest& request : server_.RequestLog()) targets.push_back(request.target);
        return targets;
    }

    void Serve(const std::string& descriptor, const std::string& package) {
        ASSERT_TRUE(WriteTextFile(served_ / "latest.xml", descriptor));
        ASSERT_TRUE(WriteTextFile(served_ / "update.zip", package));
        server_.ClearLog();
    }

    static void ExpectOneBox(const Outcome& outcome, UINT textId, HICON icon) {
        ASSERT_EQ(1u, outcome.boxes.size()) << "message " << textId;
        EXPECT_EQ(LoadResourceString(textId), outcome.boxes[0].text);
        EXPECT_EQ(icon, outcome.boxes[0].icon) << "message " << textId;
    }

    static constexpr const char* kInstalledDescriptor = "<?xml version=\"1.0\" ?>\n<hushbar version=\"2.2\" dataversion=\"1.0\" />\n";
    static constexpr const char* kInstalledList = "installed block list";

    ScratchFolder program_{"update-program"};
    ScratchFolder served_{"update-served"};
    TestHttpServer server_{served_.Path()};
};

std::string NewPackage(const std::string& list, const std::string& descriptor) {
    ZipArchiveWriter zip;
    zip.AddFolder("data/").AddFile("data/objects.dll", list, ZipArchiveWriter::kDefaultDosTime, true);
    zip.AddFile("hook.dll", "MZ not wanted").AddFile("bin/tool.exe", "MZ not wanted either");
    zip.AddFile("data/LATEST.XML", descriptor);
    return zip.Bytes();
}

}  // namespace

TEST_F(UpdateDialogTest, NewerDataIsFetchedAndOnlyTheListAndDescriptorAreWritten) {
    const std::string newDescriptor = Descriptor("2.2", "1.1");
    Serve(newDescriptor, NewPackage("new block list", newDescriptor));

    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kInstalled, outcome.result);
    ExpectOneBox(outcome, IDS_UPDATE_INSTALLED, kInformationIcon);
    EXPECT_EQ("new block list", ReadTextFile(program_ / "objects.dll"));
    EXPECT_EQ(newDescriptor, ReadTextFile(program_ / "latest.xml"));
    EXPECT_EQ(newDescriptor, ReadTextFile(program_ / "templatest.xml"));
    EXPECT_TRUE(FileExists(program_ / "update.zip"));
    EXPECT_FALSE(FileExists(program_ / "hook.dll"));
    EXPECT_FALSE(FileExists(program_ / "tool.exe"));
    EXPECT_FALSE(FolderExists(program_ / "data"));
    EXPECT_FALSE(FolderExists(program_ / "bin"));
    EXPECT_TRUE(outcome.pagesOpened.empty());
    EXPECT_EQ((std::vector<std::string>{"/latest.xml", "/update.zip"}), RequestedTargets());
}

TEST_F(UpdateDialogTest, ComparesVersionsAsNumbersAndReportsWithoutFetchingThePackage) {
    const std::string package = NewPackage("new block list", Descriptor("2.2", "1.1"));

    Serve(Descriptor("2.2", "1.0"), package);
    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);
    ExpectOneBox(outcome, IDS_UP_TO_DATE, kInformationIcon);
    EXPECT_TRUE(outcome.pagesOpened.empty());
    EXPECT_EQ(std::vector<std::string>{"/latest.xml"}, RequestedTargets());

    // 2.10 is a smaller number than 2.2: not a newer program.
    Serve(Descriptor("2.10", "1.0"), package);
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);

    // A newer program wins even when the data is newer too.
    Serve(Descriptor("2.3", "1.1"), package);
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kNewerProgram, outcome.result);
    ExpectOneBox(outcome, IDS_NEWER_PROGRAM, kInformationIcon);
    EXPECT_EQ(std::vector<std::string>{"http://www.hushbar.example/hushbar/"}, outcome.pagesOpened);
    EXPECT_EQ(std::vector<std::string>{"/latest.xml"}, RequestedTargets());

    // A downloaded descriptor without numbers cannot be compared.
    Serve("<hushbar version=\"new\" dataversion=\"newer\"/>", package);
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kCancelledOrUnreadable, outcome.result);
    ExpectOneBox(outcome, IDS_CONFIG_UNREADABLE, kErrorIcon);
    EXPECT_EQ(1u, outcome.pagesOpened.size());
    EXPECT_EQ(kInstalledList, ReadTextFile(program_ / "objects.dll"));
}

TEST_F(UpdateDialogTest, MissingInstalledDescriptorStopsBeforeAnyRequest) {
    ::DeleteFileA((program_ / "latest.xml").c_str());
    Serve(Descriptor("2.2", "1.1"), NewPackage("new block list", Descriptor("2.2", "1.1")));

    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kCancelledOrUnreadable, outcome.result);
    ExpectOneBox(outcome, IDS_CONFIG_UNREADABLE, kErrorIcon);
    EXPECT_EQ(std::vector<std::string>{"http://www.hushbar.example/hushbar/"}, outcome.pagesOpened);
    EXPECT_TRUE(RequestedTargets().empty());
    EXPECT_EQ(kInstalledList, ReadTextFile(program_ / "objects.dll"));
}

TEST_F(UpdateDialogTest, FailedDownloadsChangeNothingInstalled) {
    Serve(Descriptor("2.2", "1.1"), NewPackage("new block list", Descriptor("2.2", "1.1")));
    Outcome outcome = RunUpdate("status/404/");
    EXPECT_EQ(UpdateDialog::kDownloadFailed, outcome.result);
    ExpectOneBox(outcome, IDS_DOWNLOAD_FAILED, kErrorIcon);
    EXPECT_FALSE(FileExists(program_ / "templatest.xml"));

    outcome = RunUpdate("short/");
    EXPECT_EQ(UpdateDialog::kDownloadFailed, outcome.result);
    ExpectOneBox(outcome, IDS_DOWNLOAD_FAILED, kErrorIcon);
    EXPECT_FALSE(FileExists(program_ / "templatest.xml"));

    // The descriptor offers new data but the package is not there.
    ::DeleteFileA((served_ / "update.zip").c_str());
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kDownloadFailed, outcome.result);
    ExpectOneBox(outcome, IDS_DOWNLOAD_FAILED, kErrorIcon);
    EXPECT_FALSE(FileExists(program_ / "update.zip"));

    EXPECT_EQ(kInstalledList, ReadTextFile(program_ / "objects.dll"));
    EXPECT_EQ(kInstalledDescriptor, ReadTextFile(program_ / "latest.xml"));
    EXPECT_TRUE(outcome.pagesOpened.empty());
}

TEST_F(UpdateDialogTest, UnsoundPackagesAreRefusedBeforeAnythingIsWritten) {
    const std::string newDescriptor = Descriptor("2.2", "1.1");
    const std::string packages[] = {
        "not a zip archive at all",
        ZipArchiveWriter().AddFile("latest.xml", newDescriptor).AddFile("readme.txt", "no list").Bytes(),
        ZipArchiveWriter().AddFile("latest.xml", newDescriptor).AddFile("objects.dll", "list").AddFile("../escape.dll", "x").Bytes(),
        ZipArchiveWriter().AddFile("objects.dll", "damaged list").BreakLastCrc().AddFile("latest.xml", newDescriptor).Bytes(),
    };
    for (const std::string& package : packages) {
        Serve(newDescriptor, package);
        Outcome outcome = RunUpdate("");
        EXPECT_EQ(UpdateDialog::kInvalidPackage, outcome.result);
        ExpectOneBox(outcome, IDS_INVALID_UPDATE, kErrorIcon);
        // The descriptor is never replaced, so the next run offers the update again.
        EXPECT_EQ(kInstalledDescriptor, ReadTextFile(program_ / "latest.xml"));
        EXPECT_FALSE(FileExists(program_ / "escape.dll"));
        EXPECT_FALSE(FileExists(program_ / "readme.txt"));
    }
}

TEST_F(UpdateDialogTest, CancelDuringThePackageEndsQuietly) {
    const std::string newDescriptor = Descriptor("2.2", "1.1");
    std::string bigList(200 * 1024, '\0');
    for (std::size_t i = 0; i < bigList.size(); ++i) bigList[i] = static_cast<char>('a' + (i * 7919) % 26);
    Serve(newDescriptor, ZipArchiveWriter().AddFile("objects.dll", bigList).AddFile("latest.xml", newDescriptor).Bytes());

    Outcome outcome = RunUpdate("slow/", true);
    EXPECT_TRUE(outcome.cancelPressed);
    EXPECT_EQ(UpdateDialog::kCancelledOrUnreadable, outcome.result);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_FALSE(FileExists(program_ / "update.zip"));
    EXPECT_EQ(kInstalledList, ReadTextFile(program_ / "objects.dll"));
    EXPECT_EQ(kInstalledDescriptor, ReadTextFile(program_ / "latest.xml"));
}

TEST_F(UpdateDialogTest, FetchesFromTheStringTablesBaseUrl) {
    const std::string base = LoadResourceString(IDS_UPDATE_BASE_URL);
    ASSERT_GE(base.size(), 16u);
    EXPECT_EQ("/hushbar/update/", base.substr(base.size() - 16));

    // Through a proxy the server answers by path: lay the files out where the real
    // server keeps them.
    const std::string path = base.substr(base.find('/', base.find("//") + 2));
    std::string folder = served_.Path();
    for (char c : path.substr(1)) folder += c == '/' ? '\\' : c;
    ASSERT_TRUE(CreateFolderPath(folder.c_str()));
    ASSERT_TRUE(WriteTextFile(folder + "latest.xml", Descriptor("2.2", "1.0")));
    server_.ClearLog();

    ProxyOverride proxy(server_.Port());
    Outcome outcome = RunUpdate("", false, false);
    EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);
    std::vector<std::string> targets = RequestedTargets();
    ASSERT_EQ(1u, targets.size());
    // The library may spell out the default port.
    std::string target = targets[0];
    std::string::size_type port = target.find(":80/");
    if (port != std::string::npos) target.erase(port, 3);
    EXPECT_EQ(base + "latest.xml", target);
}

TEST_F(UpdateDialogTest, AFreshInstallAgainstTheBuiltServerContent) {
    const std::string shipped = std::string(HUSHBAR_TEST_DIST) + "\\hushbar\\";
    const std::string server = std::string(HUSHBAR_TEST_DIST) + "\\server\\";
    ASSERT_TRUE(WriteTextFile(program_ / "latest.xml", ReadTextFile(shipped + "latest.xml")));
    ASSERT_TRUE(WriteTextFile(program_ / "objects.dll", "an older list"));
    std::optional<UpdateDescriptor> installed = LoadUpdateDescriptor(program_ / "latest.xml");
    std::optional<UpdateDescriptor> offered = LoadUpdateDescriptor(server + "hushbar\\update\\latest.xml");
    ASSERT_TRUE(installed && offered);
    EXPECT_EQ(installed->version, offered->version);

    TestHttpServer distServer(server);
    ASSERT_TRUE(distServer.IsRunning());
    Outcome outcome = RunUpdateAt(distServer.BaseUrl() + "hushbar/update/", false);
    if (offered->dataVersion == installed->dataVersion) {
        // As built by default: the server offers what ships.
        EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);
        EXPECT_EQ("an older list", ReadTextFile(program_ / "objects.dll"));
    } else {
        // Built with a newer data version for a demonstration.
        EXPECT_EQ(UpdateDialog::kInstalled, outcome.result);
        EXPECT_EQ(ReadTextFile(shipped + "objects.dll"), ReadTextFile(program_ / "objects.dll"));
        EXPECT_EQ(ReadTextFile(server + "hushbar\\update\\latest.xml"), ReadTextFile(program_ / "latest.xml"));
    }
}
