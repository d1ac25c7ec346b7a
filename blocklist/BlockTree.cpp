#include "blocklist/BlockTree.h"

#include "blocklist/BlockListFile.h"
#include "blocklist/BlockListLine.h"
#include "res/resource.h"
#include "win/Dpi.h"

#include <climits>
#include <iterator>
#include <memory>

namespace {

// Cells of the tree's bitmap.
constexpr int kImageCheckBox = 0;
constexpr int kImageMagnifier = 10;
constexpr int kImageChoiceField = 12;
constexpr int kImageBrowser = 13;

constexpr unsigned kBlockTreeOptions = kOptionFreezeAfterClick;

// A list this short is opened as the tree is shown, as cheap as the rest of the tree; a
// longer one waits, closed, until the user opens it.
constexpr std::size_t kOpenAtShowEntries = 200;

const Category kCategories[] = {Category::Pictures, Category::Videos, Category::Animations, Category::Sounds,
                                Category::Java};

// The check node of one block-list entry: its label is made from the entry each time the
// tree draws it, so the control and the item hold no copy of it.
class EntryCheckItem : public CheckItem {
public:
    explicit EntryCheckItem(const BlockItem& entry) : CheckItem(""), entry_(entry) {}
    std::string LabelText() const override { return BlockItemLabel(entry_.name(), entry_.comment()); }

private:
    const BlockItem& entry_;
};

}  // namespace

int TreeImageSizeForDpi(int dpi) {
    const int wanted = ScaleToDpi(16, dpi);
    if (wanted >= 32) return 32;
    if (wanted >= 24) return 24;
    return 16;
}

