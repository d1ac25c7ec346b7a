#include "tests/update/DownloadFixture.h"

std::unique_ptr<TestHttpServer> DownloadTest::server_;
std::string DownloadTest::contentRoot_;

namespace {

std::string EnvironmentValue(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::string GeneratedBytes(std::size_t size, std::size_t from) {
    std::string bytes;
    for (std::size_t i = from; i < size; ++i) bytes.push_back(static_cast<char>(i % 251));
    return bytes;
}

bool IsProxiedRequestFor(const std::string& path, const std::string& target) {
    return target == "http://updates.hushbar.example" + path ||
           target == "http://updates.hushbar.example:80" + path;
}

DownloadRecorder::DownloadRecorder()
    : completed_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      firstBytes_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

DownloadRecorder::~DownloadRecorder() {
    CloseHandle(completed_);
    CloseHandle(firstBytes_);
}

void DownloadRecorder::Attach(HttpDownloader& downloader) {
    downloader.SetStatusCallback(this, &DownloadRecorder::OnStatus);
    downloader.SetProgressCallback(this, &DownloadRecorder::OnProgress);
    downloader.SetCompletionCallback(this, &DownloadRecorder::OnCompletion);
}

void DownloadRecorder::OnStatus(HINTERNET handle, DWORD status, LPVOID information, DWORD) {
    if (handle == nullptr) nullStatusHandle = true;
    statuses.push_back(status);
    // Receiving is reported from inside a read: an abort signalled here arrives while a
    // block is in hand.
    if (abortTarget != nullptr && abortWhileReceiving && abortedAtCall < 0 &&
        status == INTERNET_STATUS_RECEIVING_RESPONSE && !progress.empty() &&
        progress.back().total >= abortAtTotal && progress.back().total > 0) {
        abortedAtCall = static_cast<int>(progress.size());
        abortTarget->Abort();
    }
    if (status == INTERNET_STATUS_REDIRECT && information != nullptr)
        redirects.emplace_back(static_cast<const char*>(information));
}

void DownloadRecorder::OnProgress(DWORD startTick, DWORD& lastTick, DWORD total,
                                  DWORD& lastTotal, DWORD& lastPercent, bool lengthKnown,
                                  DWORD contentLength) {
    progress.push_back(
        {startTick, lastTick, total, lastTotal, lastPercent, lengthKnown, contentLength});
    if (markProgressState) {
        lastPercent = static_cast<DWORD>(progress.size());
        lastTotal = total;
    }
    if (total > 0) SetEvent(firstBytes_);
    if (abortTarget != nullptr && !abortWhileReceiving && abortedAtCall < 0 &&
        total >= abortAtTotal && total > 0) {
        abortedAtCall = static_cast<int>(progress.size());
        abortTarget->Abort();
    }
}

void DownloadRecorder::OnCompletion(DownloadResult result) {
    results.push_back(result);
    SetEvent(completed_);
}

bool DownloadRecorder::WaitForCompletion(DWORD milliseconds) {
    return WaitForSingleObject(completed_, milliseconds) == WAIT_OBJECT_0;
}

bool DownloadRecorder::WaitForFirstBytes(DWORD milliseconds) {
    return WaitForSingleObject(firstBytes_, milliseconds) == WAIT_OBJECT_0;
}

void DownloadTest::SetUpTestSuite() {
    contentRoot_ = std::string(HUSHBAR_TEST_BINARY) + "\\download-content";
    CreateDirectoryA(contentRoot_.c_str(), nullptr);
    CreateDirectoryA((contentRoot_ + "\\files").c_str(), nullptr);
    WriteTextFile(contentRoot_ + "\\files\\note.txt", "a small text file\r\n");
    server_ = std::make_unique<TestHttpServer>(contentRoot_);
}

void DownloadTest::TearDownTestSuite() { server_.reset(); }

void DownloadTest::SetUp() {
    ASSERT_TRUE(server_ && server_->IsRunning()) << "the test HTTP server did not start";
    tempFolder_ = std::string(HUSHBAR_TEST_BINARY) + "\\download-temp";
    destinationFolder_ = std::string(HUSHBAR_TEST_BINARY) + "\\download-out";
    CreateDirectoryA(tempFolder_.c_str(), nullptr);
    CreateDirectoryA(destinationFolder_.c_str(), nullptr);
    EmptyFolder(tempFolder_);
    EmptyFolder(destinationFolder_);
    savedTmp_ = EnvironmentValue("TMP");
    savedTemp_ = EnvironmentValue("TEMP");
    SetEnvironmentVariableA("TMP", (tempFolder_ + "\\").c_str());
    SetEnvironmentVariableA("TEMP", (tempFolder_ + "\\").c_str());
    server_->ClearLog();
}

void DownloadTest::TearDown() {
    SetEnvironmentVariableA("TMP", savedTmp_.empty() ? nullptr : savedTmp_.c_str());
    SetEnvironmentVariableA("TEMP", savedTemp_.empty() ? nullptr : savedTemp_.c_str());
}

std::string DownloadTest::Url(const std::string& path) { return server_->BaseUrl() + path; }

int DownloadTest::Port() { return server_->Port(); }

DownloadResult DownloadTest::Fetch(HttpDownloader& downloader, DownloadRecorder& recorder) {
    recorder.Attach(downloader);
    downloader.RunNow();
    EXPECT_EQ(1u, recorder.results.size()) << "completion must be reported exactly once";
    return recorder.results.empty() ? static_cast<DownloadResult>(-1) : recorder.results.back();
}

std::string DownloadTest::Destination(const char* name) const {
    return destinationFolder_ + "\\" + name;
}

int DownloadTest::TemporaryFileCount() const {
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((tempFolder_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}
