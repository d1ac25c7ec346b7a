#pragma once
// Fetches one resource over HTTP or HTTPS into a local file, on a worker thread of its
// own (Start) or on the calling thread (RunNow). The body goes into a temporary file that
// becomes the destination only when it is complete, so a failed or cancelled transfer
// never leaves a partial destination behind. Status, progress and the final result are
// reported through three receiver-and-member-function slots, called on the transfer's
// thread.
#include "update/InternetHandle.h"
#include "update/MemberCallback.h"
#include "update/UrlParts.h"
#include "update/WorkerThread.h"
#include "win/Win32.h"

#include <wininet.h>

#include <string>

// What a transfer ended with: 0 success, 1 aborted, 2 and above failures.
enum DownloadResult : int {
    kDownloadSucceeded = 0,      // the body is complete and in the destination file
    kDownloadAborted = 1,        // the abort event was found signalled
    kDownloadNoInternet = 2,     // no root handle, or the status callback was refused
    kDownloadBadUrl = 3,         // the URL cannot be split, even with "http://" in front
    kDownloadFileFailed = 4,     // temporary file not created or written, or final move
    kDownloadConnectFailed = 5,  // connecting, opening or sending the request failed
    kDownloadReadFailed = 6,     // reading the body failed, or it ended short
    kDownloadNoStatus = 7,       // the HTTP status code cannot be read
    kDownloadHttpError = 8,      // any status but 200/206, or authentication that failed
};

// Kept by the transfer across reads and handed to the progress receiver by reference, so
// the receiver can remember when and at what total it last refreshed its display.
struct ProgressState {
    DWORD lastTick = 0;     // starts at the start tick
    DWORD lastTotal = 0;    // starts at 0
    DWORD lastPercent = 0;  // starts at 0
};

// (internet handle, status code, status information, length of the information)
using DownloadStatusCallback = MemberCallback<HINTERNET, DWORD, LPVOID, DWORD>;
// (start tick, last tick, total bytes, last total, last percent, length known,
//  content length); the three references are the transfer's ProgressState.
using DownloadProgressCallback =
    MemberCallback<DWORD, DWORD&, DWORD, DWORD&, DWORD&, bool, DWORD>;
using DownloadCompletionCallback = MemberCallback<DownloadResult>;

class HttpDownloader : public WorkerThread {
public:
    static constexpr const char* kDefaultUserAgent = "CORVANE::HttpDownloader";

    enum ProxyMode : int {
        kProxySystem = 0,  // the system's configuration
        kProxyDirect = 1,
        kProxyNamed = 2,   // the proxies in the proxy list
    };

    HttpDownloader();
    // Signals abort, waits for the worker thread, then releases the handles and the event.
    ~HttpDownloader();
    HttpDownloader(const HttpDownloader&) = delete;
    HttpDownloader& operator=(const HttpDownloader&) = delete;

    void SetUrl(const std::string& url) { url_ = url; }
    void SetDestinationPath(const std::string& path) { destinationPath_ = path; }
    void SetProxyList(const std::string& list) { proxyList_ = list; }
    void SetProxyUserName(const std::string& name) { proxyUserName_ = name; }
    void SetProxyPassword(const std::string& password) { proxyPassword_ = password; }
    void SetUserAgent(const std::string& agent) { userAgent_ = agent; }
    void SetProxyMode(int mode) { proxyMode_ = mode; }
    void SetPromptForProxyCredentials(bool prompt) { promptForProxyCredentials_ = prompt; }
    void SetPromptForServerCredentials(bool prompt) { promptForServerCredentials_ = prompt; }
    // Bytes per millisecond; 0 or less means no limit.
    void SetMaxRate(double bytesPerMillisecond) { maxRate_ = bytesPerMillisecond; }
    // Bytes already held: asks the server for the rest only. 0 asks for everything.
    void SetResumeOffset(DWORD offset) { resumeOffset_ = offset; }

    template <class Receiver>
    void SetStatusCallback(Receiver* receiver,
                           void (Receiver::*member)(HINTERNET, DWORD, LPVOID, DWORD)) {
        statusCallback_.Bind(receiver, member);
    }
    template <class Receiver>
    void SetProgressCallback(Receiver* receiver,
                             void (Receiver::*member)(DWORD, DWORD&, DWORD, DWORD&, DWORD&,
                                                      bool, DWORD)) {
        progressCallback_.Bind(receiver, member);
    }
    template <class Receiver>
    void SetCompletionCallback(Receiver* receiver, void (Receiver::*member)(DownloadResult)) {
        completionCallback_.Bind(receiver, member);
    }
    // Empties all three slots; nothing more is reported until they are set again.
    void ClearCallbacks() noexcept;

    const std::string& Url() const noexcept { return url_; }
    const std::string& DestinationPath() const noexcept { return destinationPath_; }
    const std::string& UserAgent() const noexcept { return userAgent_; }
    const UrlParts& Parts() const noexcept { return urlParts_; }

    // Runs RunNow on a new worker thread of normal priority; false when none started.
    bool Start();
    // Runs one transfer on the calling thread, closes its internet handles, then calls
    // the completion slot with the result. Returns 0.
    int RunNow();
    // Makes the running transfer end with kDownloadAborted at its next check. Any thread.
    void Abort() noexcept;

private:
    static DWORD WINAPI ThreadProcedure(void* self);
    static void CALLBACK OnInternetStatus(HINTERNET handle, DWORD_PTR context, DWORD status,
                                          LPVOID information, DWORD length);

    DownloadResult Transfer();
    DownloadResult OpenSession();
    DownloadResult SendUntilAnswered();
    DownloadResult ReadBody(class TempDownloadFile& file);
    DownloadResult Authenticate(DWORD statusCode, bool& sendAgain);
    bool AbortRequested() const noexcept;
    void CloseInternetHandles() noexcept;

    std::string url_;
    std::string destinationPath_;
    std::string proxyList_;
    std::string proxyUserName_;
    std::string proxyPassword_;
    std::string userAgent_;
    int proxyMode_ = kProxySystem;
    bool promptForProxyCredentials_ = true;
    bool promptForServerCredentials_ = true;
    double maxRate_ = 0.0;
    DWORD resumeOffset_ = 0;
    DownloadStatusCallback statusCallback_;
    DownloadCompletionCallback completionCallback_;
    DownloadProgressCallback progressCallback_;
    UniqueInternetHandle root_;
    UniqueInternetHandle connection_;
    UniqueInternetHandle request_;
    UniqueKernelHandle abortEvent_;
    UrlParts urlParts_;
};
