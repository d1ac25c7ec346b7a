// The downloader's side of the library's asynchronous mode: the notifications it sends
// from its own threads, the waits for a pending call, and what a failure is put down to.
#include "update/HttpDownloader.h"

#include <algorithm>
#include <map>
#include <memory>

namespace {

// The library may still report on a session after its transfer gave up on it (a call it
// was waiting for finishes in the library's own thread). Handles carry a serial rather
// than the downloader's address, and a notification is taken only while its serial is
// listed here, so a late one never reaches a downloader that has moved on or gone.
SRWLOCK gListeningLock = SRWLOCK_INIT;
DWORD_PTR gLastSerial = 0;

std::map<DWORD_PTR, HttpDownloader*>& Listening() {
    static std::map<DWORD_PTR, HttpDownloader*> transfers;
    return transfers;
}

class ListeningLock {
public:
    ListeningLock() { AcquireSRWLockExclusive(&gListeningLock); }
    ~ListeningLock() { ReleaseSRWLockExclusive(&gListeningLock); }
    ListeningLock(const ListeningLock&) = delete;
    ListeningLock& operator=(const ListeningLock&) = delete;
};

// Notifications kept per transfer, and the bytes kept of each: enough for the texts shown.
constexpr std::size_t kMaxNotices = 64;
constexpr DWORD kMaxNoticeBytes = 1024;
DWORD TimeLeft(DWORD since, DWORD limit, DWORD now) {
    const DWORD spent = now - since;
    return spent >= limit ? 0 : limit - spent;
}

}  // namespace

void HttpDownloader::Listen() {
    ListeningLock lock;
    if (++gLastSerial == 0) ++gLastSerial;
    serial_ = gLastSerial;
    Listening()[serial_] = this;
}

void HttpDownloader::CloseInternetHandles() noexcept {
    {
        // Whatever the library still says about these handles is nobody's from now on.
        ListeningLock lock;
        if (serial_ != 0) Listening().erase(serial_);
        serial_ = 0;
        notices_.clear();
    }
    // Children before the session they belong to. A call still pending in the library
    // ends there, against handles no longer ours.
    request_.Reset();
    connection_.Reset();
    root_.Reset();
}

void CALLBACK HttpDownloader::OnInternetStatus(HINTERNET handle, DWORD_PTR context,
                                               DWORD status, LPVOID information,
                                               DWORD length) {
    // The connection and the request carry their transfer's serial; the root handle
    // carries none, and its notifications are nobody's.
    if (context == 0) return;
    ListeningLock lock;
    auto found = Listening().find(context);
    if (found != Listening().end()) found->second->Note(handle, status, information, length);
}

void HttpDownloader::Note(HINTERNET handle, DWORD status, LPVOID information, DWORD length) {
    // Called under the listening lock, on whatever thread the library chose: kept, and
    // passed on by the transfer's own thread.
    if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        if (information != nullptr && length >= sizeof(INTERNET_ASYNC_RESULT))
            completion_ = *static_cast<const INTERNET_ASYNC_RESULT*>(information);
        else
            completion_ = INTERNET_ASYNC_RESULT{0, ERROR_INTERNET_INTERNAL_ERROR};
        SetEvent(completedEvent_.Get());
        return;
    }
    if (notices_.size() >= kMaxNotices) return;
    Notice notice{handle, status, {}, 0};
    if (information != nullptr) {
        notice.length = std::min(length, kMaxNoticeBytes);
        const char* bytes = static_cast<const char*>(information);
        notice.information.assign(bytes, bytes + notice.length);
        notice.information.push_back('\0');
    }
    notices_.push_back(std::move(notice));
    SetEvent(noticeEvent_.Get());
}

void HttpDownloader::DeliverNotices() {
    std::vector<Notice> notices;
    {
        ListeningLock lock;
        notices.swap(notices_);
    }
    for (Notice& notice : notices)
        statusCallback_(notice.handle, notice.status,
                        notice.information.empty() ? nullptr : notice.information.data(), notice.length);
}

