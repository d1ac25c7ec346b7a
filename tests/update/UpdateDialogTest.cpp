#include "update/UpdateDialog.h"

#include "update/ResourceText.h"
#include "update/UpdateDescriptor.h"
#include "update/ZipExtractor.h"

#include "support/ZipTestFiles.h"
#include "res/resource.h"
#include "support/TestHttpServer.h"
#include "support/UpdateSigning.h"
#include "win/ResourceString.h"
#include "win/ShellOpen.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
    // `cancelAfterMs` presses Cancel that long after the dialog is first seen (0: never).
    explicit UpdateWatcher(bool cancelMidTransfer, DWORD cancelAfterMs = 0)
        : cancelMidTransfer_(cancelMidTransfer), cancelAfterMs_(cancelAfterMs), thread_([this] { Run(); }) {}
    ~UpdateWatcher() {
        stop_ = true;
        thread_.join();
    }

    std::vector<SeenBox> Boxes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return boxes_;
    }
    bool CancelPressed() const { return cancelPressed_; }
    DWORD CancelTick() const { return cancelTick_; }

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
        if (cancelPressed_) return;
        if (cancelAfterMs_ != 0) {
            // Counted from the first sight; a zero tick is a tick like any other.
            if (!seen_) {
                seen_ = true;
                firstSeen_ = ::GetTickCount();
            }
            if (::GetTickCount() - firstSeen_ >= cancelAfterMs_) {
                cancelTick_ = ::GetTickCount();
                ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                cancelPressed_ = true;
            }
            return;
        }
        if (!cancelMidTransfer_) return;
        DWORD_PTR position = 0;
        ::SendMessageTimeoutA(::GetDlgItem(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position);
        // The descriptor arrives in one read (0 straight to 100); only the package shows
        // the bar part-way.
        if (position > 0 && position < 100) {
            cancelTick_ = ::GetTickCount();
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            cancelPressed_ = true;
        }
    }

    const bool cancelMidTransfer_;
    const DWORD cancelAfterMs_;
    bool seen_ = false;
    DWORD firstSeen_ = 0;
    std::atomic<DWORD> cancelTick_{0};
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
        DWORD cancelToEndMs = 0;  // from the Cancel press to the dialog's end
    };

    // Runs the real dialog against the test server; `prefix` picks the server's fault
    // (e.g. "slow/"). Without a base URL the dialog uses its own from the string table.
    Outcome RunUpdate(const std::string& prefix, bool cancelMidTransfer = false, bool setBaseUrl = true,
                      DWORD cancelAfterMs = 0) {
        return RunUpdateAt(setBaseUrl ? server_.BaseUrl() + prefix : std::string(), cancelMidTransfer, cancelAfterMs);
    }

    Outcome RunUpdateAt(const std::string& baseUrl, bool cancelMidTransfer, DWORD cancelAfterMs = 0) {
        Outcome outcome;
        PageRecorder pages(outcome.pagesOpened);
        UpdateDialog dialog;
        dialog.SetProgramDirectory(programDirectory_.empty() ? program_.Path() : programDirectory_);
        dialog.SetTransferTimeouts(stallMs_, 60000);
        if (!baseUrl.empty()) dialog.SetUpdateBaseUrl(baseUrl);
        {
            UpdateWatcher watcher(cancelMidTransfer, cancelAfterMs);
            outcome.result = dialog.Run(nullptr);
            if (watcher.CancelPressed()) outcome.cancelToEndMs = ::GetTickCount() - watcher.CancelTick();
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

    // The descriptor as given, signed with the build's key unless told not to.
    void Serve(const std::string& descriptor, const std::string& package, bool sign = true) {
        ASSERT_TRUE(WriteTextFile(served_ / "latest.xml", descriptor));
        ASSERT_TRUE(WriteTextFile(served_ / "update.zip", package));
        ::DeleteFileA((served_ / "latest.xml.sig").c_str());
        if (sign) {
            ASSERT_TRUE(SignWithBuildKey(served_ / "latest.xml"));
        }
        server_.ClearLog();
    }
    // A package announced as a distributor announces it: with its size and hash.
    void ServeUpdate(const std::string& version, const std::string& dataVersion, const std::string& package) {
        Serve(OfferedDescriptor(version, dataVersion, &package), package);
    }

    // Nothing of an update that was refused: the installed files as they were, no
    // downloads or temporary files of ours in the program folder.
    void ExpectNothingInstalled() {
        EXPECT_EQ(kInstalledList, ReadTextFile(program_ / "objects.dll"));
        EXPECT_EQ(kInstalledDescriptor, ReadTextFile(program_ / "latest.xml"));
        EXPECT_FALSE(FileExists(program_ / "update.zip"));
        EXPECT_FALSE(FileExists(program_ / "templatest.xml"));
        EXPECT_FALSE(FileExists(program_ / "templatest.xml.sig"));
        EXPECT_EQ((std::vector<std::string>{"latest.xml", "objects.dll"}), FilesIn(program_.Path()));
    }

    static std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    // A failed download's box carries one line more when its reason is known.
    static void ExpectOneBox(const Outcome& outcome, UINT textId, HICON icon, const std::string& reason = "") {
        ASSERT_EQ(1u, outcome.boxes.size()) << "message " << textId;
        EXPECT_EQ(LoadResourceString(textId) + (reason.empty() ? "" : "\n" + reason), outcome.boxes[0].text);
        EXPECT_EQ(icon, outcome.boxes[0].icon) << "message " << textId;
    }

    static constexpr const char* kInstalledDescriptor = "<?xml version=\"1.0\" ?>\n<hushbar version=\"2.2\" dataversion=\"1.0\" />\n";
    static constexpr const char* kInstalledList = "installed block list";

    ScratchFolder program_{"update-program"};
    std::string programDirectory_;  // another folder than program_, when set
    DWORD stallMs_ = 30000;
    ScratchFolder served_{"update-served"};
    TestHttpServer server_{served_.Path()};
};

const std::string kNewList = "enabled,name,classId,comment\r\n1,New Player,0A0B0C0D-1111-2222-3333-777788889999,fresh\r\n";

std::string NewPackage(const std::string& list, const std::string& descriptor) {
    ZipArchiveWriter zip;
    zip.AddFolder("data/").AddFile("data/objects.dll", list, ZipArchiveWriter::kDefaultDosTime, true);
    zip.AddFile("hook.dll", "MZ not wanted").AddFile("bin/tool.exe", "MZ not wanted either");
    zip.AddFile("data/LATEST.XML", descriptor);
    return zip.Bytes();
}

}  // namespace

