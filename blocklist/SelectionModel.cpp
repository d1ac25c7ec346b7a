#include "blocklist/SelectionModel.h"

#include "blocklist/BlockListFile.h"

#include <cctype>
#include <unordered_map>

namespace {

// The options the scripting choice offers: Enable, Disable, Prompt with Dialog.
constexpr std::uint32_t kScriptingOptions = 3;

std::size_t Slot(Category category) noexcept { return static_cast<std::size_t>(category); }

// Class ids are compared as the registry compares value names.
std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return folded;
}

bool SameRecords(const BlockList& a, const BlockList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t index = 0; index < a.size(); ++index)
        if (!a[index].SameRecord(b[index])) return false;
    return true;
}

}  // namespace

bool SelectionModel::Load(const std::string& blockListPath) {
    BlockList read;
    LoadBlockList(blockListPath, read);
    const bool changed = !built_ || !SameRecords(read, *list_);
    if (changed) list_ = std::make_shared<BlockList>(std::move(read));
    checks_.assign(list_->size(), false);
    for (std::size_t index = 0; index < list_->size(); ++index) checks_[index] = (*list_)[index].enabled;
    // Pictures stay shown by default; the other categories are blocked.
    categories_ = {false, true, true, true, true};
    scripting_ = 0;
    built_ = true;
    Force(ForcedSelection{});
    return changed;
}

void SelectionModel::Clear() {
    list_ = std::make_shared<BlockList>();  // a copy may still hold the old one
    checks_.clear();
    scripting_ = 0;
    built_ = false;
    Force(ForcedSelection{});
}

void SelectionModel::Force(const ForcedSelection& forced) {
    forcedCategories_.fill(-1);
    for (const auto& [category, checked] : forced.categories) forcedCategories_[Slot(category)] = checked ? 1 : 0;
    forcedScripting_.reset();
    if (forced.scripting && *forced.scripting < kScriptingOptions) forcedScripting_ = forced.scripting;
    forcedChecks_.assign(list_->size(), -1);
    if (forced.entries.empty()) return;
    std::unordered_map<std::string, bool> byClassId;
    for (const auto& [classId, checked] : forced.entries) byClassId.emplace(Folded(classId), checked);
    for (std::size_t index = 0; index < list_->size(); ++index) {
        const auto found = byClassId.find(Folded((*list_)[index].classId()));
        if (found != byClassId.end()) forcedChecks_[index] = found->second ? 1 : 0;
    }
}

bool SelectionModel::IsForced(const BlockItem& item) const {
    const std::size_t index = IndexOf(item);
    return index < forcedChecks_.size() && forcedChecks_[index] >= 0;
}

bool SelectionModel::IsForced(Category category) const { return forcedCategories_[Slot(category)] >= 0; }

void SelectionModel::SetScriptingIndex(std::uint32_t index) {
    if (built_ && !ScriptingForced()) scripting_ = index < kScriptingOptions ? index : 0;
}

bool SelectionModel::IsChecked(Category category) const {
    return IsForced(category) ? built_ && forcedCategories_[Slot(category)] > 0 : UserChoice(category);
}

bool SelectionModel::UserChoice(Category category) const { return built_ && categories_[Slot(category)]; }

void SelectionModel::SetChecked(Category category, bool checked) {
    if (built_ && !IsForced(category)) categories_[Slot(category)] = checked;
}

std::size_t SelectionModel::IndexOf(const BlockItem& item) const noexcept {
    const BlockList& list = *list_;
    if (list.empty() || &item < list.data() || &item >= list.data() + list.size()) return list.size();
    return static_cast<std::size_t>(&item - list.data());
}

bool SelectionModel::IsChecked(const BlockItem& item) const {
    return IsForced(item) ? forcedChecks_[IndexOf(item)] > 0 : UserChoice(item);
}

bool SelectionModel::UserChoice(const BlockItem& item) const {
    const std::size_t index = IndexOf(item);
    return index < checks_.size() && checks_[index];
}

void SelectionModel::SetChecked(const BlockItem& item, bool checked) {
    const std::size_t index = IndexOf(item);
    if (index < checks_.size() && !IsForced(item)) checks_[index] = checked;
}
