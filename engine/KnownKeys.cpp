#include "engine/KnownKeys.h"

namespace {

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

FILETIME LastWrite(const RegKey& key) {
    FILETIME time{};
    ::RegQueryInfoKeyA(key.Handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, &time);
    return time;
}

}  // namespace

const std::vector<FlagKeyState>* KnownKeys::StillTrue(const RegKey& parent, std::uint64_t namesHash) const {
    if (!valid_ || namesHash != namesHash_) return nullptr;
    if (::WaitForSingleObject(changed_.Get(), 0) != WAIT_TIMEOUT) return nullptr;
    if (!SameTime(LastWrite(parent), parentWritten_)) return nullptr;
    return &states_;
}

void KnownKeys::Remember(const RegKey& parent, REGSAM view, std::uint64_t namesHash, std::vector<FlagKeyState> states) {
    Forget();
    if (!changed_) changed_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!changed_ || !::ResetEvent(changed_.Get())) return;
    // A handle of its own: the notification lives as long as it does.
    if (watched_.Open(parent.Handle(), "", KEY_NOTIFY | view) != ERROR_SUCCESS) return;
    constexpr DWORD kAnyChange = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                                 REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
    if (::RegNotifyChangeKeyValue(watched_.Handle(), TRUE, kAnyChange, changed_.Get(), TRUE) != ERROR_SUCCESS) {
        watched_.Close();
        return;
    }
    parentWritten_ = LastWrite(parent);
    namesHash_ = namesHash;
    states_ = std::move(states);
    valid_ = true;
}

void KnownKeys::Forget() {
    valid_ = false;
    watched_.Close();
    states_.clear();
    states_.shrink_to_fit();
}

