#pragma once
// The objects behind the option tree's nodes. The tree owns each one (as the node's item
// data) from insertion until the node is deleted. Values travel as VARIANTs.
#include "controls/OptionTreeMessages.h"
#include "win/Win32.h"
#include <commctrl.h>
#include <oleauto.h>
#include <string>
#include <vector>

// Everything an item needs to draw its value area; the tree fills it per node.
struct ItemDrawContext {
    HDC hdc;
    RECT area;            // the node's value area, client coordinates
    COLORREF text;        // window text, or grey text when the tree is disabled
    COLORREF background;  // window, or button face when the tree is disabled
    COLORREF greyText;
    bool greyed;          // the item is disabled
    bool selected;        // the node is drawn selected
};

class OptionTreeItem {
public:
    explicit OptionTreeItem(const char* label);
    virtual ~OptionTreeItem();
    OptionTreeItem(const OptionTreeItem&) = delete;
    OptionTreeItem& operator=(const OptionTreeItem&) = delete;

    virtual ItemKind Kind() const = 0;
    // Called by the tree right after the node is inserted.
    virtual void Attach(HWND tree, HTREEITEM node);
    virtual const char* Label() const;
    // The label as the tree shows it; for a node inserted with its label on demand, an item
    // that keeps no copy of it makes it here.
    virtual std::string LabelText() const { return Label(); }
    virtual void SetEnabled(bool enabled);
    virtual bool IsEnabled() const;
    // The tree control paints the label itself; the item paints its value beside it.
    virtual void DrawValue(const ItemDrawContext& context) const;
    // False when DrawValue would leave the value area blank, so the tree need not ask.
    virtual bool DrawsValue() const { return false; }
    // Creates the in-place editor over `area` (tree client coordinates); null when the
    // item has none.
    virtual HWND CreateEditor(HWND tree, const RECT& area, HFONT font);
    virtual void OnAction(ItemAction action);
    virtual std::string ValueText() const;
    virtual int ValueTextLength() const;
    // Copies the value into `value`, whose previous content is released with
    // VariantClear (so it must have been initialised). VT_EMPTY when there is none.
    virtual void GetValue(VARIANT& value) const;
    // Takes the value shown by an editor window; false when it is not acceptable.
    virtual bool ReadValueFromEditor(HWND editor);
    // False when the value is not acceptable for this kind of item.
    virtual bool SetValue(const VARIANT& value);

    HWND Tree() const noexcept { return tree_; }
    HTREEITEM Node() const noexcept { return node_; }

    // A word or two about the item drawn muted after its value (empty: none), and a longer
    // text for its tool tip. The tree repaints the row when it sets them.
    void SetNote(std::string note, std::string tip);
    const std::string& Note() const noexcept { return note_; }
    const std::string& Tip() const noexcept { return tip_; }

protected:
    // Asks the tree to change this item's value: the tree's parent may veto it.
    void RequestValueChange(const VARIANT& value);

private:
    HWND tree_ = nullptr;
    std::string label_;
    std::string note_;
    std::string tip_;
    bool enabled_ = true;
    HTREEITEM node_ = nullptr;
};

// A label followed by a value shown as text, with an optional icon.
class TextItem : public OptionTreeItem {
public:
    explicit TextItem(const char* label);
    ~TextItem() override;

    ItemKind Kind() const override { return ItemKind::Text; }
    void DrawValue(const ItemDrawContext& context) const override;
    bool DrawsValue() const override { return icon_ || !ValueText().empty(); }
    std::string ValueText() const override;
    void GetValue(VARIANT& value) const override;
    bool SetValue(const VARIANT& value) override;

    // The icon is not owned: it must outlive the item.
    void SetIcon(HICON icon) noexcept { icon_ = icon; }

private:
    VARIANT value_;
    HICON icon_ = nullptr;
};

// A two-state option; the node's image shows the state.
class CheckItem : public OptionTreeItem {
public:
    explicit CheckItem(const char* label);

    ItemKind Kind() const override { return ItemKind::Check; }
    void Attach(HWND tree, HTREEITEM node) override;
    void SetEnabled(bool enabled) override;
    void OnAction(ItemAction action) override;
    void GetValue(VARIANT& value) const override;
    // Accepts VT_BOOL only.
    bool SetValue(const VARIANT& value) override;

    bool Checked() const noexcept { return checked_; }

private:
    int StateImage() const;
    void ShowState() const;
    bool checked_ = false;
};

// One option out of a list, chosen in a drop-down editor or stepped by double-click.
class ChoiceItem : public OptionTreeItem {
public:
    ChoiceItem(const char* label, std::vector<std::string> options);

    ItemKind Kind() const override { return ItemKind::Choice; }
    void DrawValue(const ItemDrawContext& context) const override;
    bool DrawsValue() const override { return true; }
    HWND CreateEditor(HWND tree, const RECT& area, HFONT font) override;
    void OnAction(ItemAction action) override;
    std::string ValueText() const override;
    // The selected index as VT_I4.
    void GetValue(VARIANT& value) const override;
    bool ReadValueFromEditor(HWND editor) override;
    // An integer selects that index (out of range: the first option); a text selects the
    // option equal to it (no match: the first option, and false).
    bool SetValue(const VARIANT& value) override;

    int Selected() const noexcept { return selected_; }
    const std::vector<std::string>& Options() const noexcept { return options_; }

private:
    bool SelectText(const std::string& text);
    std::vector<std::string> options_;
    int selected_ = 0;
    HWND editor_ = nullptr;  // the last editor made; not owned (it closes with its window)
};
