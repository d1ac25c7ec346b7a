#include "blocklist/SelectionModel.h"

#include "blocklist/BlockListFile.h"

namespace {

// The options the scripting choice offers: Enable, Disable, Prompt with Dialog.
constexpr std::uint32_t kScriptingOptions = 3;

std::size_t Slot(Category category) noexcept { return static_cast<std::size_t>(category); }

}  // namespace

void SelectionModel::Load(const std::string& blockListPath) {
    LoadBlockList(blockListPath, list_);
    checks_.assign(list_.size(), false);
    for (std::size_t index = 0; index < list_.size(); ++index) checks_[index] = list_[index].enabled;
    // Pictures stay shown by default; the other categories are blocked.
    categories_ = {false, true, true, true, true};
    scripting_ = 0;
    built_ = true;
}

void SelectionModel::Clear() {
    list_.clear();
    checks_.clear();
    scripting_ = 0;
    built_ = false;
}

void SelectionModel::SetScriptingIndex(std::uint32_t index) {
    if (built_) scripting_ = index < kScriptingOptions ? index : 0;
}

bool SelectionModel::IsChecked(Category category) const { return built_ && categories_[Slot(category)]; }

void SelectionModel::SetChecked(Category category, bool checked) {
    if (built_) categories_[Slot(category)] = checked;
}

std::size_t SelectionModel::IndexOf(const BlockItem& item) const noexcept {
    if (list_.empty() || &item < list_.data() || &item >= list_.data() + list_.size()) return list_.size();
    return static_cast<std::size_t>(&item - list_.data());
}

bool SelectionModel::IsChecked(const BlockItem& item) const {
    const std::size_t index = IndexOf(item);
    return index < checks_.size() && checks_[index];
}

void SelectionModel::SetChecked(const BlockItem& item, bool checked) {
    const std::size_t index = IndexOf(item);
    if (index < checks_.size()) checks_[index] = checked;
}
