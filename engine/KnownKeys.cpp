#include "engine/KnownKeys.h"

namespace {

enum : std::uint8_t { kExists = 1, kHasFlags = 2, kFlagsUnreadable = 4, kHoldsOtherData = 8 };

}  // namespace

bool KnownKeys::StillTrue(const RegKey& parent, std::uint64_t namesHash) const {
    return valid_ && namesHash == namesHash_ && !watch_.Changed(parent);
}

FlagKeyState KnownKeys::State(std::size_t index) const {
    return Picture::Unpack(index < states_.size() ? states_[index] : Packed{});
}

void KnownKeys::Picture::Set(std::size_t index, const FlagKeyState& state) {
    // A record too large to keep here is read again next time rather than kept wrong.
    if (state.record && (*state.record == 0 || *state.record > 0xFF)) keepable_ = false;
    states_[index] = Packed{state.flags.value_or(0), static_cast<std::uint8_t>(state.record.value_or(0)),
                            static_cast<std::uint8_t>((state.exists ? kExists : 0) | (state.flags ? kHasFlags : 0) |
                                                      (state.flagsUnreadable ? kFlagsUnreadable : 0) |
                                                      (state.holdsOtherData ? kHoldsOtherData : 0))};
}

FlagKeyState KnownKeys::Picture::Get(std::size_t index) const { return Unpack(states_[index]); }

FlagKeyState KnownKeys::Picture::Unpack(const Packed& packed) {
    FlagKeyState state;
    state.exists = (packed.bits & kExists) != 0;
    if (packed.bits & kHasFlags) state.flags = packed.flags;
    state.flagsUnreadable = (packed.bits & kFlagsUnreadable) != 0;
    if (packed.record) state.record = packed.record;
    state.holdsOtherData = (packed.bits & kHoldsOtherData) != 0;
    return state;
}

void KnownKeys::Remember(const RegKey& parent, REGSAM view, std::uint64_t namesHash, Picture&& picture) {
    Forget();
    if (!picture.keepable_ || !watch_.Arm(parent, view)) return;
    namesHash_ = namesHash;
    states_ = std::move(picture.states_);
    valid_ = true;
}

void KnownKeys::Forget() {
    valid_ = false;
    watch_.Disarm();
    states_.clear();
    states_.shrink_to_fit();
}
