#include "update/HttpDownloader.h"

#include "update/TempDownloadFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <vector>

namespace {

// The most one read takes; a read takes only what has arrived.
constexpr DWORD kReadBlock = 64 * 1024;
constexpr DWORD kDrainBlock = 50;
constexpr DWORD kMaxRefusalBody = 64 * 1024;
// Stored credentials that keep being refused, or a user who keeps retrying the prompt,
// must not loop for ever.
constexpr int kMaxCredentialResends = 3;

// Redirects are followed by the transfer itself, so that it can count them.
constexpr DWORD kPlainFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                              INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE |
                              INTERNET_FLAG_NO_AUTO_REDIRECT;
// Certificate name and date errors are not ignored: an update fetched over HTTPS is only
// worth the name if the server is who it claims to be.
constexpr DWORD kSecureFlags = kPlainFlags | INTERNET_FLAG_SECURE;
static_assert(kPlainFlags == 0x84600100, "plain request flags");
static_assert(kSecureFlags == 0x84E00100, "secure request flags");

constexpr DWORD kCredentialPromptFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                         FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                         FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

// The library's own time-outs stay out of the way of the silence limit, which is ours.
constexpr DWORD kLibraryTimeoutMarginMs = 5000;

bool SetTextOption(HINTERNET handle, DWORD option, const std::string& text) {
    return InternetSetOptionA(handle, option, const_cast<char*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) != FALSE;
}

}  // namespace

HttpDownloader::HttpDownloader()
    : abortEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      completedEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      noticeEvent_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

HttpDownloader::~HttpDownloader() {
    // The worker must be finished with the handles and the event before they go: ask a
    // running transfer to stop, wait for it, and only then release what is left.
    Abort();
    Join();
    CloseInternetHandles();
}

void HttpDownloader::ClearCallbacks() noexcept {
    statusCallback_.Clear();
    progressCallback_.Clear();
    completionCallback_.Clear();
}

bool HttpDownloader::Start() {
    return WorkerThread::Start(&ThreadProcedure, this, THREAD_PRIORITY_NORMAL);
}

DWORD WINAPI HttpDownloader::ThreadProcedure(void* self) {
    return static_cast<DWORD>(static_cast<HttpDownloader*>(self)->RunNow());
}

int HttpDownloader::RunNow() {
    DownloadResult result = Transfer();
    CloseInternetHandles();
    completionCallback_(result);
    return 0;
}

void HttpDownloader::Abort() noexcept {
    SetEvent(abortEvent_.Get());
}

bool HttpDownloader::AbortRequested() const noexcept {
    return WaitForSingleObject(abortEvent_.Get(), 0) == WAIT_OBJECT_0;
}

DownloadResult HttpDownloader::Transfer() {
    failure_ = kFailureOther;
    httpStatus_ = 0;
    // Never reset: a Cancel that came before this transfer, or between two of one
    // update, ends it before anything is sent.
    if (AbortRequested()) return kDownloadAborted;

    if (!SplitUrl(url_, urlParts_)) {
        // "host/path" without a scheme: read it as HTTP, and keep the longer text.
        url_ = "http://" + url_;
        if (!SplitUrl(url_, urlParts_)) return kDownloadBadUrl;
    }

    // Deleted on every way out of here, except the one that moves it into place.
    TempDownloadFile file;
    if (FAILED(file.Create())) return kDownloadFileFailed;

    if (userAgent_.empty()) userAgent_ = kDefaultUserAgent;
    transferStartTick_ = lastActivityTick_ = GetTickCount();

    DownloadResult result = OpenSession();
    for (int redirects = 0; result == kDownloadSucceeded; ++redirects) {
        result = OpenRequest();
        DWORD statusCode = 0;
        if (result == kDownloadSucceeded) result = SendUntilAnswered(statusCode);
        if (result != kDownloadSucceeded) break;
        if (statusCode == HTTP_STATUS_OK || statusCode == HTTP_STATUS_PARTIAL_CONTENT)
            return ReadBody(file);
        // A server that sends us round in circles is a failed download, not a hang.
        if (redirects == kMaxRedirects) return kDownloadHttpError;
        result = FollowRedirect();
    }
    return result;
}

DownloadResult HttpDownloader::OpenSession() {
    switch (proxyMode_) {
    case kProxySystem:
        root_.Reset(InternetOpenA(userAgent_.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                  nullptr, INTERNET_FLAG_ASYNC));
        break;
    case kProxyDirect:
        root_.Reset(InternetOpenA(userAgent_.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr,
                                  INTERNET_FLAG_ASYNC));
        break;
    case kProxyNamed:
        root_.Reset(InternetOpenA(userAgent_.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyList_.c_str(),
                                  nullptr, INTERNET_FLAG_ASYNC));
        break;
    default:
        break;
    }
    if (!root_) return kDownloadNoInternet;
    if (AbortRequested()) return kDownloadAborted;

    if (InternetSetStatusCallbackA(root_.Get(), &OnInternetStatus) == INTERNET_INVALID_STATUS_CALLBACK)
        return kDownloadNoInternet;
    Listen();
    if (AbortRequested()) return kDownloadAborted;
    return kDownloadSucceeded;
}

