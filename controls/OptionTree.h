#pragma once
// A tree view whose nodes carry option items: check boxes, choices with an in-place
// drop-down and plain text values. It subclasses an existing tree control; the parent
// dialog must reflect the control's notifications back to it (message + OCM__BASE).
#include "controls/OptionTreeItems.h"
#include "win/MessageTable.h"
#include "win/Subclass.h"
#include "win/UniqueHandle.h"
#include "win/Win32.h"
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// How a node is inserted, beyond its item and images.
constexpr unsigned kInsertChildrenLater = 1;  // shows an expand button; its children are asked
                                              // of the child source when it first opens
constexpr unsigned kInsertLabelOnDemand = 2;  // the control keeps no copy of the label: it asks
                                              // the item (LabelText) whenever it draws it

class OptionTree : public SubclassedWindow {
public:
    OptionTree() = default;
    ~OptionTree() override;

    // Takes over a tree control: adjusts its styles, colours and fonts.
    bool Attach(HWND treeControl);
    void SetOptionWord(unsigned word) noexcept { optionWord_ = word; }
    unsigned OptionWord() const noexcept { return optionWord_; }

    // Inserts a node for `item` (the tree takes it over) and opens its parent.
    // Returns the new node, or null (the item is then destroyed).
    HTREEITEM InsertItem(std::unique_ptr<OptionTreeItem> item, int image, int selectedImage,
                         HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST, unsigned how = 0);
    // Called with a node inserted with kInsertChildrenLater when it first opens, to insert
    // its children (which do not open it again); the node then opens with them.
    void SetChildSource(std::function<void(HTREEITEM)> source) { childSource_ = std::move(source); }
    // True while a node inserted with kInsertChildrenLater has not been given its children.
    bool ChildrenPending(HTREEITEM node) const { return pendingChildren_.count(node) != 0; }
    // Closes the editor, clears the click flag and deletes every node, with the tree's
    // drawing held until the end.
    void DeleteAllItems();

    // Between the two, the tree does not redraw, an insertion does not open its parent and
    // a value set does not repaint its row; EndFill opens each parent that received nodes
    // once and repaints the whole tree.
    void BeginFill();
    void EndFill();

    // State of a check node; false for any other node.
    bool GetCheck(HTREEITEM node) const;
    // Checks a check node exactly when state == 1; false (nothing changed) for other nodes.
    bool SetCheck(HTREEITEM node, int state);
    // `value` must be initialised; it receives VT_EMPTY for an unknown node. A choice node
    // gives its index as VT_I4.
    void GetItemValue(HTREEITEM node, VARIANT& value) const;
    // Sets without asking the parent, as the program (not the user) changes it.
    void SetItemValue(HTREEITEM node, const VARIANT& value);

    // The node's muted note and tool-tip text (see OptionTreeItem::SetNote); its row is
    // repainted when the note changes.
    void SetNote(HTREEITEM node, std::string note, std::string tip);

    OptionTreeItem* ItemOf(HTREEITEM node) const;
    HTREEITEM ActiveNode() const noexcept { return activeNode_; }
    bool ClickFlag() const noexcept { return clickFlag_; }
    HWND EditorWindow() const noexcept { return editor_; }
    HTREEITEM SelectedNode() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Colours {
        COLORREF windowText, window, greyText, buttonFace;
    };

    bool OnReflectedNotify(MessageArgs& args);
    bool OnMouseButton(MessageArgs& args);
    bool OnKeyDown(MessageArgs& args);
    bool OnSysKeyDown(MessageArgs& args);
    bool OnChar(MessageArgs& args);
    bool OnGetDlgCode(MessageArgs& args);
    bool OnSetFocus(MessageArgs& args);
    bool OnKillFocus(MessageArgs& args);
    bool OnLayoutChange(MessageArgs& args);
    bool OnExpandRequest(MessageArgs& args);
    bool OnLookChange(MessageArgs& args);
    bool OnEditorCommand(MessageArgs& args);
    bool OnEditorColour(MessageArgs& args);
    bool OnEditorCommit(MessageArgs& args);
    bool OnEditorCancel(MessageArgs& args);
    bool OnValueChangeRequest(MessageArgs& args);
    bool OnDestroy(MessageArgs& args);

    LRESULT OnClick();
    LRESULT OnDoubleClick();
    LRESULT OnCustomDraw(NMTVCUSTOMDRAW& draw);
    LRESULT OnExpanding(const NMTREEVIEWA& change);
    void OnGetDisplayInfo(NMHDR* header);
    void FillPendingChildren(HTREEITEM node);
    void OnSelectionChanged(HTREEITEM node);
    void OnNodeDeleted(HTREEITEM node);

    LRESULT Notify(int code, OptionTreeItem* item);
    bool Frozen() const noexcept;
    bool IsEditorWindow(HWND child) const;
    bool EditorTakesKey(WPARAM key, bool alt) const;
    bool EditorIsOpen() const;
    void ActivateNode(HTREEITEM node);
    void CloseEditor();
    void RepaintRow(HTREEITEM node) const;
    RECT ValueArea(HTREEITEM node, const RECT& row) const;
    HTREEITEM FindNode(const OptionTreeItem* item) const;
    void ReloadLook();

    static const MessageEntry<OptionTree> kMessageTable[];

    std::unordered_map<HTREEITEM, std::unique_ptr<OptionTreeItem>> items_;
    Colours colours_{};
    UniquePen buttonFacePen_;
    UniqueFont font_;
    HWND editor_ = nullptr;
    HTREEITEM activeNode_ = nullptr;
    bool clickFlag_ = false;
    bool destroying_ = false;
    bool filling_ = false;
    bool clearing_ = false;
    bool fillingChildren_ = false;
    std::vector<HTREEITEM> parentsToOpen_;
    std::unordered_set<HTREEITEM> pendingChildren_;
    std::function<void(HTREEITEM)> childSource_;
    unsigned optionWord_ = 0;
    POINT lastMouse_{0, 0};
    bool haveMouse_ = false;
};
