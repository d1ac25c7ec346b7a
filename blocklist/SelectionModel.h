#pragma once
// The block list and the user's selection in plain memory: what the settings store loads
// and saves and the blocking engine applies. The block tree shows it while the main dialog
// is on screen; a command from the tray works on it alone and builds no tree.
#include "blocklist/BlockItem.h"
#include "blocklist/Selection.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SelectionModel : public Selection {
public:
    SelectionModel() = default;
    // Copied, never moved: a moved-from model would hold no list at all.
    SelectionModel(const SelectionModel&) = default;
    SelectionModel& operator=(const SelectionModel&) = default;
    ~SelectionModel() override = default;

    // Reads the block-list file; every entry, category and the scripting choice take their
    // defaults. A missing file gives an empty list, and the model counts as built. A list
    // that reads the same as the one held is kept, entry objects and all (a tree showing it
    // stays valid); true when the list is another one.
    bool Load(const std::string& blockListPath);
    // Forgets the list; not built any more.
    void Clear();

    bool IsBuilt() const override { return built_; }
    std::uint32_t ScriptingIndex() const override { return forcedScripting_.value_or(scripting_); }
    // An index the scripting choice has no option for becomes Enable, as in the tree.
    void SetScriptingIndex(std::uint32_t index) override;
    bool IsChecked(Category category) const override;
    void SetChecked(Category category, bool checked) override;
    const BlockList& Items() const override { return *list_; }
    bool IsChecked(const BlockItem& item) const override;
    void SetChecked(const BlockItem& item, bool checked) override;

    // Fixes what `forced` names, replacing what was fixed before: IsChecked and ScriptingIndex
    // give the fixed values and the setters leave them alone, while the user's own choice
    // stays underneath (UserChoice). Load and Clear forget it.
    void Force(const ForcedSelection& forced);
    bool IsForced(const BlockItem& item) const;
    bool IsForced(Category category) const;
    bool ScriptingForced() const noexcept { return forcedScripting_.has_value(); }

    std::uint32_t UserScriptingIndex() const override { return scripting_; }
    bool UserChoice(Category category) const override;
    bool UserChoice(const BlockItem& item) const override;

    // The list for the tree to note its nodes in; the entries themselves stay as read.
    BlockList& ItemsForNodes() noexcept { return *list_; }

private:
    // The item's position in the list, or the list's size for an item of another list.
    std::size_t IndexOf(const BlockItem& item) const noexcept;

    // Copies share the list: it stays as read (Load and Clear put another in its place), and
    // what the tree notes in it, its nodes' handles, no copy uses. A copy for a worker then
    // costs the checks alone, not the list again.
    std::shared_ptr<BlockList> list_ = std::make_shared<BlockList>();
    std::vector<bool> checks_;
    std::array<bool, 5> categories_{};
    std::uint32_t scripting_ = 0;
    bool built_ = false;
    // Per entry and per category: -1 free, else the fixed check.
    std::vector<signed char> forcedChecks_;
    std::array<signed char, 5> forcedCategories_{-1, -1, -1, -1, -1};
    std::optional<std::uint32_t> forcedScripting_;
};