DownloadResult HttpDownloader::OpenRequest() {
    const DWORD_PTR context = serial_;
    // Whatever the scheme, the transfer speaks HTTP; no user name means none at all, not
    // an empty one.
    connection_.Reset(InternetConnectA(
        root_.Get(), urlParts_.host.c_str(), urlParts_.port,
        urlParts_.userName.empty() ? nullptr : urlParts_.userName.c_str(),
        urlParts_.userName.empty() ? nullptr : urlParts_.password.c_str(),
        INTERNET_SERVICE_HTTP, 0, context));
    if (!connection_) return kDownloadConnectFailed;
    if (AbortRequested()) return kDownloadAborted;

    const char* acceptTypes[] = {"*/*", nullptr};
    const DWORD flags = urlParts_.scheme == kSchemeHttps ? kSecureFlags : kPlainFlags;
    // The query goes with the path (a base URL's or a redirect's); a fragment is the
    // client's own and never sent.
    std::string object = urlParts_.path.empty() ? "/" : urlParts_.path;
    if (!urlParts_.extra.empty() && urlParts_.extra[0] == '?')
        object += urlParts_.extra.substr(0, urlParts_.extra.find('#'));
    request_.Reset(HttpOpenRequestA(connection_.Get(), nullptr, object.c_str(), "HTTP/1.1", nullptr, acceptTypes,
                                    flags, context));
    if (!request_) return kDownloadConnectFailed;
    // The silence limit is kept by the transfer's own wait; the library's time-outs only
    // back it up.
    DWORD backstop = stallTimeoutMs_ + kLibraryTimeoutMarginMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(request_.Get(), option, &backstop, sizeof backstop);
    if (AbortRequested()) return kDownloadAborted;
    return kDownloadSucceeded;
}

DownloadResult HttpDownloader::FollowRedirect() {
    char location[UrlParts::kMaxPath + UrlParts::kMaxHost + 64];
    DWORD size = sizeof location;
    if (!HttpQueryInfoA(request_.Get(), HTTP_QUERY_LOCATION, location, &size, nullptr))
        return kDownloadHttpError;
    std::string target;
    UrlParts parts;
    if (!ResolveRedirect(url_, std::string(location, size), target) || !SplitUrl(target, parts))
        return kDownloadHttpError;
    // The library follows none itself, so the status it would report is ours to give.
    statusCallback_(request_.Get(), INTERNET_STATUS_REDIRECT, const_cast<char*>(target.c_str()),
                    static_cast<DWORD>(target.size() + 1));
    request_.Reset();
    connection_.Reset();
    url_ = target;
    urlParts_ = parts;
    return AbortRequested() ? kDownloadAborted : kDownloadSucceeded;
}

DownloadResult HttpDownloader::SendUntilAnswered(DWORD& statusCode) {
    for (int resends = 0;; ++resends) {
        char range[48] = "";
        int rangeLength = 0;
        if (resumeOffset_ != 0) {
            rangeLength = std::snprintf(range, sizeof range, "Range: bytes=%lu-\r\n",
                                        static_cast<unsigned long>(resumeOffset_));
        }
        // Sent once: an answer that is slow to come is waited for, never asked for again.
        bool pended = false;
        const DownloadResult sent = Complete(
            [&] {
                return HttpSendRequestA(request_.Get(), rangeLength > 0 ? range : nullptr,
                                        static_cast<DWORD>(rangeLength), nullptr, 0) != FALSE;
            },
            kDownloadConnectFailed, pended);
        if (sent != kDownloadSucceeded) return sent;
        lastActivityTick_ = GetTickCount();

        statusCode = 0;
        DWORD size = sizeof statusCode;
        if (!HttpQueryInfoA(request_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                            &statusCode, &size, nullptr))
            return kDownloadNoStatus;

        if (statusCode == HTTP_STATUS_OK || statusCode == HTTP_STATUS_PARTIAL_CONTENT)
            return kDownloadSucceeded;
        // The reason, should this answer be where the transfer ends.
        failure_ = kFailureHttpStatus;
        httpStatus_ = statusCode;
        switch (statusCode) {
        case HTTP_STATUS_MOVED:
        case HTTP_STATUS_REDIRECT:
        case HTTP_STATUS_REDIRECT_METHOD:
        case HTTP_STATUS_REDIRECT_KEEP_VERB:
        case 308:  // permanent redirect, not named by the headers
            return kDownloadSucceeded;
        default:
            break;
        }
        if (statusCode != HTTP_STATUS_DENIED && statusCode != HTTP_STATUS_PROXY_AUTH_REQ)
            return kDownloadHttpError;
        // Still refused after the last permitted try with credentials.
        if (resends == kMaxCredentialResends) return kDownloadHttpError;

        bool sendAgain = false;
        DownloadResult result = Authenticate(statusCode, sendAgain);
        if (result != kDownloadSucceeded) return result;
        // Without credentials to offer, the refusal is the answer: reading on would
        // deliver the refusal's body as if it were the resource.
        if (!sendAgain) return kDownloadHttpError;
        if (AbortRequested()) return kDownloadAborted;
    }
}

