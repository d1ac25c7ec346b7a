#include "engine/KnownKeys.h"

const std::vector<FlagKeyState>* KnownKeys::StillTrue(const RegKey& parent, std::uint64_t namesHash) const {
    if (!valid_ || namesHash != namesHash_) return nullptr;
    if (watch_.Changed(parent)) return nullptr;
    return &states_;
}

void KnownKeys::Remember(const RegKey& parent, REGSAM view, std::uint64_t namesHash, std::vector<FlagKeyState> states) {
    Forget();
    if (!watch_.Arm(parent, view)) return;
    namesHash_ = namesHash;
    states_ = std::move(states);
    valid_ = true;
}

void KnownKeys::Forget() {
    valid_ = false;
    watch_.Disarm();
    states_.clear();
    states_.shrink_to_fit();
}

