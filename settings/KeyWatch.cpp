#include "settings/KeyWatch.h"

namespace {

FILETIME LastWrite(const RegKey& key) {
    FILETIME time{};
    ::RegQueryInfoKeyA(key.Handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, &time);
    return time;
}

}  // namespace

bool KeyWatch::Arm(const RegKey& key, REGSAM view) {
    Disarm();
    if (!changed_) changed_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!changed_ || !::ResetEvent(changed_.Get())) return false;
    if (watched_.Open(key.Handle(), "", KEY_NOTIFY | view) != ERROR_SUCCESS) return false;
    constexpr DWORD kAnyChange = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET |
                                 REG_NOTIFY_CHANGE_SECURITY;
    // The first apply arms its watches on a worker that then ends, and Windows signals a
    // watch whose thread has ended unless it is thread-agnostic (Windows 8 and later; 7
    // refuses the flag and gets a plain watch, which costs one fresh read after start-up).
    constexpr DWORD kThreadAgnostic = 0x10000000;  // REG_NOTIFY_THREAD_AGNOSTIC
    if (::RegNotifyChangeKeyValue(watched_.Handle(), TRUE, kAnyChange | kThreadAgnostic, changed_.Get(), TRUE) !=
            ERROR_SUCCESS &&
        ::RegNotifyChangeKeyValue(watched_.Handle(), TRUE, kAnyChange, changed_.Get(), TRUE) != ERROR_SUCCESS) {
        watched_.Close();
        return false;
    }
    written_ = LastWrite(key);
    return true;
}

bool KeyWatch::Changed(const RegKey& key) const {
    if (!watched_.IsOpen() || ::WaitForSingleObject(changed_.Get(), 0) != WAIT_TIMEOUT) return true;
    const FILETIME now = LastWrite(key);
    return now.dwLowDateTime != written_.dwLowDateTime || now.dwHighDateTime != written_.dwHighDateTime;
}

void KeyWatch::Disarm() noexcept { watched_.Close(); }
