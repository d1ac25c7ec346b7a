#pragma once
// Fetches one resource over HTTP or HTTPS into a local file, on a worker thread of its
// own (Start) or on the calling thread (RunNow). The body goes into a temporary file that
// becomes the destination only when it is complete, so a failed or cancelled transfer
// never leaves a partial destination behind. Status, progress and the final result are
// reported through three receiver-and-member-function slots, called on the transfer's
// thread.
//
// The library runs in its asynchronous mode: each request is sent once, and the transfer
// waits for its answer, for Abort and for the silence limit together, so a slow server is
// neither asked again nor able to hold a Cancel up.
#include "update/InternetHandle.h"
#include "update/MemberCallback.h"
#include "update/UrlParts.h"
#include "update/WorkerThread.h"
#include "win/Win32.h"

#include <wininet.h>

#include <functional>
#include <string>
#include <vector>

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
    kDownloadHttpError = 8,      // any status but 200/206, authentication that failed,
                                 // or more redirects than are followed
    kDownloadTooLarge = 9,       // the body, or its announced length, is past the bound
    kDownloadTimedOut = 10,      // the server sent nothing for too long, or took too long
};

// Why a transfer failed, in terms a user or an administrator can act on.
enum DownloadFailure : int {
    kFailureOther = 0,  // nothing more useful to say
    kFailureNameNotResolved,
    kFailureConnectionRefused,
    kFailureSilence,     // nothing from the server for the silence limit
    kFailureHttpStatus,  // the status is HttpStatus()
    kFailureCertificate,
    kFailureEndedEarly,
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
    // The largest body accepted; a longer one, or a longer Content-Length, ends the
    // transfer with kDownloadTooLarge. 0 means no bound.
    void SetMaxBytes(DWORD maxBytes) { maxBytes_ = maxBytes; }
    // The transfer gives up with kDownloadTimedOut when the server has sent nothing for
    // `stallMs` (before its answer or within the body), or when the whole transfer has
    // taken `totalMs`. A server that answers within `stallMs` is waited for, never asked
    // again.
    void SetTimeouts(DWORD stallMs, DWORD totalMs) {
        stallTimeoutMs_ = stallMs;
        totalTimeoutMs_ = totalMs;
    }

    // Redirects followed before the transfer fails with kDownloadHttpError.
    static constexpr int kMaxRedirects = 5;
    static constexpr DWORD kDefaultStallTimeoutMs = 30000;
    static constexpr DWORD kDefaultTotalTimeoutMs = 10 * 60 * 1000;

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
    // Why the last transfer failed (kFailureOther after a success or an abort), and the
    // status the server answered with when that is the reason.
    DownloadFailure Failure() const noexcept { return failure_; }
    DWORD HttpStatus() const noexcept { return httpStatus_; }

    // Runs RunNow on a new worker thread of normal priority; false when none started.
    bool Start();
    // Runs one transfer on the calling thread, closes its internet handles, then calls
    // the completion slot with the result. Returns 0.
    int RunNow();
    // Makes the running transfer end with kDownloadAborted at once, even while it waits
    // for the server, and for good: a later transfer of this downloader ends the same way
    // before it sends anything, so a Cancel between two transfers is never lost. Any
    // thread.
    void Abort() noexcept;

private:
    static DWORD WINAPI ThreadProcedure(void* self);
    static void CALLBACK OnInternetStatus(HINTERNET handle, DWORD_PTR context, DWORD status,
                                          LPVOID information, DWORD length);
    // One notification of the library, kept until the transfer's thread passes it on.
    struct Notice {
        HINTERNET handle;
        DWORD status;
        std::vector<char> information;  // a copy, with a terminating zero added
        DWORD length;
    };
    // Lists this transfer's serial, so that the library's notifications reach it.
    void Listen();
    void Note(HINTERNET handle, DWORD status, LPVOID information, DWORD length);
    // Passes the notifications kept so far to the status slot, on the calling thread.
    void DeliverNotices();

    DownloadResult Transfer();
    DownloadResult OpenSession();
    DownloadResult OpenRequest();
    DownloadResult SendUntilAnswered(DWORD& statusCode);
    DownloadResult FollowRedirect();
    DownloadResult ReadBody(class TempDownloadFile& file);
    DownloadResult Authenticate(DWORD statusCode, bool& sendAgain);
    // Makes one library call that may finish later; waits for it then, for Abort and
    // for the time limits. `pended` tells whether it finished later, callCompleted_
    // whether a call that pended did finish, rather than being given up on.
    DownloadResult Complete(const std::function<bool()>& call, DownloadResult failure, bool& pended);
    DownloadResult AwaitCompletion();
    // Reads what has arrived of the body, at most `size` bytes; `got` 0 at its end.
    DownloadResult ReadSome(char* buffer, DWORD size, DWORD& got);
    // The result a failed call ends with, its reason noted from the library's error.
    DownloadResult FailureOf(DownloadResult failure, DWORD error);
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
    DWORD maxBytes_ = 0;
    DWORD stallTimeoutMs_ = kDefaultStallTimeoutMs;
    DWORD totalTimeoutMs_ = kDefaultTotalTimeoutMs;
    DWORD transferStartTick_ = 0;
    DWORD lastActivityTick_ = 0;
    DownloadStatusCallback statusCallback_;
    DownloadCompletionCallback completionCallback_;
    DownloadProgressCallback progressCallback_;
    UniqueInternetHandle root_;
    UniqueInternetHandle connection_;
    UniqueInternetHandle request_;
    UniqueKernelHandle abortEvent_;
    UniqueKernelHandle completedEvent_;  // the library finished a pending call
    UniqueKernelHandle noticeEvent_;     // a notification waits to be passed on
    // The context the current session's handles carry; 0 when there is none. Guarded,
    // with notices_ and completion_, by the lock of the transfers that still listen.
    DWORD_PTR serial_ = 0;
    std::vector<Notice> notices_;
    INTERNET_ASYNC_RESULT completion_{};
    bool callCompleted_ = false;
    UrlParts urlParts_;
    DownloadFailure failure_ = kFailureOther;
    DWORD httpStatus_ = 0;
};