TEST_F(UpdateDialogTest, NewerDataIsFetchedAndOnlyTheListAndDescriptorAreWritten) {
  // A server slow to begin each answer is waited for, and asked once per resource.
  for (const char* wait : {"", "wait-1", "wait-5"}) {
    SCOPED_TRACE(wait);
    ::DeleteFileA((program_ / "templatest.xml").c_str());
    ::DeleteFileA((program_ / "update.zip").c_str());
    SetUp();
    const std::string inner = Descriptor("2.2", "1.1");
    const std::string package = NewPackage(kNewList, inner);
    ServeUpdate("2.2", "1.1", package);
    for (const char* file : {"latest.xml.modes", "latest.xml.sig.modes", "update.zip.modes"})
        ASSERT_TRUE(WriteTextFile(served_ / file, wait));

    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kInstalled, outcome.result);
    ExpectOneBox(outcome, IDS_UPDATE_INSTALLED, kInformationIcon);
    EXPECT_EQ(kNewList, ReadTextFile(program_ / "objects.dll"));
    EXPECT_EQ(inner, ReadTextFile(program_ / "latest.xml"));
    EXPECT_EQ(OfferedDescriptor("2.2", "1.1", &package), ReadTextFile(program_ / "templatest.xml"));
    EXPECT_TRUE(FileExists(program_ / "update.zip"));
    EXPECT_FALSE(FileExists(program_ / "hook.dll"));
    EXPECT_FALSE(FileExists(program_ / "tool.exe"));
    EXPECT_FALSE(FolderExists(program_ / "data"));
    EXPECT_FALSE(FolderExists(program_ / "bin"));
    EXPECT_EQ((std::vector<std::string>{"latest.xml", "objects.dll", "templatest.xml", "update.zip"}),
              FilesIn(program_.Path()));
    EXPECT_TRUE(outcome.pagesOpened.empty());
    EXPECT_EQ((std::vector<std::string>{"/latest.xml", "/latest.xml.sig", "/update.zip"}), RequestedTargets());
  }
  for (const char* file : {"latest.xml.modes", "latest.xml.sig.modes", "update.zip.modes"})
      ::DeleteFileA((served_ / file).c_str());
}

