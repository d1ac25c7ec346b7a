#include "tests/support/TestHttpServer.h"

#include "support/ZipTestFiles.h"

#include "win/Win32.h"

#include <wininet.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr char kPython[] = "Z:\\usr\\bin\\python3";
constexpr DWORD kStartWaitMs = 15000;
constexpr DWORD kStopWaitMs = 5000;
constexpr DWORD kPollMs = 20;
constexpr char kInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

void MakeFolders(const std::string& path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/')
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::vector<std::string> SplitOn(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        std::size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

}  // namespace

std::string UnixPathOf(const std::string& windowsPath) {
    // Wine's own mapping knows every drive; the Z: rule is the fallback.
    using ToUnix = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix != nullptr) {
        std::wstring wide(windowsPath.size() + 1, L'\0');
        int length = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, &wide[0],
                                         static_cast<int>(wide.size()));
        if (length > 0) {
            if (char* unix = toUnix(wide.c_str())) {
                std::string result = unix;
                HeapFree(GetProcessHeap(), 0, unix);
                return result;
            }
        }
    }
    if (windowsPath.size() >= 2 && (windowsPath[0] == 'Z' || windowsPath[0] == 'z') &&
        windowsPath[1] == ':') {
        std::string result = windowsPath.substr(2);
        for (char& c : result) {
            if (c == '\\') c = '/';
        }
        return result;
    }
    return {};
}

std::string LoggedRequest::Header(const std::string& name) const {
    for (const auto& header : headers) {
        if (EqualsIgnoringCase(header.first, name)) return header.second;
    }
    return {};
}

bool LoggedRequest::HasHeader(const std::string& name) const {
    for (const auto& header : headers) {
        if (EqualsIgnoringCase(header.first, name)) return true;
    }
    return false;
}

