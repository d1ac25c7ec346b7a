#pragma once
// A selection held in plain fields, standing in for the block tree.
#include "blocklist/Selection.h"

#include <set>
#include <string>
#include <vector>

class FakeSelection : public Selection {
public:
    bool built = true;
    std::uint32_t scripting = 0;
    std::set<Category> checked;
    BlockList items;
    std::vector<bool> itemChecks;
    int scriptingSets = 0;

    void Add(const std::string& classId, bool isChecked) {
        items.emplace_back(false, "", classId, "");
        itemChecks.push_back(isChecked);
    }

    bool IsBuilt() const override { return built; }
    std::uint32_t ScriptingIndex() const override { return scripting; }
    void SetScriptingIndex(std::uint32_t index) override { ++scriptingSets, scripting = index > 2 ? 0 : index; }
    bool IsChecked(Category category) const override { return checked.count(category) != 0; }
    void SetChecked(Category category, bool on) override { on ? void(checked.insert(category)) : void(checked.erase(category)); }
    const BlockList& Items() const override { return built ? items : none_; }
    bool IsChecked(const BlockItem& item) const override { return itemChecks.at(&item - items.data()); }
    void SetChecked(const BlockItem& item, bool on) override { itemChecks.at(&item - items.data()) = on; }

private:
    BlockList none_;
};