TEST_F(UpdateDialogTest, ComparesVersionsAsNumbersAndReportsWithoutFetchingThePackage) {
    const std::string package = NewPackage(kNewList, Descriptor("2.2", "1.1"));
    const std::vector<std::string> descriptorOnly{"/latest.xml", "/latest.xml.sig"};

    ServeUpdate("2.2", "1.0", package);
    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);
    ExpectOneBox(outcome, IDS_UP_TO_DATE, kInformationIcon);
    EXPECT_TRUE(outcome.pagesOpened.empty());
    EXPECT_EQ(descriptorOnly, RequestedTargets());

    // Older data is never installed, however well it is signed.
    ServeUpdate("2.2", "0.9", package);
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);
    EXPECT_EQ(descriptorOnly, RequestedTargets());

    // 2.10 is a smaller number than 2.2: not a newer program.
    ServeUpdate("2.10", "1.0", package);
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);

    // A newer program wins even when the data is newer too.
    ServeUpdate("2.3", "1.1", package);
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kNewerProgram, outcome.result);
    ExpectOneBox(outcome, IDS_NEWER_PROGRAM, kInformationIcon);
    EXPECT_EQ(std::vector<std::string>{"http://www.hushbar.example/hushbar/"}, outcome.pagesOpened);
    EXPECT_EQ(descriptorOnly, RequestedTargets());

    // A downloaded descriptor without numbers cannot be compared.
    Serve("<hushbar version=\"new\" dataversion=\"newer\"/>", package);
    outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kCancelledOrUnreadable, outcome.result);
    ExpectOneBox(outcome, IDS_CONFIG_UNREADABLE, kErrorIcon);
    EXPECT_EQ(1u, outcome.pagesOpened.size());
    ExpectNothingInstalled();
}

TEST_F(UpdateDialogTest, MissingInstalledDescriptorStopsBeforeAnyRequest) {
    ::DeleteFileA((program_ / "latest.xml").c_str());
    ServeUpdate("2.2", "1.1", NewPackage(kNewList, Descriptor("2.2", "1.1")));

    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kCancelledOrUnreadable, outcome.result);
    ExpectOneBox(outcome, IDS_CONFIG_UNREADABLE, kErrorIcon);
    EXPECT_EQ(std::vector<std::string>{"http://www.hushbar.example/hushbar/"}, outcome.pagesOpened);
    EXPECT_TRUE(RequestedTargets().empty());
    EXPECT_EQ(kInstalledList, ReadTextFile(program_ / "objects.dll"));
}

TEST_F(UpdateDialogTest, AFolderThatCannotBeWrittenIsNamedAsTheReason) {
    // Not even the superuser can make files there.
    programDirectory_ = "Z:\\proc\\";
    ServeUpdate("2.2", "1.1", NewPackage(kNewList, Descriptor("2.2", "1.1")));
    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kFolderNotWritable, outcome.result);
    ExpectOneBox(outcome, IDS_FOLDER_NOT_WRITABLE, kErrorIcon);
    EXPECT_NE(LoadResourceString(IDS_FOLDER_NOT_WRITABLE), LoadResourceString(IDS_DOWNLOAD_FAILED));
    EXPECT_TRUE(RequestedTargets().empty());
}

