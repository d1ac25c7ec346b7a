#pragma once
// What the downloader tests share: one loopback server for the whole suite, a private
// temporary folder (TMP/TEMP point at it) so that leftover temporary files can be
// counted, a destination folder, and a receiver that records every callback.
#include "support/ZipTestFiles.h"
#include "tests/support/TestHttpServer.h"
#include "update/HttpDownloader.h"
#include "win/Win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct ProgressCall {
    DWORD startTick;
    DWORD lastTick;
    DWORD total;
    DWORD lastTotal;
    DWORD lastPercent;
    bool lengthKnown;
    DWORD contentLength;
};

class DownloadRecorder {
public:
    DownloadRecorder();
    ~DownloadRecorder();

    void Attach(HttpDownloader& downloader);

    void OnStatus(HINTERNET handle, DWORD status, LPVOID information, DWORD length);
    void OnProgress(DWORD startTick, DWORD& lastTick, DWORD total, DWORD& lastTotal,
                    DWORD& lastPercent, bool lengthKnown, DWORD contentLength);
    void OnCompletion(DownloadResult result);

    // Waits for the completion callback; false on time-out.
    bool WaitForCompletion(DWORD milliseconds = 20000);
    // Waits until the progress callback has seen at least one byte.
    bool WaitForFirstBytes(DWORD milliseconds = 20000);

    std::vector<DWORD> statuses;
    std::vector<std::string> redirects;
    std::vector<ProgressCall> progress;
    std::vector<DownloadResult> results;
    bool nullStatusHandle = false;
    // When set, Abort is called on this downloader once at least `abortAtTotal` bytes
    // have arrived: from the progress callback, or with `abortWhileReceiving` from the
    // next receiving notification, which comes in the middle of a read.
    HttpDownloader* abortTarget = nullptr;
    DWORD abortAtTotal = 0;
    bool abortWhileReceiving = false;
    int abortedAtCall = -1;
    // When set, the progress callback writes its call count into the state it is handed.
    bool markProgressState = false;

private:
    HANDLE completed_;
    HANDLE firstBytes_;
};

class DownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static std::string Url(const std::string& path);  // server base URL + path
    static int Port();
    // Runs the transfer on this thread with a fresh recorder attached; returns its result.
    DownloadResult Fetch(HttpDownloader& downloader, DownloadRecorder& recorder);

    std::string Destination(const char* name = "out.bin") const;
    // Number of files in the private temporary folder.
    int TemporaryFileCount() const;

    static std::unique_ptr<TestHttpServer> server_;
    static std::string contentRoot_;
    std::string tempFolder_;
    std::string destinationFolder_;

private:
    std::string savedTmp_;
    std::string savedTemp_;
};

// Bytes the server's gen/<n> path sends: byte i is i % 251.
std::string GeneratedBytes(std::size_t size, std::size_t from = 0);
// A request line's target as a proxy receives it for http://updates.hushbar.example/...
// (the library may or may not spell out the default port).
bool IsProxiedRequestFor(const std::string& path, const std::string& target);
