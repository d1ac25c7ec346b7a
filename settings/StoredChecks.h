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
    // being read or written shows.
    void Begin(const RegKey& key);
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
    static std::uint64_t NameHash(std::string_view name);

    // Sorted by hash once complete; value names ignore case, and so do their hashes.
    std::vector<std::pair<std::uint64_t, bool>> values_;
    bool complete_ = false;
    KeyWatch watch_;
};
