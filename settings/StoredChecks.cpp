#include "settings/StoredChecks.h"

#include <algorithm>

std::uint64_t StoredChecks::NameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the name as the registry compares it
    for (char c : name) {
        char folded[2] = {c, '\0'};
        ::CharUpperBuffA(folded, 1);
        hash = (hash ^ static_cast<unsigned char>(folded[0])) * 1099511628211ull;
    }
    return hash;
}

void StoredChecks::Begin(const RegKey& key, std::size_t expected) {
    Forget();
    complete_ = false;
    watch_.Arm(key);
    values_.reserve(expected);
}

void StoredChecks::Note(std::string_view name, bool yes) {
    values_.push_back(Value{NameHash(name), static_cast<std::uint32_t>(values_.size()), yes});
}

void StoredChecks::End() {
    std::sort(values_.begin(), values_.end(), [](const Value& a, const Value& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.order < b.order;
    });
    std::size_t kept = 0;
    for (const Value& value : values_) {
        if (kept > 0 && values_[kept - 1].hash == value.hash)
            values_[kept - 1] = value;
        else
            values_[kept++] = value;
    }
    values_.resize(kept);
    if (values_.capacity() > 2 * kept) values_.shrink_to_fit();
    complete_ = true;
}

std::optional<bool> StoredChecks::Lookup(std::string_view name) const {
    if (!complete_) return std::nullopt;
    const auto at = Find(NameHash(name));
    if (at == values_.end()) return std::nullopt;
    return at->yes;
}

bool StoredChecks::Differs(std::string_view name, bool yes) {
    if (!complete_) return true;
    const auto at = Find(NameHash(name));
    if (at == values_.end()) return true;
    const bool differs = at->yes != yes;
    values_[static_cast<std::size_t>(at - values_.begin())].yes = yes;
    return differs;
}

std::vector<StoredChecks::Value>::const_iterator StoredChecks::Find(std::uint64_t hash) const {
    const auto at = std::lower_bound(values_.begin(), values_.end(), hash,
                                     [](const Value& value, std::uint64_t wanted) { return value.hash < wanted; });
    return at != values_.end() && at->hash == hash ? at : values_.end();
}

void StoredChecks::Forget() noexcept {
    values_.clear();
    complete_ = false;
    watch_.Disarm();
}