TEST_F(UpdateDialogTest, FailedDownloadsChangeNothingInstalled) {
    ServeUpdate("2.2", "1.1", NewPackage(kNewList, Descriptor("2.2", "1.1")));
    const struct {
        std::string base;
        std::string reason;  // the box's last line; none where the bound says it all
    } faults[] = {
        {server_.BaseUrl() + "status/404/", FormatResourceText(IDS_FAILURE_HTTP_STATUS, "404")},
        {server_.BaseUrl() + "short/", LoadResourceString(IDS_FAILURE_ENDED_EARLY)},
        {server_.BaseUrl() + "loop/", FormatResourceText(IDS_FAILURE_HTTP_STATUS, "302")},
        {server_.BaseUrl() + "endless/", ""},
        {server_.BaseUrl() + "huge-length/", ""},
        {"http://127.0.0.1:1/", LoadResourceString(IDS_FAILURE_CONNECTION_REFUSED)},
        {"http://no-such-host.invalid/", LoadResourceString(IDS_FAILURE_NAME_NOT_RESOLVED)},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.base);
        const DWORD start = ::GetTickCount();
        server_.ClearLog();
        Outcome outcome = RunUpdateAt(fault.base, false);
        EXPECT_EQ(UpdateDialog::kDownloadFailed, outcome.result) << ::testing::PrintToString(RequestedTargets());
        ExpectOneBox(outcome, IDS_DOWNLOAD_FAILED, kErrorIcon, fault.reason);
        // An endless body ends at the bound, an oversized length before the first byte.
        EXPECT_LT(::GetTickCount() - start, 10000u);
        ExpectNothingInstalled();
    }
    // Followed five times, then given up.
    server_.ClearLog();
    RunUpdate("loop/");
    EXPECT_EQ(6u, RequestedTargets().size());

    // The descriptor offers new data but the package is not there, or never ends, or is
    // announced far larger than it may be.
    for (const char* modes : {"", "endless", "huge-length"}) {
        SCOPED_TRACE(modes);
        ServeUpdate("2.2", "1.1", NewPackage(kNewList, Descriptor("2.2", "1.1")));
        if (*modes) {
            ASSERT_TRUE(WriteTextFile(served_ / "update.zip.modes", modes));
        } else {
            ::DeleteFileA((served_ / "update.zip").c_str());
        }
        Outcome outcome = RunUpdate("");
        EXPECT_EQ(UpdateDialog::kDownloadFailed, outcome.result);
        ExpectOneBox(outcome, IDS_DOWNLOAD_FAILED, kErrorIcon,
                     *modes ? "" : FormatResourceText(IDS_FAILURE_HTTP_STATUS, "404"));
        ExpectNothingInstalled();
        EXPECT_TRUE(outcome.pagesOpened.empty());
    }
    ::DeleteFileA((served_ / "update.zip.modes").c_str());
}

TEST_F(UpdateDialogTest, AServerThatNeverAnswersEndsAsAFailedDownload) {
    stallMs_ = 1500;
    ServeUpdate("2.2", "1.1", NewPackage(kNewList, Descriptor("2.2", "1.1")));
    for (const char* modes : {"never-answer", "stall"}) {
        SCOPED_TRACE(modes);
        for (const char* file : {"latest.xml.modes", "update.zip.modes"}) {
            ::DeleteFileA((served_ / "latest.xml.modes").c_str());
            ::DeleteFileA((served_ / "update.zip.modes").c_str());
            ASSERT_TRUE(WriteTextFile(served_ / file, modes));
            const DWORD start = ::GetTickCount();
            server_.ClearLog();
            Outcome outcome = RunUpdate("");
            EXPECT_EQ(UpdateDialog::kDownloadFailed, outcome.result) << file;
            ExpectOneBox(outcome, IDS_DOWNLOAD_FAILED, kErrorIcon, FormatResourceText(IDS_FAILURE_SILENCE, "2"));
            // Asked once, however long it kept silent.
            EXPECT_EQ(std::string(file) == "update.zip.modes" ? 3u : 1u, RequestedTargets().size());
            EXPECT_LT(::GetTickCount() - start, 8000u) << file;
            ExpectNothingInstalled();
        }
    }
    ::DeleteFileA((served_ / "latest.xml.modes").c_str());
    ::DeleteFileA((served_ / "update.zip.modes").c_str());
}

