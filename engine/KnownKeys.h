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
    struct Packed;

public:
    // What one pass found of each listed key, in list order, kept as the picture keeps it,
    // so that a pass over ten thousand keys needs no second, larger copy of it.
    class Picture {
    public:
        explicit Picture(std::size_t count) : states_(count) {}
        void Set(std::size_t index, const FlagKeyState& state);
        FlagKeyState Get(std::size_t index) const;

    private:
        friend class KnownKeys;
        static FlagKeyState Unpack(const Packed& packed);
        std::vector<Packed> states_;
        bool keepable_ = true;  // false once a state could not be packed
    };

    KnownKeys() = default;
    KnownKeys(const KnownKeys&) = delete;
    KnownKeys& operator=(const KnownKeys&) = delete;

    // True while the states remembered for the list named by `namesHash` still hold.
    bool StillTrue(const RegKey& parent, std::uint64_t namesHash) const;
    // The remembered state of the index'th listed key; only while StillTrue.
    FlagKeyState State(std::size_t index) const;
    // Takes `picture` as what the keys below `parent` hold now, and starts watching it.
    void Remember(const RegKey& parent, REGSAM view, std::uint64_t namesHash, Picture&& picture);
    void Forget();

private:
    // One key's state in eight bytes rather than the 28 of a FlagKeyState: a picture is kept
    // of every listed key in three places for the life of the process.
    struct Packed {
        std::uint32_t flags = 0;
        std::uint8_t record = 0;  // 0: none; our record numbers are small
        std::uint8_t bits = 0;
    };

    bool valid_ = false;
    std::uint64_t namesHash_ = 0;
    std::vector<Packed> states_;
    KeyWatch watch_;
};
