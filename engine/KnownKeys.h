#pragma once
// What the listed flag keys below one parent held after the last pass over them, so that
// the next pass can skip reading them. The picture holds for as long as the registry
// reports no change anywhere below the parent since right after our own writes.
#include "engine/FlagOwnership.h"
#include "settings/KeyWatch.h"
#include "settings/RegKey.h"

#include <cstdint>
#include <vector>

class KnownKeys {
public:
    KnownKeys() = default;
    KnownKeys(const KnownKeys&) = delete;
    KnownKeys& operator=(const KnownKeys&) = delete;

    // The states remembered for the list named by `namesHash`, in list order, or null when
    // they may no longer hold.
    const std::vector<FlagKeyState>* StillTrue(const RegKey& parent, std::uint64_t namesHash) const;
    // Takes `states` as what the keys below `parent` hold now, and starts watching it.
    void Remember(const RegKey& parent, REGSAM view, std::uint64_t namesHash, std::vector<FlagKeyState> states);
    void Forget();

private:
    bool valid_ = false;
    std::uint64_t namesHash_ = 0;
    std::vector<FlagKeyState> states_;
    KeyWatch watch_;
};
