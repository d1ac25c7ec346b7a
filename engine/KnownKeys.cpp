#include "engine/KnownKeys.h"

namespace {

enum : std::uint8_t { kExists = 1, kHasFlags = 2, kFlagsUnreadable = 4, kHoldsOtherData = 8 };

}  // namespace

bool KnownKeys::StillTrue(const RegKey& parent, std::uint64_t namesHash) const {
    return valid_ && namesHash == namesHash_ && !watch_.Changed(parent);
}

FlagKeyState KnownKeys::State(std::size_t index) const {
    FlagKeyState state;
    if (index >= states_.size()) return state;
    const Packed& packed = states_[index];
    state.exists = (packed.bits & kExists) != 0;
    if (packed.bits & kHasFlags) state.flags = packed.flags;
    state.flagsUnreadable = (packed.bits & kFlagsUnreadable) != 0;
    if (packed.record) state.record = packed.record;
    state.holdsOtherData = (packed.bits & kHoldsOtherData) != 0;
    return state;
}

void KnownKeys::Remember(const RegKey& parent, REGSAM view, std::uint64_t namesHash,
                         const std::vector<FlagKeyState>& states) {
    Forget();
    std::vector<Packed> packed;
    packed.reserve(states.size());
    for (const FlagKeyState& state : states) {
        // A record too large to keep here is read again next time rather than kept wrong.
        if (state.record && (*state.record == 0 || *state.record > 0xFF)) return;
        packed.push_back(Packed{state.flags.value_or(0), static_cast<std::uint8_t>(state.record.value_or(0)),
                                static_cast<std::uint8_t>((state.exists ? kExists : 0) | (state.flags ? kHasFlags : 0) |
                                                          (state.flagsUnreadable ? kFlagsUnreadable : 0) |
                                                          (state.holdsOtherData ? kHoldsOtherData : 0))});
    }
    if (!watch_.Arm(parent, view)) return;
    namesHash_ = namesHash;
    states_ = std::move(packed);
    valid_ = true;
}

void KnownKeys::Forget() {
    valid_ = false;
    watch_.Disarm();
    states_.clear();
    states_.shrink_to_fit();
}
