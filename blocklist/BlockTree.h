#pragma once
// The block tree of the main dialog: the option tree that shows a selection model, where
// the user edits it, and the nodes of the model's entries. Only what is open is in the tree:
// the controls' nodes are inserted when their group first opens (at once for a short list),
// and their labels are read from the model as they are drawn. The model lives on without it.
#include "blocklist/BlockItem.h"
#include "blocklist/Selection.h"
#include "blocklist/SelectionModel.h"
#include "controls/OptionTree.h"
#include "win/Subclass.h"
#include "win/UniqueHandle.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The node labels, exactly as the tree shows them.
constexpr char kBrowserGroupLabel[] = "IE Browser";
constexpr char kScriptingLabel[] = "Scripting(Pop-up windows,Animated ads):";
constexpr char kPicturesLabel[] = "Pictures (JPG...)";
constexpr char kVideosLabel[] = "Videos";
constexpr char kAnimationsLabel[] = "Animations (GIF)";
constexpr char kSoundsLabel[] = "Sounds (Backupground sounds)";
constexpr char kJavaLabel[] = "Java Applet (EyeWonder...)";
constexpr char kActiveXGroupLabel[] = "ActiveX";

// The cell size of the tree's pictures drawn at `dpi`: the largest of the sizes the
// artwork comes in (16, 24, 32) that is not larger than 16 pixels scaled to that DPI, so a
// picture is never stretched and never overflows its row.
int TreeImageSizeForDpi(int dpi);

// The tree's pictures (bitmap 202, or its 24 or 32 pixel copy) for a window drawn at `dpi`:
// square cells, magenta transparent.
UniqueImageList LoadBlockTreeImages(HINSTANCE instance, int dpi = 96);

// What the tree shows of one item's state: a muted word or two after it (empty where the
// check box says it all) and the reason, for the item's tool tip.
struct ItemState {
    std::string note;
    std::string reason;
};

class BlockTree : public Selection {
public:
    BlockTree() = default;
    ~BlockTree() override = default;
    BlockTree(const BlockTree&) = delete;
    BlockTree& operator=(const BlockTree&) = delete;

    // Takes over the dialog's tree control; the image list stays the caller's and must
    // outlive the control.
    bool Attach(HWND treeControl, HIMAGELIST images);
    // Shows another image list (the same pictures at another size); it stays the caller's.
    void SetImages(HIMAGELIST images);

    // Reads the block-list file into a model of the tree's own and shows it, every node at
    // its default state. The stored selection is not read here: LoadSettings comes after.
    void Build(const std::string& blockListPath);

    // Fills the tree from `model`, which notes each entry's node and must outlive them (up
    // to Clear or the next Show); the entries' nodes follow when their group opens.
    void Show(SelectionModel& model);
    // Copies what the user set in the tree into the model it shows.
    void ReadInto(SelectionModel& model) const;
    // Brings the nodes to what the model holds, touching only those that differ.
    void Refresh(const SelectionModel& model);
    // True while the tree shows this very model.
    bool Shows(const SelectionModel& model) const noexcept { return built_ && shown_ == &model; }

    // Forgets every node, and the list when it was the tree's own.
    void Clear();

    // The states of `count` items in tree order: the scripting choice, pictures, videos,
    // animations, sounds, Java, then the list's controls in list order. `stateOf` gives one
    // item's state when its node shows it, now or when inserted later, so that a long list
    // keeps no text for nodes that do not exist; a count that does not fit the list shown
    // (states read for another list) shows nothing.
    void ShowStates(std::size_t count, std::function<ItemState(std::size_t)> stateOf);
    // Called with the tool-tip text of the item under the mouse each time another item
    // comes under it ("" over none, or over one without a state).
    void FollowHoverWith(std::function<void(const std::string&)> show);

    OptionTree& Tree() noexcept { return tree_; }
    const OptionTree& Tree() const noexcept { return tree_; }
    const BlockList& List() const noexcept { return Items(); }

    HTREEITEM ScriptingNode() const noexcept { return scriptingNode_; }
    HTREEITEM PicturesNode() const noexcept { return picturesNode_; }
    HTREEITEM VideosNode() const noexcept { return videosNode_; }
    HTREEITEM AnimationsNode() const noexcept { return animationsNode_; }
    HTREEITEM SoundsNode() const noexcept { return soundsNode_; }
    HTREEITEM JavaNode() const noexcept { return javaNode_; }
    HTREEITEM ActiveXNode() const noexcept { return activeXNode_; }

    bool IsBuilt() const override;
    std::uint32_t ScriptingIndex() const override;
    void SetScriptingIndex(std::uint32_t index) override;
    bool IsChecked(Category category) const override;
    void SetChecked(Category category, bool checked) override;
    const BlockList& Items() const override;
    bool IsChecked(const BlockItem& item) const override;
    void SetChecked(const BlockItem& item, bool checked) override;

private:
    HTREEITEM NodeOf(Category category) const noexcept;
    HTREEITEM InsertGroup(const char* label, int image, unsigned how = 0);
    // Every check node goes in through here, its state set before the node exists.
    HTREEITEM InsertCheck(std::unique_ptr<CheckItem> item, HTREEITEM parent, bool checked, unsigned how = 0);
    void FillActiveXGroup();
    void ShowForced(const SelectionModel& model);
    void ForgetNodes() noexcept;
    void ApplyStates();

    // Watches the mouse over the tree for FollowHoverWith.
    class HoverWatch : public SubclassedWindow {
    public:
        explicit HoverWatch(BlockTree& owner) : owner_(owner) {}
        HTREEITEM last = nullptr;
        std::function<void(const std::string&)> show;

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        BlockTree& owner_;
    };

    OptionTree tree_;
    HoverWatch hover_{*this};
    std::size_t stateCount_ = 0;
    std::function<ItemState(std::size_t)> stateOf_;
    SelectionModel own_;
    SelectionModel* shown_ = nullptr;
    bool built_ = false;
    HTREEITEM scriptingNode_ = nullptr;
    HTREEITEM picturesNode_ = nullptr;
    HTREEITEM videosNode_ = nullptr;
    HTREEITEM animationsNode_ = nullptr;
    HTREEITEM soundsNode_ = nullptr;
    HTREEITEM javaNode_ = nullptr;
    HTREEITEM activeXNode_ = nullptr;
};
