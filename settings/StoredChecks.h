#pragma once
// The "yes"/"no" values the selection key holds for the block-list entries, as this process
// last read or wrote them, trusted for as long as the key reports no change since: a save
// then writes only the entries whose check differs, and a load reads none of them.
#include "settings/KeyWatch.h"
#include "settings/RegKey.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class StoredChecks {
public:
    // Starts a new picture of `key`, watched from now on, so that a change made while it is
    // being read or written shows; room is made for `expected` notes at once.
    void Begin(const RegKey& key, std::size_t expected = 0);
    // What the value `name` holds now; a later note of the same name wins.
    void Note(std::string_view name, bool yes);
    void End();

    // The stored value of `name`, when the picture holds it.
    std::optional<bool> Lookup(std::string_view name) const;
    // Whether writing `yes` to `name` changes what the picture holds, which then holds it.
    bool Differs(std::string_view name, bool yes);
    bool StillTrue(const RegKey& key) const { return complete_ && !watch_.Changed(key); }
    void Forget() noexcept;

private:
    struct Value {
        std::uint64_t hash;
        std::uint32_t order;  // of the notes: the later note of a name wins
        bool yes;
    };

    static std::uint64_t NameHash(std::string_view name);
    // The value of that hash, or the end.
    std::vector<Value>::const_iterator Find(std::uint64_t hash) const;
    // Sorted by hash once complete; value names ignore case, and so do their hashes. Sorted
    // and thinned in place: ten thousand of them, and a second copy would stay in the heap.
    std::vector<Value> values_;
    bool complete_ = false;
    KeyWatch watch_;
};
