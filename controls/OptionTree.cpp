#include "controls/OptionTree.h"

#include "win/Dpi.h"
#include "win/GdiScope.h"
#include "win/Reflect.h"
#include <cstring>
#include <utility>

const MessageEntry<OptionTree> OptionTree::kMessageTable[] = {
    OnMessage(kOcmBase + WM_NOTIFY, &OptionTree::OnReflectedNotify),
    OnMessage(WM_LBUTTONDOWN, &OptionTree::OnMouseButton),
    OnMessage(WM_LBUTTONDBLCLK, &OptionTree::OnMouseButton),
    OnMessage(WM_KEYDOWN, &OptionTree::OnKeyDown),
    OnMessage(WM_SYSKEYDOWN, &OptionTree::OnSysKeyDown),
    OnMessage(WM_CHAR, &OptionTree::OnChar),
    OnMessage(WM_GETDLGCODE, &OptionTree::OnGetDlgCode),
    OnMessage(WM_SETFOCUS, &OptionTree::OnSetFocus),
    OnMessage(WM_KILLFOCUS, &OptionTree::OnKillFocus),
    OnMessage(WM_SIZE, &OptionTree::OnLayoutChange),
    OnMessage(WM_HSCROLL, &OptionTree::OnLayoutChange),
    OnMessage(WM_VSCROLL, &OptionTree::OnLayoutChange),
    OnMessage(WM_MOUSEWHEEL, &OptionTree::OnLayoutChange),
    OnMessage(TVM_EXPAND, &OptionTree::OnExpandRequest),
    OnMessage(WM_SETTINGCHANGE, &OptionTree::OnLookChange),
    OnMessage(WM_SYSCOLORCHANGE, &OptionTree::OnLookChange),
    OnMessage(kWmDpiChangedAfterParent, &OptionTree::OnLookChange),  // the dialog's font changed
    OnMessage(WM_COMMAND, &OptionTree::OnEditorCommand),
    OnMessage(WM_CTLCOLORSTATIC, &OptionTree::OnEditorColour),
    OnMessage(WM_CTLCOLOREDIT, &OptionTree::OnEditorColour),
    OnMessage(kOtmEditorCommit, &OptionTree::OnEditorCommit),
    OnMessage(kOtmEditorCancel, &OptionTree::OnEditorCancel),
    OnMessage(kOtmValueChangeRequest, &OptionTree::OnValueChangeRequest),
    OnMessage(WM_DESTROY, &OptionTree::OnDestroy),
};

namespace {

// The action bits of TVM_EXPAND and TVN_ITEMEXPANDING (TVE_ACTIONMASK, which MinGW lacks).
constexpr UINT kExpandActionMask = 0x0003;

HTREEITEM NextNode(HWND tree, HTREEITEM node, UINT relation) {
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
}

// TVM_GETITEMRECT takes the node in the rectangle it fills.
bool NodeRect(HWND tree, HTREEITEM node, bool labelOnly, RECT& rect) {
    RECT query{};
    std::memcpy(&query, &node, sizeof(node));
    if (!::SendMessageA(tree, TVM_GETITEMRECT, labelOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&query)))
        return false;
    rect = query;
    return true;
}