TEST_F(UpdateDialogTest, CancelWhileTheServerKeepsUsWaitingIsPromptAndQuiet) {
    ServeUpdate("2.2", "1.1", NewPackage(kNewList, Descriptor("2.2", "1.1")));
    // Each resource in turn answers only after 20 s: Cancel does not wait for it.
    for (const char* file : {"latest.xml.modes", "latest.xml.sig.modes", "update.zip.modes"}) {
        SCOPED_TRACE(file);
        for (const char* other : {"latest.xml.modes", "latest.xml.sig.modes", "update.zip.modes"})
            ::DeleteFileA((served_ / other).c_str());
        ASSERT_TRUE(WriteTextFile(served_ / file, "wait-20"));
        server_.ClearLog();
        Outcome outcome = RunUpdate("", false, true, 1500);
        // Pressed while that very request waited for its answer.
        const std::vector<std::string> targets = RequestedTargets();
        ASSERT_FALSE(targets.empty());
        EXPECT_EQ("/" + std::string(file).substr(0, std::strlen(file) - 6), targets.back());
        EXPECT_TRUE(outcome.cancelPressed);
        EXPECT_EQ(UpdateDialog::kCancelledOrUnreadable, outcome.result);
        EXPECT_LT(outcome.cancelToEndMs, 1000u);
        EXPECT_TRUE(outcome.boxes.empty());
        ExpectNothingInstalled();
    }
    for (const char* file : {"latest.xml.modes", "latest.xml.sig.modes", "update.zip.modes"})
        ::DeleteFileA((served_ / file).c_str());
    // The next click starts cleanly.
    ServeUpdate("2.2", "1.1", NewPackage(kNewList, Descriptor("2.2", "1.1")));
    EXPECT_EQ(UpdateDialog::kInstalled, RunUpdate("").result);
}

TEST_F(UpdateDialogTest, UnverifiedDescriptorsInstallNothing) {
    const std::string package = NewPackage(kNewList, Descriptor("2.2", "1.1"));
    const std::string offered = OfferedDescriptor("2.2", "1.1", &package);
    auto expectRefused = [&](const char* what) {
        SCOPED_TRACE(what);
        server_.ClearLog();
        Outcome outcome = RunUpdate("");
        EXPECT_EQ(UpdateDialog::kUnverified, outcome.result);
        ExpectOneBox(outcome, IDS_UPDATE_UNVERIFIED, kErrorIcon);
        EXPECT_EQ((std::vector<std::string>{"/latest.xml", "/latest.xml.sig"}), RequestedTargets());
        ExpectNothingInstalled();
    };

    Serve(offered, package, false);
    expectRefused("no signature");

    // Signed, then changed: a newer data version slipped in by someone on the way.
    Serve(offered, package);
    std::string changed = offered;
    changed.replace(changed.find("1.1"), 3, "1.2");
    ASSERT_TRUE(WriteTextFile(served_ / "latest.xml", changed));
    expectRefused("descriptor changed after signing");

    // The right descriptor with a damaged signature, and with text that is no signature.
    Serve(offered, package);
    std::string signature = ReadTextFile(served_ / "latest.xml.sig");
    signature[10] = signature[10] == 'A' ? 'B' : 'A';
    ASSERT_TRUE(WriteTextFile(served_ / "latest.xml.sig", signature));
    expectRefused("signature changed");
    ASSERT_TRUE(WriteTextFile(served_ / "latest.xml.sig", "not base64 at all!"));
    expectRefused("no signature text");
    ASSERT_TRUE(WriteTextFile(served_ / "latest.xml.sig", ""));
    expectRefused("empty signature");
}