DownloadResult HttpDownloader::AwaitCompletion() {
    // Abort first: a Cancel that comes with the answer still wins.
    HANDLE events[] = {abortEvent_.Get(), completedEvent_.Get(), noticeEvent_.Get()};
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD silence = TimeLeft(lastActivityTick_, stallTimeoutMs_, now);
        const DWORD total = TimeLeft(transferStartTick_, totalTimeoutMs_, now);
        if (silence == 0 || total == 0) {
            if (silence == 0) failure_ = kFailureSilence;
            return kDownloadTimedOut;
        }
        const DWORD woke = WaitForMultipleObjects(3, events, FALSE, std::min(silence, total));
        DeliverNotices();
        if (woke == WAIT_OBJECT_0) return kDownloadAborted;
        if (woke == WAIT_OBJECT_0 + 1) {
            lastActivityTick_ = GetTickCount();
            return kDownloadSucceeded;
        }
        if (woke == WAIT_FAILED) return kDownloadConnectFailed;
    }
}

DownloadResult HttpDownloader::Complete(const std::function<bool()>& call, DownloadResult failure, bool& pended) {
    pended = false;
    ResetEvent(completedEvent_.Get());
    const bool done = call();
    const DWORD error = GetLastError();
    DeliverNotices();
    if (done) return kDownloadSucceeded;
    if (error != ERROR_IO_PENDING) return FailureOf(failure, error);
    pended = true;
    const DownloadResult waited = AwaitCompletion();
    callCompleted_ = waited == kDownloadSucceeded;
    if (waited != kDownloadSucceeded) return waited;
    INTERNET_ASYNC_RESULT outcome;
    {
        ListeningLock lock;
        outcome = completion_;
    }
    return outcome.dwResult != 0 ? kDownloadSucceeded : FailureOf(failure, outcome.dwError);
}

DownloadResult HttpDownloader::FailureOf(DownloadResult failure, DWORD error) {
    static constexpr struct {
        DWORD error;
        DownloadFailure reason;
    } kReasons[] = {
        {ERROR_INTERNET_NAME_NOT_RESOLVED, kFailureNameNotResolved},
        {ERROR_INTERNET_CANNOT_CONNECT, kFailureConnectionRefused},
        {ERROR_INTERNET_TIMEOUT, kFailureSilence},
        {WSAETIMEDOUT, kFailureSilence},
        {ERROR_INTERNET_INVALID_CA, kFailureCertificate},
        {ERROR_INTERNET_SEC_CERT_CN_INVALID, kFailureCertificate},
        {ERROR_INTERNET_SEC_CERT_DATE_INVALID, kFailureCertificate},
        {ERROR_INTERNET_SEC_CERT_REVOKED, kFailureCertificate},
        {ERROR_INTERNET_SEC_CERT_ERRORS, kFailureCertificate},
        {ERROR_INTERNET_SEC_INVALID_CERT, kFailureCertificate},
        {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, kFailureCertificate},
        {ERROR_INTERNET_CONNECTION_ABORTED, kFailureEndedEarly},
        {ERROR_INTERNET_CONNECTION_RESET, kFailureEndedEarly},
    };
    for (const auto& known : kReasons) {
        if (known.error != error) continue;
        failure_ = known.reason;
        return known.reason == kFailureSilence ? kDownloadTimedOut : failure;
    }
    return failure;
}


DownloadResult HttpDownloader::ReadSome(char* buffer, DWORD size, DWORD& got) {
    got = 0;
    for (int emptyReads = 0;;) {
        // Waits until something has arrived or the body is over; only then is it read,
        // so no read is ever left pending in the library with our buffer.
        // The library writes the count when the call ends, however late: a call given up
        // on (Cancel, silence) keeps its count's place for good, never our stack.
        std::unique_ptr<DWORD> available(new DWORD(0));
        bool pended = false;
        const DownloadResult waited = Complete(
            [&] { return InternetQueryDataAvailable(request_.Get(), available.get(), 0, 0) != FALSE; },
            kDownloadReadFailed, pended);
        if (waited != kDownloadSucceeded) {
            if (pended && !callCompleted_) available.release();
            return waited;
        }
        if (pended) continue;  // asked again, it now says how much
        if (*available == 0) return kDownloadSucceeded;
        // What has arrived, in one read, without waiting for more: waiting for a fixed
        // block to fill would keep a slow server's bytes waiting.
        INTERNET_BUFFERSA read{};
        read.dwStructSize = sizeof read;
        read.lpvBuffer = buffer;
        read.dwBufferLength = size;
        if (!InternetReadFileExA(request_.Get(), &read, IRF_NO_WAIT, 0))
            return FailureOf(kDownloadReadFailed, GetLastError());
        got = read.dwBufferLength;
        if (got > 0) {
            lastActivityTick_ = GetTickCount();
            return kDownloadSucceeded;
        }
        // Said to be there, yet nothing came: not a body to go on waiting for.
        if (++emptyReads == 3) return kDownloadReadFailed;
    }
}