UniqueImageList LoadBlockTreeImages(HINSTANCE instance, int dpi) {
    const int size = TreeImageSizeForDpi(dpi);
    const int id = size == 32 ? IDB_TREE_IMAGES_32 : size == 24 ? IDB_TREE_IMAGES_24 : IDB_TREE_IMAGES;
    return UniqueImageList(::ImageList_LoadImageA(instance, MAKEINTRESOURCEA(id), size, 1,
                                                  RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

bool BlockTree::Attach(HWND treeControl, HIMAGELIST images) {
    if (!tree_.Attach(treeControl)) return false;
    hover_.Attach(treeControl);
    tree_.SetChildSource([this](HTREEITEM node) {
        if (node == activeXNode_) FillActiveXGroup();
    });
    ::SendMessageA(treeControl, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    tree_.SetOptionWord(kBlockTreeOptions);
    ::InvalidateRect(treeControl, nullptr, TRUE);
    return true;
}

void BlockTree::SetImages(HIMAGELIST images) {
    HWND tree = tree_.Hwnd();
    if (!tree) return;
    ::SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    ::InvalidateRect(tree, nullptr, TRUE);
}

void BlockTree::Build(const std::string& blockListPath) {
    // The old nodes go before the new list comes: they name entries of the old one.
    Clear();
    own_.Load(blockListPath);
    Show(own_);
}

void BlockTree::Show(SelectionModel& model) {
    // The tree is drawn and its groups opened once, after the last insertion: opening a
    // group on every insertion costs time that grows with the square of the list.
    tree_.BeginFill();
    if (shown_ && shown_ != &model) {
        Clear();
    } else {
        tree_.DeleteAllItems();
        ForgetNodes();
    }
    shown_ = &model;

    const HTREEITEM browser = InsertGroup(kBrowserGroupLabel, kImageBrowser);

    auto scripting =
        std::make_unique<ChoiceItem>(kScriptingLabel, std::vector<std::string>{"Enable", "Disable", "Prompt with Dialog"});
    scriptingNode_ = tree_.InsertItem(std::move(scripting), kImageChoiceField, kImageChoiceField, browser, TVI_LAST);
    SetScriptingIndex(model.ScriptingIndex());

    picturesNode_ = InsertCheck(std::make_unique<CheckItem>(kPicturesLabel), browser, model.IsChecked(Category::Pictures));
    videosNode_ = InsertCheck(std::make_unique<CheckItem>(kVideosLabel), browser, model.IsChecked(Category::Videos));
    animationsNode_ =
        InsertCheck(std::make_unique<CheckItem>(kAnimationsLabel), browser, model.IsChecked(Category::Animations));
    soundsNode_ = InsertCheck(std::make_unique<CheckItem>(kSoundsLabel), browser, model.IsChecked(Category::Sounds));
    javaNode_ = InsertCheck(std::make_unique<CheckItem>(kJavaLabel), browser, model.IsChecked(Category::Java));

    // The controls' nodes are inserted only when their group first opens.
    activeXNode_ = InsertGroup(kActiveXGroupLabel, kImageMagnifier, kInsertChildrenLater);
    ShowForced(model);
    ApplyStates();
    tree_.EndFill();
    if (activeXNode_ && model.Items().size() <= kOpenAtShowEntries)
        ::SendMessageA(tree_.Hwnd(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(activeXNode_));

    // Start the user at the top of the list, with the first item selected so the keyboard's
    // place shows as soon as the tree has the focus.
    HTREEITEM first = reinterpret_cast<HTREEITEM>(::SendMessageA(tree_.Hwnd(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
    if (first) {
        ::SendMessageA(tree_.Hwnd(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
        ::SendMessageA(tree_.Hwnd(), TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(first));
    }

    // Only a tree that really holds its nodes counts as built: saving from one that does
    // not would store every check as clear.
    built_ = browser && scriptingNode_ && activeXNode_;
}

void BlockTree::ShowForced(const SelectionModel& model) {
    // What an administrator's policy fixes shows as it is in force, and the user cannot
    // change it.
    const auto lock = [this](HTREEITEM node, bool forced) {
        OptionTreeItem* item = node ? tree_.ItemOf(node) : nullptr;
        if (item && item->IsEnabled() == forced) item->SetEnabled(!forced);
    };
    lock(scriptingNode_, model.ScriptingForced());
    for (Category category : {Category::Pictures, Category::Videos, Category::Animations, Category::Sounds,
                              Category::Java})
        lock(NodeOf(category), model.IsForced(category));
    for (const BlockItem& item : model.Items()) lock(item.treeItem, model.IsForced(item));
}

void BlockTree::FillActiveXGroup() {
    if (!shown_) return;
    for (BlockItem& item : shown_->ItemsForNodes())
        item.treeItem = InsertCheck(std::make_unique<EntryCheckItem>(item), activeXNode_, shown_->IsChecked(item),
                                    kInsertLabelOnDemand);
    ShowForced(*shown_);
    ApplyStates();
}

// Entries without a node hold their state in the model alone: the user cannot have changed
// them, and a command changes the model itself.
void BlockTree::ReadInto(SelectionModel& model) const {
    if (!Shows(model)) return;
    model.SetScriptingIndex(ScriptingIndex());
    for (Category category : kCategories) model.SetChecked(category, IsChecked(category));
    for (const BlockItem& item : model.Items())
        if (item.treeItem) model.SetChecked(item, tree_.GetCheck(item.treeItem));
}

void BlockTree::Refresh(const SelectionModel& model) {
    if (!Shows(model)) return;
    if (ScriptingIndex() != model.ScriptingIndex()) SetScriptingIndex(model.ScriptingIndex());
    for (Category category : kCategories)
        if (IsChecked(category) != model.IsChecked(category)) SetChecked(category, model.IsChecked(category));
    for (const BlockItem& item : model.Items())
        if (item.treeItem && tree_.GetCheck(item.treeItem) != model.IsChecked(item))
            tree_.SetCheck(item.treeItem, model.IsChecked(item) ? 1 : 0);
    ShowForced(model);
}

void BlockTree::Clear() {
    tree_.DeleteAllItems();
    ForgetNodes();
    if (shown_)
        for (BlockItem& item : shown_->ItemsForNodes()) item.treeItem = nullptr;
    if (shown_ == &own_) own_.Clear();
    shown_ = nullptr;
}

const BlockList& BlockTree::Items() const {
    static const BlockList kNone;
    return shown_ ? shown_->Items() : kNone;
}

void BlockTree::ShowStates(std::size_t count, std::function<ItemState(std::size_t)> stateOf) {
    stateCount_ = count;
    stateOf_ = std::move(stateOf);
    ApplyStates();
}

void BlockTree::FollowHoverWith(std::function<void(const std::string&)> show) { hover_.show = std::move(show); }

void BlockTree::ApplyStates() {
    hover_.last = nullptr;  // the next mouse move shows the new tip of the item under it
    if (!shown_) return;
    const HTREEITEM fixed[] = {scriptingNode_, picturesNode_, videosNode_, animationsNode_, soundsNode_, javaNode_};
    const BlockList& items = shown_->Items();
    const bool fits = stateOf_ && stateCount_ == std::size(fixed) + items.size();
    std::size_t index = 0;
    auto show = [&](HTREEITEM node) {
        if (node) {
            if (fits) {
                ItemState state = stateOf_(index);
                tree_.SetNote(node, std::move(state.note), std::move(state.reason));
            } else {
                tree_.SetNote(node, std::string(), std::string());
            }
        }
        ++index;
    };
    for (HTREEITEM node : fixed) show(node);
    for (const BlockItem& item : items) show(item.treeItem);
}

LRESULT BlockTree::HoverWatch::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE && show) {
        TVHITTESTINFO hit{};
        hit.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::SendMessageA(Hwnd(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.hItem != last) {
            last = hit.hItem;
            const OptionTreeItem* item = owner_.tree_.ItemOf(hit.hItem);
            show(item ? item->Tip() : std::string());
        }
    }
    return DefaultProc(message, wParam, lParam);
}

void BlockTree::ForgetNodes() noexcept {
    built_ = false;
    hover_.last = nullptr;
    scriptingNode_ = picturesNode_ = videosNode_ = animationsNode_ = soundsNode_ = javaNode_ = activeXNode_ = nullptr;
}

HTREEITEM BlockTree::InsertGroup(const char* label, int image, unsigned how) {
    const HTREEITEM node = tree_.InsertItem(std::make_unique<TextItem>(label), image, image, TVI_ROOT, TVI_LAST, how);
    VARIANT empty;
    ::VariantInit(&empty);
    empty.vt = VT_BSTR;
    empty.bstrVal = ::SysAllocString(L"");
    tree_.SetItemValue(node, empty);
    ::VariantClear(&empty);
    return node;
}

HTREEITEM BlockTree::InsertCheck(std::unique_ptr<CheckItem> item, HTREEITEM parent, bool checked, unsigned how) {
    // The state goes in before the node exists, so setting it repaints nothing.
    VARIANT state;
    ::VariantInit(&state);
    state.vt = VT_BOOL;
    state.boolVal = checked ? VARIANT_TRUE : VARIANT_FALSE;
    item->SetValue(state);
    const int image = kImageCheckBox + (checked ? kCheckImageChecked : 0);
    return tree_.InsertItem(std::move(item), image, image, parent, TVI_LAST, how);
}

HTREEITEM BlockTree::NodeOf(Category category) const noexcept {
    switch (category) {
    case Category::Pictures: return picturesNode_;
    case Category::Videos: return videosNode_;
    case Category::Animations: return animationsNode_;
    case Category::Sounds: return soundsNode_;
    case Category::Java: return javaNode_;
    }
    return nullptr;
}

bool BlockTree::IsBuilt() const { return built_; }

std::uint32_t BlockTree::ScriptingIndex() const {
    if (!scriptingNode_) return 0;
    VARIANT value;
    ::VariantInit(&value);
    tree_.GetItemValue(scriptingNode_, value);
    std::uint32_t index = 0;
    if (value.vt == VT_I4 && value.lVal > 0) index = static_cast<std::uint32_t>(value.lVal);
    ::VariantClear(&value);
    return index;
}

void BlockTree::SetScriptingIndex(std::uint32_t index) {
    if (!scriptingNode_) return;
    // The choice takes a signed index and sends anything it has no option for to the
    // first; an index too large for it would otherwise fail to convert and change nothing.
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = index > static_cast<std::uint32_t>(LONG_MAX) ? 0 : static_cast<LONG>(index);
    tree_.SetItemValue(scriptingNode_, value);
}

bool BlockTree::IsChecked(Category category) const {
    const HTREEITEM node = NodeOf(category);
    return node && tree_.GetCheck(node);
}

void BlockTree::SetChecked(Category category, bool checked) {
    if (const HTREEITEM node = NodeOf(category)) tree_.SetCheck(node, checked ? 1 : 0);
}

bool BlockTree::IsChecked(const BlockItem& item) const {
    if (item.treeItem) return tree_.GetCheck(item.treeItem);
    return built_ && shown_ && shown_->IsChecked(item);
}

void BlockTree::SetChecked(const BlockItem& item, bool checked) {
    if (item.treeItem)
        tree_.SetCheck(item.treeItem, checked ? 1 : 0);
    else if (built_ && shown_)
        shown_->SetChecked(item, checked);  // a group not opened yet: its entries live in the model
}
