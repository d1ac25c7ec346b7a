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

void StoredChecks::Begin(const RegKey& key) {
    Forget();
    complete_ = false;
    watch_.Arm(key);
}

void StoredChecks::Note(std::string_view name, bool yes) { values_.emplace_back(NameHash(name), yes); }

void StoredChecks::End() {
    // Stable, so that of two notes of one name the later stays last; keep that one.
    std::stable_sort(values_.begin(), values_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<std::uint64_t, bool>> unique;
    unique.reserve(values_.size());
    for (const auto& value : values_) {
        if (!unique.empty() && unique.back().first == value.first)
            unique.back() = value;
        else
            unique.push_back(value);
    }
    values_.swap(unique);
    values_.shrink_to_fit();
    complete_ = true;
}

std::optional<bool> StoredChecks::Lookup(std::string_view name) const {
    if (!complete_) return std::nullopt;
    const std::uint64_t hash = NameHash(name);
    auto at = std::lower_bound(values_.begin(), values_.end(), hash,
                               [](const auto& value, std::uint64_t wanted) { return value.first < wanted; });
    if (at == values_.end() || at->first != hash) return std::nullopt;
    return at->second;
}

bool StoredChecks::Differs(std::string_view name, bool yes) {
    if (!complete_) return true;
    const std::uint64_t hash = NameHash(name);
    auto at = std::lower_bound(values_.begin(), values_.end(), hash,
                               [](const auto& value, std::uint64_t wanted) { return value.first < wanted; });
    if (at == values_.end() || at->first != hash) return true;
    const bool differs = at->second != yes;
    at->second = yes;
    return differs;
}

void StoredChecks::Forget() noexcept {
    values_.clear();
    complete_ = false;
    watch_.Disarm();
}
