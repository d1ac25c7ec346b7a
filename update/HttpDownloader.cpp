#include "update/HttpDownloader.h"

#include "update/TempDownloadFile.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr DWORD kReadBlock = 1024;
constexpr DWORD kDrainBlock = 50;
// Stored credentials that keep being refused, or a user who keeps retrying the prompt,
// must not loop for ever.
constexpr int kMaxCredentialResends = 3;

constexpr DWORD kPlainFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                              INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE;
// Certificate name and date errors are not ignored: an update fetched over HTTPS is only
// worth the name if the server is who it claims to be.
constexpr DWORD kSecureFlags = kPlainFlags | INTERNET_FLAG_SECURE;
static_assert(kPlainFlags == 0x84400100, "plain request flags");
static_assert(kSecureFlags == 0x84C00100, "secure request flags");

constexpr DWORD kCredentialPromptFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                         FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                         FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

bool SetTextOption(HINTERNET handle, DWORD option, const std::string& text) {
    return InternetSetOptionA(handle, option, const_cast<char*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) != FALSE;
}

}  // namespace

HttpDownloader::HttpDownloader() : abortEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

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

void HttpDownloader::CloseInternetHandles() noexcept {
    // Children before the session they belong to.
    request_.Reset();
    connection_.Reset();
    root_.Reset();
}

void CALLBACK HttpDownloader::OnInternetStatus(HINTERNET handle, DWORD_PTR context,
                                               DWORD status, LPVOID information,
                                               DWORD length) {
    // The connection and the request carry the downloader as their context; the root
    // handle carries none, and its notifications are nobody's.
    auto* self = reinterpret_cast<HttpDownloader*>(context);
    if (self != nullptr) self->statusCallback_(handle, status, information, length);
}

DownloadResult HttpDownloader::Transfer() {
    ResetEvent(abortEvent_.Get());

    if (!SplitUrl(url_, urlParts_)) {
        // "host/path" without a scheme: read it as HTTP, and keep the longer text.
        url_ = "http://" + url_;
        if (!SplitUrl(url_, urlParts_)) return kDownloadBadUrl;
    }

    // Deleted on every way out of here, except the one that moves it into place.
    TempDownloadFile file;
    if (FAILED(file.Create())) return kDownloadFileFailed;

    if (userAgent_.empty()) userAgent_ = kDefaultUserAgent;

    DownloadResult result = OpenSession();
    if (result == kDownloadSucceeded) result = SendUntilAnswered();
    if (result == kDownloadSucceeded) result = ReadBody(file);
    return result;
}

DownloadResult HttpDownloader::OpenSession() {
    switch (proxyMode_) {
    case kProxySystem:
        root_.Reset(InternetOpenA(userAgent_.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                  nullptr, 0));
        break;
    case kProxyDirect:
        root_.Reset(InternetOpenA(userAgent_.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr,
                                  0));
        break;
    case kProxyNamed:
        root_.Reset(InternetOpenA(userAgent_.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyList_.c_str(),
                                  nullptr, 0));
        break;
    default:
        break;
    }
    if (!root_) return kDownloadNoInternet;
    if (AbortRequested()) return kDownloadAborted;

    if (InternetSetStatusCallbackA(root_.Get(), &OnInternetStatus) == INTERNET_INVALID_STATUS_CALLBACK)
        return kDownloadNoInternet;
    if (AbortRequested()) return kDownloadAborted;

    const auto context = reinterpret_cast<DWORD_PTR>(this);
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
    const char* object = urlParts_.path.empty() ? "/" : urlParts_.path.c_str();
    request_.Reset(HttpOpenRequestA(connection_.Get(), nullptr, object, "HTTP/1.1", nullptr, acceptTypes,
                                    flags, context));
    if (!request_) return kDownloadConnectFailed;
    if (AbortRequested()) return kDownloadAborted;
    return kDownloadSucceeded;
}

DownloadResult HttpDownloader::SendUntilAnswered() {
    for (int resends = 0;; ++resends) {
        char range[48] = "";
        int rangeLength = 0;
        if (resumeOffset_ != 0) {
            rangeLength = std::snprintf(range, sizeof range, "Range: bytes=%lu-\r\n",
                                        static_cast<unsigned long>(resumeOffset_));
        }
        if (!HttpSendRequestA(request_.Get(), rangeLength > 0 ? range : nullptr,
                              static_cast<DWORD>(rangeLength), nullptr, 0))
            return kDownloadConnectFailed;

        DWORD statusCode = 0;
        DWORD size = sizeof statusCode;
        if (!HttpQueryInfoA(request_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                            &statusCode, &size, nullptr))
            return kDownloadNoStatus;

        if (statusCode == HTTP_STATUS_OK || statusCode == HTTP_STATUS_PARTIAL_CONTENT)
            return kDownloadSucceeded;
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
    // The refusal's own body has to be read off before the request can go again.
    char drain[kDrainBlock];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request_.Get(), drain, sizeof drain, &got) || got == 0) break;
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
    DWORD contentLength = 0;
    DWORD size = sizeof contentLength;
    const bool lengthKnown = HttpQueryInfoA(request_.Get(),
                                            HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                            &contentLength, &size, nullptr) != FALSE;
    if (!lengthKnown) contentLength = 0;

    const DWORD startTick = GetTickCount();
    ProgressState state{startTick, 0, 0};
    DWORD total = 0;
    for (;;) {
        char buffer[kReadBlock];
        DWORD got = 0;
        if (!InternetReadFile(request_.Get(), buffer, sizeof buffer, &got)) return kDownloadReadFailed;

        // A block that arrives after Cancel is not written.
        if (got > 0 && !AbortRequested()) {
            if (FAILED(file.Write(buffer, got))) return kDownloadFileFailed;
            if (maxRate_ > 0.0) {
                const DWORD elapsed = GetTickCount() - startTick;
                const bool tooFast = elapsed == 0 ? total > 0
                                                  : static_cast<double>(total) / elapsed > maxRate_;
                if (tooFast) {
                    double wait = static_cast<double>(total) / maxRate_ - elapsed;
                    wait = std::min(wait, static_cast<double>(INFINITE - 1));
                    // Waiting on the abort event rather than sleeping keeps Cancel prompt
                    // under a low limit.
                    if (wait >= 1.0)
                        WaitForSingleObject(abortEvent_.Get(), static_cast<DWORD>(wait));
                }
            }
        }
        total += got;

        progressCallback_(startTick, state.lastTick, total, state.lastTotal, state.lastPercent,
                          lengthKnown, contentLength);
        if (AbortRequested()) return kDownloadAborted;

        if (got == 0) {
            // The connection can end early with an ordinary empty read; a body shorter
            // than announced is a failed read, not a complete file.
            if (lengthKnown && total != contentLength) return kDownloadReadFailed;
            return SUCCEEDED(file.Finish(destinationPath_)) ? kDownloadSucceeded
                                                            : kDownloadFileFailed;
        }
    }
}