TEST_F(UpdateDialogTest, PackagesThatAreNotTheAnnouncedOneOrNotUsableAreRefused) {
    const std::string inner = Descriptor("2.2", "1.1");
    const std::string good = NewPackage(kNewList, inner);
    std::string bomb(64 * 1024 * 1024, '\0');
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919) % 256);
    const std::string damaged = "enabled,name,classId,comment\r\n1,Damaged,0A0B0C0D-1111-2222-3333-777788889999,\r\n";

    // Stored, not compressed, so that one changed byte keeps the archive's size.
    const std::string sameSize = ZipArchiveWriter().AddFile("objects.dll", kNewList).AddFile("latest.xml", inner).Bytes();
    const std::string sameSizeOther =
        ZipArchiveWriter().AddFile("objects.dll", kNewList.substr(0, kNewList.size() - 3) + "x\r\n").AddFile("latest.xml", inner).Bytes();
    ASSERT_EQ(sameSize.size(), sameSizeOther.size());

    struct Case {
        const char* what;
        std::string package;
        std::string announced;  // what the descriptor's size and hash are taken from
    };
    const Case cases[] = {
        {"not a zip archive", "not a zip archive at all", ""},
        {"no block list", ZipArchiveWriter().AddFile("latest.xml", inner).AddFile("readme.txt", "no list").Bytes(), ""},
        {"a name that climbs out",
         ZipArchiveWriter().AddFile("latest.xml", inner).AddFile("objects.dll", kNewList).AddFile("../escape.dll", "x").Bytes(), ""},
        {"a damaged stored entry",
         ZipArchiveWriter().AddFile("objects.dll", damaged).FlipLastByte(40).AddFile("latest.xml", inner).Bytes(), ""},
        {"an empty block list", ZipArchiveWriter().AddFile("objects.dll", "").AddFile("latest.xml", inner).Bytes(), ""},
        {"a binary block list", ZipArchiveWriter().AddFile("objects.dll", binary).AddFile("latest.xml", inner).Bytes(), ""},
        {"a list of junk", ZipArchiveWriter().AddFile("objects.dll", "h\r\n1,x,not-a-class-id,\r\n").AddFile("latest.xml", inner).Bytes(), ""},
        {"an inner descriptor of other data",
         ZipArchiveWriter().AddFile("objects.dll", kNewList).AddFile("latest.xml", Descriptor("2.2", "1.0")).Bytes(), ""},
        {"an inner descriptor that does not load",
         ZipArchiveWriter().AddFile("objects.dll", kNewList).AddFile("latest.xml", "<hushbar version=").Bytes(), ""},
        {"no inner descriptor", ZipArchiveWriter().AddFile("objects.dll", kNewList).Bytes(), ""},
        {"a block list that unpacks past its bound",
         ZipArchiveWriter().AddFile("objects.dll", bomb, ZipArchiveWriter::kDefaultDosTime, true).AddFile("latest.xml", inner).Bytes(), ""},
        {"another package than announced", good, NewPackage(kNewList + "\r\n", inner)},
        {"a package one byte longer than announced", good + "x", good},
        // Sound and of the announced size: only its hash tells it from the announced one.
        {"a package of the announced size with other bytes", sameSizeOther, sameSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string& announced = c.announced.empty() ? c.package : c.announced;
        Serve(OfferedDescriptor("2.2", "1.1", &announced), c.package);
        // The unpack bound stops the writing: a file that grows to the bomb's size and is
        // refused only then would still have filled the disk.
        std::atomic<bool> unpacking{true};
        DWORD largestTemporary = 0;
        std::thread watcher([&] {
            while (unpacking) {
                WIN32_FIND_DATAA found{};
                HANDLE search = ::FindFirstFileA((program_ / "*.tmp").c_str(), &found);
                if (search == INVALID_HANDLE_VALUE) continue;
                do largestTemporary = std::max(largestTemporary, found.nFileSizeLow);
                while (::FindNextFileA(search, &found));
                ::FindClose(search);
            }
        });
        Outcome outcome = RunUpdate("");
        unpacking = false;
        watcher.join();
        EXPECT_LT(largestTemporary, bomb.size() / 4);
        const bool cutShort = c.package.size() > announced.size();
        EXPECT_EQ(cutShort ? UpdateDialog::kDownloadFailed : UpdateDialog::kInvalidPackage, outcome.result);
        ExpectOneBox(outcome, cutShort ? IDS_DOWNLOAD_FAILED : IDS_INVALID_UPDATE, kErrorIcon);
        EXPECT_FALSE(FileExists(program_ / "escape.dll"));
        EXPECT_FALSE(FileExists(program_ / "readme.txt"));
        ExpectNothingInstalled();
    }

    // A descriptor that announces new data without saying what the package is.
    Serve(Descriptor("2.2", "1.1"), good);
    Outcome outcome = RunUpdate("");
    EXPECT_EQ(UpdateDialog::kInvalidPackage, outcome.result);
    EXPECT_EQ((std::vector<std::string>{"/latest.xml", "/latest.xml.sig"}), RequestedTargets());
    ExpectNothingInstalled();
}