DownloadResult HttpDownloader::Authenticate(DWORD statusCode, bool& sendAgain) {
    sendAgain = false;
    // The refusal's own body has to be read off before the request can go again; one
    // that does not end is not a refusal worth answering.
    char drain[kDrainBlock];
    for (DWORD drained = 0;;) {
        DWORD got = 0;
        const DownloadResult read = ReadSome(drain, sizeof drain, got);
        if (read == kDownloadAborted || read == kDownloadTimedOut) return read;
        if (read != kDownloadSucceeded || got == 0) break;
        drained += got;
        if (drained > kMaxRefusalBody) return kDownloadHttpError;
        if (AbortRequested()) return kDownloadAborted;
    }

    const bool fromProxy = statusCode == HTTP_STATUS_PROXY_AUTH_REQ;
    if (fromProxy && !proxyUserName_.empty()) {
        SetTextOption(request_.Get(), INTERNET_OPTION_PROXY_USERNAME, proxyUserName_);
        SetTextOption(request_.Get(), INTERNET_OPTION_PROXY_PASSWORD, proxyPassword_);
        sendAgain = true;
    } else if (!fromProxy && !urlParts_.userName.empty()) {
        SetTextOption(request_.Get(), INTERNET_OPTION_USERNAME, urlParts_.userName);
        SetTextOption(request_.Get(), INTERNET_OPTION_PASSWORD, urlParts_.password);
        sendAgain = true;
    } else if (fromProxy ? promptForProxyCredentials_ : promptForServerCredentials_) {
        DWORD answer = InternetErrorDlg(nullptr, request_.Get(), ERROR_INTERNET_INCORRECT_PASSWORD,
                                        kCredentialPromptFlags, nullptr);
        sendAgain = answer == ERROR_INTERNET_FORCE_RETRY;
    }
    return kDownloadSucceeded;
}

DownloadResult HttpDownloader::ReadBody(TempDownloadFile& file) {
    // Read as text: the library's number form is 32 bits, and would cut a length past
    // 4 GiB down to one that passes the bound.
    char lengthText[32] = "";
    DWORD size = sizeof lengthText;
    const bool lengthKnown =
        HttpQueryInfoA(request_.Get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &size, nullptr) != FALSE;
    const unsigned long long announced = lengthKnown ? std::strtoull(lengthText, nullptr, 10) : 0;
    // Refused before a byte of it is read; a body is counted in 32 bits.
    if ((maxBytes_ != 0 && announced > maxBytes_) || announced > 0xFFFFFFFFull) return kDownloadTooLarge;
    const DWORD contentLength = static_cast<DWORD>(announced);

    const DWORD startTick = GetTickCount();
    ProgressState state{startTick, 0, 0};
    DWORD total = 0;
    std::vector<char> buffer(kReadBlock);
    for (;;) {
        DWORD got = 0;
        const DownloadResult read = ReadSome(buffer.data(), kReadBlock, got);
        if (read != kDownloadSucceeded) return read;
        const DWORD now = GetTickCount();
        if (maxBytes_ != 0 && got > maxBytes_ - total) return kDownloadTooLarge;
        if (now - transferStartTick_ >= totalTimeoutMs_) return kDownloadTimedOut;

        // A block that arrives after Cancel is not written.
        const bool aborted = AbortRequested();
        if (got > 0 && !aborted && FAILED(file.Write(buffer.data(), got))) return kDownloadFileFailed;
        total += got;

        progressCallback_(startTick, state.lastTick, total, state.lastTotal, state.lastPercent,
                          lengthKnown, contentLength);
        if (aborted || AbortRequested()) return kDownloadAborted;

        if (got > 0 && maxRate_ > 0.0) {
            // Counted with this block: a read takes whatever has arrived, so one read may
            // carry most of a body.
            const DWORD elapsed = GetTickCount() - startTick;
            double wait = static_cast<double>(total) / maxRate_ - elapsed;
            wait = std::min(wait, static_cast<double>(INFINITE - 1));
            // Waiting on the abort event rather than sleeping keeps Cancel prompt under a
            // low limit.
            if (wait >= 1.0 && abortEvent_ &&
                WaitForSingleObject(abortEvent_.Get(), static_cast<DWORD>(wait)) == WAIT_OBJECT_0)
                return kDownloadAborted;
        }

        if (got == 0) {
            // The connection can end early with an ordinary empty read; a body shorter
            // than announced is a failed read, not a complete file.
            if (lengthKnown && total != contentLength) {
                failure_ = kFailureEndedEarly;
                return kDownloadReadFailed;
            }
            return SUCCEEDED(file.Finish(destinationPath_)) ? kDownloadSucceeded
                                                            : kDownloadFileFailed;
        }
    }
}