// A note goes after the value's own text, muted as the system mutes unavailable text.
void DrawNote(const ItemDrawContext& context, const std::string& value, const std::string& note) {
    RECT area = context.area;
    area.left += 2;
    if (!value.empty()) {
        const std::string spaced = value + "   ";
        SIZE size{};
        ::GetTextExtentPoint32A(context.hdc, spaced.c_str(), static_cast<int>(spaced.size()), &size);
        area.left += size.cx;
    }
    if (area.left >= area.right) return;
    TextColorScope colour(context.hdc, context.greyText);
    BkModeScope mode(context.hdc, TRANSPARENT);
    ::DrawTextA(context.hdc, note.c_str(), static_cast<int>(note.size()), &area,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

OptionTree::~OptionTree() {
    CloseEditor();
    HWND tree = Hwnd();
    Detach();
    if (tree && ::IsWindow(tree)) {
        // A control that outlives this object keeps no pointer to a freed item, nor the
        // font that goes with it.
        if (HWND parent = ::GetParent(tree))
            ::SendMessageA(tree, WM_SETFONT, ::SendMessageA(parent, WM_GETFONT, 0, 0), FALSE);
        for (auto& entry : items_) {
            TVITEMA item{};
            item.mask = TVIF_HANDLE | TVIF_PARAM;
            item.hItem = entry.first;
            ::SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
}

bool OptionTree::Attach(HWND treeControl) {
    if (!treeControl || !SubclassedWindow::Attach(treeControl)) return false;
    LONG_PTR style = ::GetWindowLongPtrA(treeControl, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(TVS_FULLROWSELECT | TVS_CHECKBOXES);
    style |= TVS_SHOWSELALWAYS;
    ::SetWindowLongPtrA(treeControl, GWL_STYLE, style);
    ReloadLook();
    return true;
}

LRESULT OptionTree::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    MessageArgs args{message, wParam, lParam};
    if (DispatchMessageTable(*this, kMessageTable, args)) return args.result;
    return DefaultProc(message, wParam, lParam);
}

// ---- Operations ----

HTREEITEM OptionTree::InsertItem(std::unique_ptr<OptionTreeItem> item, int image, int selectedImage,
                                 HTREEITEM parent, HTREEITEM after, unsigned how) {
    if (!item || !Hwnd()) return nullptr;
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = (how & kInsertLabelOnDemand) ? LPSTR_TEXTCALLBACKA : const_cast<char*>(item->Label());
    if (how & kInsertChildrenLater) {
        insert.item.mask |= TVIF_CHILDREN;
        insert.item.cChildren = 1;
    }
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.lParam = reinterpret_cast<LPARAM>(item.get());
    auto node =
        reinterpret_cast<HTREEITEM>(::SendMessageA(Hwnd(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!node) return nullptr;
    OptionTreeItem* raw = item.get();
    items_[node] = std::move(item);
    raw->Attach(Hwnd(), node);
    if (how & kInsertChildrenLater) pendingChildren_.insert(node);
    if (parent && parent != TVI_ROOT && !fillingChildren_) {
        if (!filling_)
            ::SendMessageA(Hwnd(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
        else if (parentsToOpen_.empty() || parentsToOpen_.back() != parent)
            parentsToOpen_.push_back(parent);
    }
    return node;
}

void OptionTree::DeleteAllItems() {
    CloseEditor();
    activeNode_ = nullptr;
    clickFlag_ = false;
    parentsToOpen_.clear();
    if (Hwnd()) {
        const bool holdDrawing = !filling_;
        if (holdDrawing) ::SendMessageA(Hwnd(), WM_SETREDRAW, FALSE, 0);
        // The items go all at once below, not one by one as each deletion notice comes.
        clearing_ = true;
        ::SendMessageA(Hwnd(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        clearing_ = false;
        if (holdDrawing) {
            ::SendMessageA(Hwnd(), WM_SETREDRAW, TRUE, 0);
            ::InvalidateRect(Hwnd(), nullptr, TRUE);
        }
    }
    // A parent that does not reflect the deletion notices must not leave items behind;
    // nor may an editor reopened by focus moving back during the deletion stay.
    CloseEditor();
    items_.clear();
    pendingChildren_.clear();
}

void OptionTree::BeginFill() {
    if (filling_ || !Hwnd()) return;
    filling_ = true;
    parentsToOpen_.clear();
    ::SendMessageA(Hwnd(), WM_SETREDRAW, FALSE, 0);
}

void OptionTree::EndFill() {
    if (!filling_) return;
    filling_ = false;
    std::vector<HTREEITEM> parents;
    parents.swap(parentsToOpen_);
    for (HTREEITEM parent : parents)
        ::SendMessageA(Hwnd(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
    ::SendMessageA(Hwnd(), WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

bool OptionTree::GetCheck(HTREEITEM node) const {
    const OptionTreeItem* item = ItemOf(node);
    if (!item || item->Kind() != ItemKind::Check) return false;
    return static_cast<const CheckItem*>(item)->Checked();
}

bool OptionTree::SetCheck(HTREEITEM node, int state) {
    OptionTreeItem* item = ItemOf(node);
    if (!item || item->Kind() != ItemKind::Check) return false;
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = state == 1 ? VARIANT_TRUE : VARIANT_FALSE;
    bool set = item->SetValue(value);
    if (!filling_) RepaintRow(node);
    return set;
}

void OptionTree::GetItemValue(HTREEITEM node, VARIANT& value) const {
    if (const OptionTreeItem* item = ItemOf(node)) {
        item->GetValue(value);
    } else {
        ::VariantClear(&value);
    }
}

void OptionTree::SetItemValue(HTREEITEM node, const VARIANT& value) {
    OptionTreeItem* item = ItemOf(node);
    if (!item) return;
    item->SetValue(value);
    if (!filling_) RepaintRow(node);
    if (node == activeNode_ && node == SelectedNode()) ActivateNode(node);
}

void OptionTree::SetNote(HTREEITEM node, std::string note, std::string tip) {
    OptionTreeItem* item = ItemOf(node);
    if (!item) return;
    const bool repaint = item->Note() != note;
    item->SetNote(std::move(note), std::move(tip));
    if (repaint && !filling_) RepaintRow(node);
}

OptionTreeItem* OptionTree::ItemOf(HTREEITEM node) const {
    if (!node) return nullptr;
    auto found = items_.find(node);
    return found == items_.end() ? nullptr : found->second.get();
}

HTREEITEM OptionTree::SelectedNode() const { return Hwnd() ? NextNode(Hwnd(), nullptr, TVGN_CARET) : nullptr; }

// ---- Messages ----

bool OptionTree::OnReflectedNotify(MessageArgs& args) {
    const auto* header = reinterpret_cast<const NMHDR*>(args.lParam);
    // Only what the control says about itself; this includes the tree's own codes coming
    // back from a parent that did not act on them, which get the default reply 0.
    if (!header || header->hwndFrom != Hwnd()) return false;
    switch (header->code) {
    case NM_CLICK:
        args.result = OnClick();
        return true;
    case NM_DBLCLK:
        args.result = OnDoubleClick();
        return true;
    case NM_CUSTOMDRAW:
        args.result = OnCustomDraw(*reinterpret_cast<NMTVCUSTOMDRAW*>(args.lParam));
        return true;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        OnSelectionChanged(reinterpret_cast<const NMTREEVIEWA*>(args.lParam)->itemNew.hItem);
        args.result = 0;
        return true;
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW:
        args.result = OnExpanding(*reinterpret_cast<const NMTREEVIEWA*>(args.lParam));
        return true;
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW:
        OnGetDisplayInfo(const_cast<NMHDR*>(header));
        args.result = 0;
        return true;
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW:
        // Rows below moved: an open editor follows its node.
        if (activeNode_) ActivateNode(activeNode_);
        args.result = 0;
        return true;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
        OnNodeDeleted(reinterpret_cast<const NMTREEVIEWA*>(args.lParam)->itemOld.hItem);
        args.result = 0;
        return true;
    default:
        return false;
    }
}

bool OptionTree::OnMouseButton(MessageArgs& args) {
    // The click notice carries no position: keep the one of the press that causes it.
    lastMouse_ = POINT{static_cast<short>(LOWORD(args.lParam)), static_cast<short>(HIWORD(args.lParam))};
    haveMouse_ = true;
    return false;
}

bool OptionTree::EditorTakesKey(WPARAM key, bool alt) const {
    // The focus stays in the tree while a choice is edited, as in a combo box: the open
    // editor of the selected node sees the keys first.
    if (!editor_ || !activeNode_ || activeNode_ != SelectedNode() || !::IsWindowVisible(editor_)) return false;
    return ::SendMessageA(editor_, kOteKey, key, alt ? 1 : 0) != 0;
}

bool OptionTree::EditorIsOpen() const {
    return editor_ && ::IsWindow(editor_) && ::SendMessageA(editor_, kOteIsOpen, 0, 0) != 0;
}

bool OptionTree::OnSysKeyDown(MessageArgs& args) {
    const bool alt = (args.lParam & (static_cast<LPARAM>(KF_ALTDOWN) << 16)) != 0;
    if (!EditorTakesKey(args.wParam, alt)) return false;
    args.result = 0;
    return true;
}

bool OptionTree::OnGetDlgCode(MessageArgs& args) {
    args.result = DefaultProc(args.message, args.wParam, args.lParam);
    // An open list keeps Enter, Escape and Tab from the dialog: they are the list's.
    if (EditorIsOpen()) args.result |= DLGC_WANTALLKEYS | DLGC_WANTMESSAGE;
    return true;
}

bool OptionTree::OnKillFocus(MessageArgs& args) {
    if (editor_ && ::IsWindow(editor_)) ::SendMessageA(editor_, kOteCloseUp, args.wParam, 0);
    return false;
}

bool OptionTree::OnKeyDown(MessageArgs& args) {
    if (EditorTakesKey(args.wParam, false)) {
        args.result = 0;
        return true;
    }
    HTREEITEM selected = SelectedNode();
    if (selected) {
        OptionTreeItem* item = ItemOf(selected);
        if (item && args.wParam == VK_SPACE) {
            item->OnAction(ItemAction::Space);
        } else if (item && selected == activeNode_ &&
                   (args.wParam == VK_TAB || args.wParam == VK_RIGHT || args.wParam == VK_F2)) {
            item->OnAction(ItemAction::EditKey);
        }
        if (Frozen()) {
            // Keys that would open or close a node do nothing while frozen; Left on a
            // closed node still moves to its parent.
            bool expanded = (::SendMessageA(Hwnd(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(selected),
                                            TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
            bool hasChildren = NextNode(Hwnd(), selected, TVGN_CHILD) != nullptr;
            switch (args.wParam) {
            case VK_ADD:
            case VK_SUBTRACT:
            case VK_MULTIPLY:
                args.result = 0;
                return true;
            case VK_LEFT:
                if (expanded) {
                    args.result = 0;
                    return true;
                }
                break;
            case VK_RIGHT:
                if (!expanded && hasChildren) {
                    args.result = 0;
                    return true;
                }
                break;
            default:
                break;
            }
        }
    }
    return false;
}

bool OptionTree::OnChar(MessageArgs& args) {
    // Nor may a typed letter search the tree under an open list.
    if (args.wParam != ' ' && !EditorIsOpen()) return false;
    args.result = 0;  // Space already acted at key down; the control must not search for it
    return true;
}

bool OptionTree::OnSetFocus(MessageArgs& args) {
    args.result = DefaultProc(args.message, args.wParam, args.lParam);
    HTREEITEM selected = SelectedNode();
    OptionTreeItem* item = ItemOf(selected);
    if (item && item->IsEnabled()) {
        item->OnAction(ItemAction::Activate);
        ActivateNode(selected);
    }
    return true;
}

bool OptionTree::OnLayoutChange(MessageArgs&) {
    CloseEditor();
    return false;
}

bool OptionTree::OnExpandRequest(MessageArgs& args) {
    // A node whose children were never inserted may still open: freezing keeps the tree's
    // shape, it must not lock a list away unseen.
    const auto node = reinterpret_cast<HTREEITEM>(args.lParam);
    if (!Frozen() || ((args.wParam & kExpandActionMask) == TVE_EXPAND && ChildrenPending(node))) return false;
    args.result = FALSE;
    return true;
}

bool OptionTree::OnLookChange(MessageArgs& args) {
    args.result = DefaultProc(args.message, args.wParam, args.lParam);
    ReloadLook();
    return true;
}

bool OptionTree::IsEditorWindow(HWND child) const {
    // Any edit box of ours but the control's own label editor: editors that are closing
    // still talk until their close request arrives.
    return child && ::GetParent(child) == Hwnd() &&
           child != reinterpret_cast<HWND>(::SendMessageA(Hwnd(), TVM_GETEDITCONTROL, 0, 0));
}

bool OptionTree::OnEditorCommand(MessageArgs& args) {
    // The editor's own notices are of no interest to the control or to the dialog.
    if (!IsEditorWindow(reinterpret_cast<HWND>(args.lParam))) return false;
    args.result = 0;
    return true;
}

bool OptionTree::OnEditorColour(MessageArgs& args) {
    if (!IsEditorWindow(reinterpret_cast<HWND>(args.lParam))) return false;
    HDC hdc = reinterpret_cast<HDC>(args.wParam);
    bool disabled = !::IsWindowEnabled(Hwnd());
    ::SetTextColor(hdc, disabled ? colours_.greyText : colours_.windowText);
    ::SetBkColor(hdc, disabled ? colours_.buttonFace : colours_.window);
    args.result = reinterpret_cast<LRESULT>(::GetSysColorBrush(disabled ? COLOR_BTNFACE : COLOR_WINDOW));
    return true;
}

bool OptionTree::OnEditorCommit(MessageArgs& args) {
    HWND editor = reinterpret_cast<HWND>(args.wParam);
    args.result = 0;
    // Only the open editor speaks for the active node; one already closing does not.
    if (!editor || editor != editor_ || !::IsWindow(editor) || !activeNode_) return true;
    HTREEITEM node = activeNode_;
    OptionTreeItem* item = ItemOf(node);
    if (!item) return true;
    if (Notify(kOtnValueChanging, item) != 0) {
        // The editor already shows the refused choice: a fresh one shows the kept value.
        if (ItemOf(node) == item && node == activeNode_) ActivateNode(node);
        return true;
    }
    if (ItemOf(node) != item) return true;  // the parent removed it meanwhile
    item->ReadValueFromEditor(editor);
    Notify(kOtnValueChanged, item);
    if (ItemOf(node) != item) return true;
    RepaintRow(node);
    if (item->Node() == activeNode_) ActivateNode(node);
    return true;
}

bool OptionTree::OnEditorCancel(MessageArgs& args) {
    args.result = 0;
    if (!activeNode_) return true;
    RepaintRow(activeNode_);
    ActivateNode(activeNode_);
    return true;
}

bool OptionTree::OnValueChangeRequest(MessageArgs& args) {
    args.result = 0;
    const auto* value = reinterpret_cast<const VARIANT*>(args.wParam);
    auto* item = reinterpret_cast<OptionTreeItem*>(args.lParam);
    // Only items of this tree are touched: the pointer is checked before it is used.
    HTREEITEM node = FindNode(item);
    if (!node) return true;
    if (value) {
        if (Notify(kOtnValueChanging, item) == 0) {
            if (ItemOf(node) != item) return true;
            item->SetValue(*value);
            Notify(kOtnValueChanged, item);
        }
    }
    if (ItemOf(node) != item) return true;
    RepaintRow(node);
    if (node == activeNode_) ActivateNode(node);
    return true;
}

bool OptionTree::OnDestroy(MessageArgs& args) {
    destroying_ = true;
    CloseEditor();
    args.result = DefaultProc(args.message, args.wParam, args.lParam);
    items_.clear();
    destroying_ = false;
    return true;
}

// ---- Notifications from the control ----

LRESULT OptionTree::OnClick() {
    clickFlag_ = true;
    POINT at{};
    if (haveMouse_) {
        at = lastMouse_;
    } else {
        DWORD position = ::GetMessagePos();
        at = POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
        ::ScreenToClient(Hwnd(), &at);
    }
    haveMouse_ = false;
    TVHITTESTINFO hit{};
    hit.pt = at;
    ::SendMessageA(Hwnd(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    HTREEITEM node = hit.hItem;
    OptionTreeItem* item = ItemOf(node);
    if (!item) return 0;
    ItemKind kind = item->Kind();
    if (kind == ItemKind::Text || kind == ItemKind::Check) {
        if (hit.flags & TVHT_ONITEMRIGHT) return 0;
        if (kind == ItemKind::Check && (optionWord_ & kOptionCheckOnImageOnly) && !(hit.flags & TVHT_ONITEMICON))
            return 0;
    } else if (kind == ItemKind::Choice && node != SelectedNode()) {
        ::SendMessageA(Hwnd(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
    }
    if (ItemOf(node) != item) return 0;
    if (Notify(kOtnClick, item) == 0 && ItemOf(node) == item) item->OnAction(ItemAction::Click);
    return 0;
}

LRESULT OptionTree::OnDoubleClick() {
    HTREEITEM node = SelectedNode();
    OptionTreeItem* item = ItemOf(node);
    if (item && Notify(kOtnDoubleClick, item) == 0 && ItemOf(node) == item) item->OnAction(ItemAction::DoubleClick);
    // While frozen the control must not toggle the node (but may open one never opened);
    // otherwise it goes on as usual.
    return Frozen() && !ChildrenPending(node) ? TRUE : 0;
}

LRESULT OptionTree::OnCustomDraw(NMTVCUSTOMDRAW& draw) {
    NMCUSTOMDRAW& paint = draw.nmcd;
    switch (paint.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        // Most rows are a check box and its label, which the control draws alone: drawing
        // the rest of every row took a third of the tree's paint.
        const OptionTreeItem* item = ItemOf(reinterpret_cast<HTREEITEM>(paint.dwItemSpec));
        const bool blank = item && !item->DrawsValue() && item->Note().empty() && ::IsWindowEnabled(Hwnd());
        return blank ? CDRF_DODEFAULT : CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_ITEMPOSTPAINT:
        break;
    default:
        return CDRF_DODEFAULT;
    }
    auto node = reinterpret_cast<HTREEITEM>(paint.dwItemSpec);
    const OptionTreeItem* item = ItemOf(node);
    if (!item) return CDRF_DODEFAULT;

    ItemDrawContext context{};
    context.hdc = paint.hdc;
    context.area = ValueArea(node, paint.rc);
    context.greyed = !item->IsEnabled();
    context.selected = (paint.uItemState & CDIS_SELECTED) != 0 ||
                       (::SendMessageA(Hwnd(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_SELECTED) &
                        TVIS_SELECTED) != 0;
    context.greyText = colours_.greyText;
    if (::IsWindowEnabled(Hwnd())) {
        context.text = colours_.windowText;
        context.background = colours_.window;
    } else {
        context.text = colours_.greyText;
        context.background = colours_.buttonFace;
    }
    if (context.area.right <= context.area.left) return CDRF_DODEFAULT;

    UniqueBrush background(::CreateSolidBrush(context.background));
    ::FillRect(paint.hdc, &context.area, background.Get());
    if (item->Kind() == ItemKind::Choice && context.selected) {
        SelectScope pen(paint.hdc, buttonFacePen_.Get());
        SelectScope brush(paint.hdc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(paint.hdc, context.area.left - 1, context.area.top, context.area.right - 1, context.area.bottom);
    }
    SelectScope font(paint.hdc, font_.Get());
    item->DrawValue(context);
    if (!item->Note().empty()) DrawNote(context, item->ValueText(), item->Note());
    return CDRF_DODEFAULT;
}

LRESULT OptionTree::OnExpanding(const NMTREEVIEWA& change) {
    const HTREEITEM node = change.itemNew.hItem;
    const bool opening = (change.action & kExpandActionMask) == TVE_EXPAND;
    const bool firstOpening = opening && ChildrenPending(node);
    if (Frozen() && !firstOpening) return TRUE;
    OptionTreeItem* item = ItemOf(node);
    if (Notify(opening ? kOtnExpanding : kOtnCollapsing, item) != 0) return TRUE;
    if (firstOpening && ItemOf(node) == item) FillPendingChildren(node);
    return FALSE;
}

void OptionTree::FillPendingChildren(HTREEITEM node) {
    pendingChildren_.erase(node);
    if (!childSource_) return;
    // The children arrive inside the control's own expansion: none of them may open the
    // node again, and the rows are drawn once, when it has opened.
    const bool holdDrawing = !filling_;
    if (holdDrawing) ::SendMessageA(Hwnd(), WM_SETREDRAW, FALSE, 0);
    fillingChildren_ = true;
    childSource_(node);
    fillingChildren_ = false;
    if (holdDrawing) {
        ::SendMessageA(Hwnd(), WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
    }
}

void OptionTree::OnGetDisplayInfo(NMHDR* header) {
    // The A and W forms differ only in the text's characters; the layout up to it is shared.
    auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
    if (!(info->item.mask & TVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0) return;
    const OptionTreeItem* item = ItemOf(info->item.hItem);
    const std::string text = item ? item->LabelText() : std::string();
    if (header->code == TVN_GETDISPINFOW) {
        auto* wide = reinterpret_cast<NMTVDISPINFOW*>(header);
        const int written = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide->item.pszText, wide->item.cchTextMax);
        if (written == 0) wide->item.pszText[0] = L'\0';  // too long for the buffer: nothing rather than garbage
        return;
    }
    ::lstrcpynA(info->item.pszText, text.c_str(), info->item.cchTextMax);
}

void OptionTree::OnSelectionChanged(HTREEITEM node) {
    // While everything is being deleted no editor may open on a node about to go.
    if (clearing_) return;
    OptionTreeItem* item = ItemOf(node);
    if (item && item->IsEnabled()) {
        item->OnAction(ItemAction::Activate);
        ActivateNode(node);
    } else {
        CloseEditor();
    }
    Notify(kOtnSelectionChanged, ItemOf(node));
}

void OptionTree::OnNodeDeleted(HTREEITEM node) {
    if (clearing_) return;  // every item goes at the end of the clearing
    // The item goes first, so that nothing the closing sets off can reopen an editor on it.
    items_.erase(node);
    pendingChildren_.erase(node);
    CloseEditor();
}

// ---- Helpers ----

LRESULT OptionTree::Notify(int code, OptionTreeItem* item) {
    HWND parent = ::GetParent(Hwnd());
    if (!parent) return 0;
    OptionTreeNotify notify{};
    notify.hdr.hwndFrom = Hwnd();
    notify.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(Hwnd()));
    notify.hdr.code = static_cast<UINT>(code);
    notify.item = item;
    return ::SendMessageA(parent, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
}

bool OptionTree::Frozen() const noexcept { return (optionWord_ & kOptionFreezeAfterClick) && clickFlag_; }

void OptionTree::ActivateNode(HTREEITEM node) {
    CloseEditor();
    if (!node || node != SelectedNode()) return;
    OptionTreeItem* item = ItemOf(node);
    if (!item || !item->IsEnabled()) return;
    // Giving the focus back to the tree while closing may already have reopened it.
    if (editor_) return;
    RECT row{};
    if (!NodeRect(Hwnd(), node, false, row)) return;
    RECT area = ValueArea(node, row);
    area.top += 1;
    area.bottom -= 1;
    if (area.right <= area.left || area.bottom <= area.top) return;
    HWND editor = item->CreateEditor(Hwnd(), area, font_.Get());
    if (!editor) return;
    editor_ = editor;
    activeNode_ = node;
    ::ShowWindow(editor, SW_SHOWNA);
}

void OptionTree::CloseEditor() {
    HWND editor = editor_;
    editor_ = nullptr;
    activeNode_ = nullptr;
    if (!editor || !::IsWindow(editor)) return;
    // Hidden at once so that it neither shows nor acts while its close request waits.
    ::ShowWindow(editor, SW_HIDE);
    HWND focus = ::GetFocus();
    if (!destroying_ && focus && (focus == Hwnd() || ::IsChild(Hwnd(), focus))) ::SetFocus(Hwnd());
    ::PostMessageA(editor, WM_CLOSE, 0, 0);
}

void OptionTree::RepaintRow(HTREEITEM node) const {
    if (!node || !Hwnd()) return;
    RECT row{};
    if (NodeRect(Hwnd(), node, false, row)) ::InvalidateRect(Hwnd(), &row, TRUE);
}

RECT OptionTree::ValueArea(HTREEITEM node, const RECT& row) const {
    RECT label{};
    RECT area = row;
    if (NodeRect(Hwnd(), node, true, label)) area.left = label.right + 4;
    return area;
}

HTREEITEM OptionTree::FindNode(const OptionTreeItem* item) const {
    if (!item) return nullptr;
    for (const auto& entry : items_)
        if (entry.second.get() == item) return entry.first;
    return nullptr;
}

void OptionTree::ReloadLook() {
    HWND tree = Hwnd();
    if (!tree) return;
    HTREEITEM reopen = activeNode_;
    CloseEditor();  // it holds the font about to be replaced
    colours_ = Colours{::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_GRAYTEXT),
                       ::GetSysColor(COLOR_BTNFACE)};
    buttonFacePen_.Reset(::CreatePen(PS_SOLID, 1, colours_.buttonFace));

    HFONT source = nullptr;
    if (HWND parent = ::GetParent(tree)) source = reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0));
    if (!source) source = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA description{};
    UniqueFont copy;
    if (::GetObjectA(source, sizeof(description), &description) == sizeof(description))
        copy.Reset(::CreateFontIndirectA(&description));
    if (copy) {
        ::SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(copy.Get()), FALSE);
        font_ = std::move(copy);  // the old font goes only after the control has let go of it
    }
    ::InvalidateRect(tree, nullptr, TRUE);
    if (reopen) ActivateNode(reopen);
}
