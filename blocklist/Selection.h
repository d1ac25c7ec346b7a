#pragma once
// The narrow view of the user's selection that the settings store and the blocking engine
// work through. The block tree implements it; tests may stand in for it.
#include "blocklist/BlockItem.h"
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class Category { Pictures, Videos, Animations, Sounds, Java };

// The registry value that goes with a category: the browser's display option of that name
// in its Main key, and the record of the category's check box in the program's selection
// key. Java has no display option; its name is the selection key's alone.
constexpr const char* CategoryValueName(Category category) noexcept {
    switch (category) {
    case Category::Pictures: return "Display Inline Images";
    case Category::Videos: return "Display Inline Videos";
    case Category::Animations: return "Play_Animations";
    case Category::Sounds: return "Play_Background_Sounds";
    case Category::Java: return "JavaApplet";
    }
    return "";
}

// What an administrator's policy fixes of the selection, whatever the user checks.
struct ForcedSelection {
    std::optional<std::uint32_t> scripting;
    std::vector<std::pair<Category, bool>> categories;
    // By class id, compared as the registry compares value names (ignoring case); a name no
    // entry of the list carries fixes nothing, and of two of one name the first wins.
    std::vector<std::pair<std::string, bool>> entries;
};

class Selection {
public:
    virtual ~Selection() = default;

    // False while no tree is built: no nodes, empty list.
    virtual bool IsBuilt() const = 0;

    // The scripting node's option index (0 Enable, 1 Disable, 2 Prompt with Dialog); 0
    // when there is no scripting node.
    virtual std::uint32_t ScriptingIndex() const = 0;
    // Sets the scripting node's value when it exists (an index out of range becomes 0).
    virtual void SetScriptingIndex(std::uint32_t index) = 0;

    // A category that the tree does not hold counts as unchecked.
    virtual bool IsChecked(Category category) const = 0;
    virtual void SetChecked(Category category, bool checked) = 0;

    // The block list in file order; each item's treeItem names its node.
    virtual const BlockList& Items() const = 0;
    virtual bool IsChecked(const BlockItem& item) const = 0;
    virtual void SetChecked(const BlockItem& item, bool checked) = 0;

    // What the user chose, for the settings store to keep: where an administrator's policy
    // fixes what is shown and applied (SelectionModel), the user's own choice is back once
    // the policy lifts.
    virtual std::uint32_t UserScriptingIndex() const { return ScriptingIndex(); }
    virtual bool UserChoice(Category category) const { return IsChecked(category); }
    virtual bool UserChoice(const BlockItem& item) const { return IsChecked(item); }
};
