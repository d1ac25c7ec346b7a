#include "app/SingleInstanceGuard.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void AppendDesktop(char* buffer, HDESK desktop) {
    std::strcat(buffer, "-");
    size_t length = std::strlen(buffer);
    DWORD room = static_cast<DWORD>(MAX_PATH - 1 - length);
    DWORD needed = 0;
    if (!::GetUserObjectInformationA(desktop, UOI_NAME, buffer + length, room, &needed)) {
        buffer[length] = '\0';
        std::strncat(buffer, "Win9x", room);
    }
}

void AppendSession(char* buffer) {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return;
    const UniqueKernelHandle token(rawToken);
    // "-" and sixteen hex digits, and the terminator.
    if (std::strlen(buffer) + 18 <= MAX_PATH) {
        DWORD size = 0;
        if (!::GetTokenInformation(token.Get(), TokenStatistics, nullptr, 0, &size) &&
            ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            std::vector<DWORD> storage((size + 3) / 4);
            if (::GetTokenInformation(token.Get(), TokenStatistics, storage.data(), static_cast<DWORD>(storage.size() * 4),
                                      &size)) {
                const auto* statistics = reinterpret_cast<const TOKEN_STATISTICS*>(storage.data());
                char suffix[24];
                std::snprintf(suffix, sizeof suffix, "-%08lx%08lx",
                              static_cast<unsigned long>(statistics->AuthenticationId.HighPart),
                              static_cast<unsigned long>(statistics->AuthenticationId.LowPart));
                std::strcat(buffer, suffix);
            }
        }
    }
}

void AppendUser(char* buffer) {
    char user[64];
    DWORD userLength = sizeof user;
    if (!::GetUserNameA(user, &userLength)) return;  // userLength counts the terminator
    char domain[64] = "";
    DWORD domainLength = ::GetEnvironmentVariableA("USERDOMAIN", domain, sizeof domain);
    if (domainLength >= sizeof domain) {
        domain[0] = '\0';
        domainLength = 0;
    }
    size_t length = std::strlen(buffer);
    if (domainLength + userLength + 3 < MAX_PATH - length)
        std::snprintf(buffer + length, MAX_PATH - length, "-%s-%s", domain, user);
}

}  // namespace

char* MakeInstanceName(const char* base, char* buffer, unsigned scope) {
    return MakeInstanceName(base, buffer, scope, ::GetThreadDesktop(::GetCurrentThreadId()));
}

char* MakeInstanceName(const char* base, char* buffer, unsigned scope, HDESK desktop) {
    if (!buffer) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    buffer[0] = '\0';
    if (base) std::strncat(buffer, base, MAX_PATH - 1);
    if (scope & ScopeDesktop) AppendDesktop(buffer, desktop);
    if (scope & ScopeSession) AppendSession(buffer);
    if (scope & ScopeUser) AppendUser(buffer);
    return buffer;
}

UniqueKernelHandle SingleInstanceGuard::mutex_;

bool SingleInstanceGuard::IsAlreadyRunning(const char* base, unsigned scope) {
    if (mutex_) return false;
    char name[MAX_PATH];
    MakeInstanceName(base, name, scope);
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
    const DWORD error = ::GetLastError();
    mutex_.Reset(mutex);
    return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}