TEST_F(UpdateDialogTest, CancelDuringThePackageEndsQuietly) {
    std::string bigList = "enabled,name,classId,comment\r\n";
    while (bigList.size() < 200 * 1024) bigList += "1,Some Player,0A0B0C0D-1111-2222-3333-777788889999,a comment\r\n";
    const std::string package = ZipArchiveWriter().AddFile("objects.dll", bigList).AddFile("latest.xml", Descriptor("2.2", "1.1")).Bytes();
    ServeUpdate("2.2", "1.1", package);
    ASSERT_TRUE(WriteTextFile(served_ / "update.zip.modes", "slow"));

    Outcome outcome = RunUpdate("", true);
    ::DeleteFileA((served_ / "update.zip.modes").c_str());
    EXPECT_TRUE(outcome.cancelPressed);
    EXPECT_EQ(UpdateDialog::kCancelledOrUnreadable, outcome.result);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_LT(outcome.cancelToEndMs, 1000u);
    ExpectNothingInstalled();
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
    ASSERT_TRUE(SignWithBuildKey(folder + "latest.xml"));
    server_.ClearLog();

    ProxyOverride proxy(server_.Port());
    Outcome outcome = RunUpdate("", false, false);
    EXPECT_EQ(UpdateDialog::kUpToDate, outcome.result);
    std::vector<std::string> targets = RequestedTargets();
    ASSERT_EQ(2u, targets.size());
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

// Over HTTPS a certificate nobody vouches for is refused, whatever the server serves.
TEST_F(UpdateDialogTest, AnHttpsServerWithAnUntrustedCertificateIsRefused) {
    const std::string package = NewPackage(kNewList, Descriptor("2.2", "1.1"));
    ServeUpdate("2.2", "1.1", package);
    TestHttpServer tlsServer(served_.Path(), 120, true);
    ASSERT_TRUE(tlsServer.IsRunning());
    ASSERT_EQ(0u, tlsServer.BaseUrl().rfind("https://", 0));
    Outcome outcome = RunUpdateAt(tlsServer.BaseUrl(), false);
    EXPECT_EQ(UpdateDialog::kDownloadFailed, outcome.result);
    ExpectOneBox(outcome, IDS_DOWNLOAD_FAILED, kErrorIcon, LoadResourceString(IDS_FAILURE_CERTIFICATE));
    ExpectNothingInstalled();
}