TestHttpServer::TestHttpServer(const std::string& contentRootWindowsPath, int timeLimitSeconds, bool selfSignedTls)
    : tls_(selfSignedTls) {
    static LONG serial = 0;
    char name[64];
    std::snprintf(name, sizeof name, "%lu-%ld", GetCurrentProcessId(),
                  InterlockedIncrement(&serial));
    workFolder_ = std::string(HUSHBAR_TEST_BINARY) + "\\http-server\\" + name;
    MakeFolders(workFolder_);
    portPath_ = workFolder_ + "\\port";
    logPath_ = workFolder_ + "\\requests.log";
    DeleteFileA(portPath_.c_str());

    const std::string script =
        UnixPathOf(std::string(HUSHBAR_TEST_SOURCE) + "\\tests\\support\\http_test_server.py");
    char limit[16];
    std::snprintf(limit, sizeof limit, "%d", timeLimitSeconds);
    std::string command = "python3 " + Quoted(script) + " --root " +
                          Quoted(UnixPathOf(contentRootWindowsPath)) + " --port-file " +
                          Quoted(UnixPathOf(portPath_)) + " --log " +
                          Quoted(UnixPathOf(logPath_)) + " --time-limit " + limit +
                          (selfSignedTls ? " --self-signed-tls" : "");

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Wine starts a Unix program as a detached process: no handle comes back, which is
    // why the control connection below, not a process handle, ties its life to ours.
    if (!CreateProcessA(kPython, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return;
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);

    int controlPort = 0;
    for (DWORD waited = 0; waited < kStartWaitMs; waited += kPollMs) {
        if (FileExists(portPath_)) {
            int port = 0;
            if (std::sscanf(ReadFileText(portPath_).c_str(), "%d %d", &port, &controlPort) == 2) {
                port_ = port;
                break;
            }
        }
        Sleep(kPollMs);
    }
    if (port_ == 0) return;

    // Direct, so that a ProxyOverride in force does not send it elsewhere.
    HINTERNET session = InternetOpenA("hushbar-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr,
                                      nullptr, 0);
    HINTERNET connection =
        session ? InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(controlPort),
                                   nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                : nullptr;
    HINTERNET request =
        connection ? HttpOpenRequestA(connection, nullptr, "/lifeline", nullptr, nullptr,
                                      nullptr,
                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                          INTERNET_FLAG_NO_UI,
                                      0)
                   : nullptr;
    lifelineSession_ = session;
    lifelineConnection_ = connection;
    lifelineRequest_ = request;
    if (request == nullptr || !HttpSendRequestA(request, nullptr, 0, nullptr, 0)) Stop();
}

TestHttpServer::~TestHttpServer() { Stop(); }

void TestHttpServer::Stop() {
    // Closing the control connection is what ends the server.
    for (void** handle : {&lifelineRequest_, &lifelineConnection_, &lifelineSession_}) {
        if (*handle != nullptr) InternetCloseHandle(static_cast<HINTERNET>(*handle));
        *handle = nullptr;
    }
    if (port_ != 0) {
        for (DWORD waited = 0; waited < kStopWaitMs && FileExists(portPath_); waited += kPollMs)
            Sleep(kPollMs);
    }
    port_ = 0;
    if (!workFolder_.empty() && !FileExists(portPath_)) {
        DeleteFileA(logPath_.c_str());
        RemoveDirectoryA(workFolder_.c_str());
    }
}

std::string TestHttpServer::BaseUrl() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<LoggedRequest> TestHttpServer::RequestLog() const {
    std::vector<LoggedRequest> requests;
    std::vector<std::string> lines = SplitOn(ReadFileText(logPath_), '\n');
    lines.pop_back();  // what follows the last line break is not a whole line
    for (std::size_t i = logSkip_; i < lines.size(); ++i) {
        std::vector<std::string> fields = SplitOn(lines[i], '\t');
        LoggedRequest request;
        request.method = fields[0];
        if (fields.size() > 1) request.target = fields[1];
        for (std::size_t f = 2; f + 1 < fields.size(); f += 2)
            request.headers.emplace_back(fields[f], fields[f + 1]);
        requests.push_back(std::move(request));
    }
    return requests;
}

void TestHttpServer::ClearLog() {
    std::vector<std::string> lines = SplitOn(ReadFileText(logPath_), '\n');
    logSkip_ = lines.size() - 1;
}

namespace {

void SaveValue(HKEY key, const char* name, bool& present, unsigned long& type,
               std::vector<unsigned char>& data) {
    DWORD size = 0;
    DWORD storedType = 0;
    present = RegQueryValueExA(key, name, nullptr, &storedType, nullptr, &size) == ERROR_SUCCESS;
    if (!present) return;
    data.assign(size, 0);
    if (RegQueryValueExA(key, name, nullptr, &storedType, data.data(), &size) != ERROR_SUCCESS) {
        present = false;
        return;
    }
    data.resize(size);
    type = storedType;
}

void RestoreValue(HKEY key, const char* name, bool present, unsigned long type,
                  const std::vector<unsigned char>& data) {
    if (present)
        RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    else
        RegDeleteValueA(key, name);
}

void TellInternetSettingsChanged() {
    InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

}  // namespace

ProxyOverride::ProxyOverride(int localPort)
    : ProxyOverride("127.0.0.1:" + std::to_string(localPort)) {}

ProxyOverride::ProxyOverride(const std::string& proxyServer) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    SaveValue(key, "ProxyEnable", enable_.present, enable_.type, enable_.data);
    SaveValue(key, "ProxyServer", server_.present, server_.type, server_.data);
    SaveValue(key, "ProxyOverride", bypass_.present, bypass_.type, bypass_.data);
    DWORD on = 1;
    RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    RegSetValueExA(key, "ProxyServer", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(proxyServer.c_str()),
                   static_cast<DWORD>(proxyServer.size() + 1));
    // No exceptions: every host goes through the proxy while the override lasts.
    RegDeleteValueA(key, "ProxyOverride");
    RegCloseKey(key);
    TellInternetSettingsChanged();
}

ProxyOverride::~ProxyOverride() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    RestoreValue(key, "ProxyEnable", enable_.present, enable_.type, enable_.data);
    RestoreValue(key, "ProxyServer", server_.present, server_.type, server_.data);
    RestoreValue(key, "ProxyOverride", bypass_.present, bypass_.type, bypass_.data);
    RegCloseKey(key);
    TellInternetSettingsChanged();
}
