#include "controls/OptionTree.h"

#include "res/resource.h"
#include "support/Canvas.h"
#include "support/ThreadWindows.h"
#include "win/Dialog.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// The main dialog's template with the tree attached; it records the tree's own
// notifications and may veto one code. Everything else is reflected as in the program.
class TreeDialog : public Dialog {
public:
    OptionTree tree;
    std::vector<int> codes;
    int vetoCode = 0;

protected:
    bool HandleMessage(MessageArgs& args) override {
        if (args.message == WM_INITDIALOG) {
            tree.Attach(::GetDlgItem(Hwnd(), IDC_BLOCK_TREE));
            args.result = TRUE;
            return true;
        }
        if (args.message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(args.lParam);
            int code = static_cast<int>(header->code);
            if (header->hwndFrom == tree.Hwnd() && code <= -3001 && code >= -3008) {
                codes.push_back(code);
                if (code == vetoCode) {
                    args.result = 1;
                    return true;
                }
            }
        }
        return false;
    }
};

// Counts the destruction of items, to see that the tree frees what it owns.
class CountedCheck : public CheckItem {
public:
    CountedCheck(const char* label, int& destroyed) : CheckItem(label), destroyed_(destroyed) {}
    ~CountedCheck() override { ++destroyed_; }

private:
    int& destroyed_;
};

bool IsExpanded(HWND tree, HTREEITEM node) {
    return (::SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

int ImageOf(HWND tree, HTREEITEM node) {
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_IMAGE;
    item.hItem = node;
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

std::string TextOf(HWND hwnd) {
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

class OptionTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES | ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&init);
        ASSERT_TRUE(dialog.CreateModeless(::GetModuleHandleA(nullptr), IDD_MAIN, nullptr));
        tree = dialog.tree.Hwnd();
        ASSERT_TRUE(tree);
        images = ::ImageList_LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TREE_IMAGES), 16, 1,
                                        RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
        ::SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        ::ShowWindow(dialog.Hwnd(), SW_SHOW);
        ::SetForegroundWindow(dialog.Hwnd());
        Build();
        Pump();
        dialog.codes.clear();
    }
    void TearDown() override {
        if (dialog.Hwnd()) ::DestroyWindow(dialog.Hwnd());
        Pump();
        if (images) ::ImageList_Destroy(images);
    }

    void Build() {
        dialog.tree.DeleteAllItems();
        browser = dialog.tree.InsertItem(std::make_unique<TextItem>("IE Browser"), 13, 13);
        std::vector<std::string> options{"Enable", "Disable", "Prompt with Dialog"};
        scripting = dialog.tree.InsertItem(std::make_unique<ChoiceItem>("Scripting:", options), 12, 12, browser);
        pictures = dialog.tree.InsertItem(std::make_unique<CheckItem>("Pictures (JPG...)"), 0, 0, browser);
        videos = dialog.tree.InsertItem(std::make_unique<CheckItem>("Videos"), 0, 0, browser);
        activeX = dialog.tree.InsertItem(std::make_unique<TextItem>("ActiveX"), 10, 10);
        flash = dialog.tree.InsertItem(std::make_unique<CheckItem>("Shockwave Flash"), 0, 0, activeX);
    }

    RECT Label(HTREEITEM node) {
        RECT rect{};
        std::memcpy(&rect, &node, sizeof(node));
        ::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }

    // Where to press on a node, checked against the control's own hit test.
    POINT At(HTREEITEM node, UINT part) {
        RECT label = Label(node);
        int y = (label.top + label.bottom) / 2;
        POINT point{};
        switch (part) {
        case TVHT_ONITEMLABEL: point = {label.left + 3, y}; break;
        case TVHT_ONITEMICON: point = {label.left - 10, y}; break;
        case TVHT_ONITEMINDENT: point = {2, y}; break;
        default: point = {label.right + 30, y}; break;
        }
        TVHITTESTINFO hit{};
        hit.pt = point;
        ::SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        EXPECT_EQ(node, hit.hItem);
        EXPECT_TRUE(hit.flags & part) << "hit flags " << hit.flags;
        return point;
    }

    void Click(POINT at) {
        ::SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        ::SendMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        Pump();
    }
    void DoubleClick(POINT at) {
        Click(at);
        ::SendMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        ::SendMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        Pump();
    }
    void Key(WPARAM key, HWND target = nullptr) {
        ::SendMessageA(target ? target : tree, WM_KEYDOWN, key, 1);
        ::SendMessageA(target ? target : tree, WM_KEYUP, key, 0xC0000001);
        Pump();
    }
    int Scripting() {
        VARIANT value;
        ::VariantInit(&value);
        dialog.tree.GetItemValue(scripting, value);
        EXPECT_EQ(VT_I4, value.vt);
        return value.lVal;
    }
    void Select(HTREEITEM node) {
        ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
        Pump();
    }

    TreeDialog dialog;
    HWND tree = nullptr;
    HIMAGELIST images = nullptr;
    HTREEITEM browser{}, scripting{}, pictures{}, videos{}, activeX{}, flash{};
};

}  // namespace

TEST_F(OptionTreeTest, ClicksOnACheckNodesBoxLabelOrIndentInvertItButNotRightOfTheLabel) {
    ASSERT_FALSE(dialog.tree.GetCheck(videos));
    Click(At(videos, TVHT_ONITEMICON));
    EXPECT_TRUE(dialog.tree.GetCheck(videos));
    EXPECT_EQ(kCheckImageChecked, ImageOf(tree, videos));
    Click(At(videos, TVHT_ONITEMLABEL));
    EXPECT_FALSE(dialog.tree.GetCheck(videos));
    EXPECT_EQ(kCheckImageUnchecked, ImageOf(tree, videos));
    Click(At(videos, TVHT_ONITEMINDENT));
    EXPECT_TRUE(dialog.tree.GetCheck(videos));
    Click(At(videos, TVHT_ONITEMRIGHT));
    EXPECT_TRUE(dialog.tree.GetCheck(videos));
    EXPECT_FALSE(dialog.tree.GetCheck(pictures));  // only the node hit changes

    // Under flag 1 only the box counts.
    dialog.tree.SetOptionWord(kOptionCheckOnImageOnly);
    Click(At(pictures, TVHT_ONITEMLABEL));
    Click(At(pictures, TVHT_ONITEMINDENT));
    EXPECT_FALSE(dialog.tree.GetCheck(pictures));
    Click(At(pictures, TVHT_ONITEMICON));
    EXPECT_TRUE(dialog.tree.GetCheck(pictures));
}

TEST_F(OptionTreeTest, UserChangesAreAnnouncedAndAVetoingParentStopsThem) {
    Click(At(flash, TVHT_ONITEMLABEL));
    EXPECT_TRUE(dialog.tree.GetCheck(flash));
    std::vector<int> expected{kOtnClick, kOtnValueChanging, kOtnValueChanged};
    std::vector<int> seen;
    for (int code : dialog.codes)
        if (code != kOtnSelectionChanged) seen.push_back(code);
    EXPECT_EQ(expected, seen);

    dialog.vetoCode = kOtnValueChanging;
    dialog.codes.clear();
    Click(At(flash, TVHT_ONITEMLABEL));
    EXPECT_TRUE(dialog.tree.GetCheck(flash));
    DoubleClick(At(scripting, TVHT_ONITEMLABEL));
    EXPECT_EQ(0, Scripting());
    for (int code : dialog.codes) EXPECT_NE(kOtnValueChanged, code);

    dialog.vetoCode = kOtnClick;  // the click is seen but not acted on
    Click(At(flash, TVHT_ONITEMICON));
    EXPECT_TRUE(dialog.tree.GetCheck(flash));
    dialog.vetoCode = kOtnDoubleClick;
    DoubleClick(At(scripting, TVHT_ONITEMLABEL));
    EXPECT_EQ(0, Scripting());
}

TEST_F(OptionTreeTest, DoubleClicksStepAChoiceAndWrapButLeaveACheckAsItWas) {
    POINT at = At(scripting, TVHT_ONITEMLABEL);
    DoubleClick(at);
    EXPECT_EQ(1, Scripting());
    DoubleClick(at);
    EXPECT_EQ(2, Scripting());
    DoubleClick(at);
    EXPECT_EQ(0, Scripting());
    // The click before the double-click inverts it once, the double-click once more.
    DoubleClick(At(videos, TVHT_ONITEMLABEL));
    EXPECT_FALSE(dialog.tree.GetCheck(videos));
}

TEST_F(OptionTreeTest, SpaceInvertsTheSelectedCheckNode) {
    Select(pictures);
    ::SetFocus(tree);
    Key(VK_SPACE);
    EXPECT_TRUE(dialog.tree.GetCheck(pictures));
    EXPECT_EQ(0, ::SendMessageA(tree, WM_CHAR, ' ', 1));  // swallowed, not searched for
    Key(VK_SPACE);
    EXPECT_FALSE(dialog.tree.GetCheck(pictures));
}

TEST_F(OptionTreeTest, AfterTheFirstClickUnderFlag2NoNodeOpensOrClosesUntilAllAreDeleted) {
    dialog.tree.SetOptionWord(kOptionFreezeAfterClick);
    // Before any click the program and the keyboard may close and open nodes.
    EXPECT_TRUE(::SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(activeX)));
    EXPECT_FALSE(IsExpanded(tree, activeX));
    Select(activeX);
    Key(VK_RIGHT);
    EXPECT_TRUE(IsExpanded(tree, activeX));
    Key(VK_LEFT);
    EXPECT_FALSE(IsExpanded(tree, activeX));
    Key(VK_ADD);
    EXPECT_TRUE(IsExpanded(tree, activeX));
    EXPECT_FALSE(dialog.tree.ClickFlag());

    Click(At(videos, TVHT_ONITEMRIGHT));  // even a click that does nothing else
    EXPECT_TRUE(dialog.tree.ClickFlag());
    EXPECT_FALSE(::SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(browser)));
    EXPECT_TRUE(IsExpanded(tree, browser));
    Select(activeX);
    Key(VK_LEFT);
    Key(VK_SUBTRACT);
    EXPECT_TRUE(IsExpanded(tree, activeX));
    DoubleClick(At(activeX, TVHT_ONITEMLABEL));
    EXPECT_TRUE(IsExpanded(tree, activeX));
    DoubleClick(At(browser, TVHT_ONITEMICON));
    EXPECT_TRUE(IsExpanded(tree, browser));

    Build();  // deletes everything first, which lifts the freeze: insertion opens the groups
    EXPECT_FALSE(dialog.tree.ClickFlag());
    EXPECT_TRUE(IsExpanded(tree, browser));
    EXPECT_TRUE(IsExpanded(tree, activeX));
    EXPECT_TRUE(::SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(browser)));
    EXPECT_FALSE(IsExpanded(tree, browser));
}

TEST_F(OptionTreeTest, AGroupGetsItsChildrenWhenFirstOpenedEvenFrozen) {
    dialog.tree.SetOptionWord(kOptionFreezeAfterClick);
    const HTREEITEM later =
        dialog.tree.InsertItem(std::make_unique<TextItem>("Later"), 10, 10, TVI_ROOT, TVI_LAST, kInsertChildrenLater);
    int asked = 0;
    dialog.tree.SetChildSource([&](HTREEITEM node) {
        ++asked;
        EXPECT_EQ(later, node);
        dialog.tree.InsertItem(std::make_unique<CheckItem>("child"), 0, 0, node);
    });
    EXPECT_TRUE(dialog.tree.ChildrenPending(later));
    EXPECT_FALSE(IsExpanded(tree, later));
    EXPECT_EQ(0, ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(later)));

    Click(At(videos, TVHT_ONITEMRIGHT));  // frozen from here: still, a group never opened opens
    Select(later);
    Key(VK_RIGHT);
    EXPECT_TRUE(IsExpanded(tree, later));
    EXPECT_FALSE(dialog.tree.ChildrenPending(later));

    // Once open, it is frozen like the others, and its children are asked for only once.
    Key(VK_LEFT);
    DoubleClick(At(later, TVHT_ONITEMLABEL));
    EXPECT_TRUE(IsExpanded(tree, later));
    EXPECT_EQ(1, asked);
}

TEST_F(OptionTreeTest, WithoutFlag2TheParentMayVetoOpeningAndClosing) {
    Click(At(videos, TVHT_ONITEMRIGHT));
    Select(activeX);
    Key(VK_LEFT);
    EXPECT_FALSE(IsExpanded(tree, activeX));
    dialog.vetoCode = kOtnExpanding;
    Key(VK_RIGHT);
    EXPECT_FALSE(IsExpanded(tree, activeX));
    dialog.vetoCode = 0;
    Key(VK_RIGHT);
    EXPECT_TRUE(IsExpanded(tree, activeX));
}

TEST_F(OptionTreeTest, ChecksAreReadAndSetOnlyOnCheckNodes) {
    EXPECT_TRUE(dialog.tree.SetCheck(videos, 1));
    EXPECT_TRUE(dialog.tree.GetCheck(videos));
    EXPECT_TRUE(dialog.tree.SetCheck(videos, 2));  // checked exactly when the state is 1
    EXPECT_FALSE(dialog.tree.GetCheck(videos));
    EXPECT_EQ(kCheckImageUnchecked, ImageOf(tree, videos));

    EXPECT_FALSE(dialog.tree.SetCheck(scripting, 1));
    EXPECT_FALSE(dialog.tree.GetCheck(scripting));
    EXPECT_FALSE(dialog.tree.SetCheck(browser, 1));
    EXPECT_FALSE(dialog.tree.GetCheck(browser));
    EXPECT_EQ(0, Scripting());
    HTREEITEM unknown = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x1234));
    EXPECT_FALSE(dialog.tree.SetCheck(unknown, 1));
    EXPECT_FALSE(dialog.tree.GetCheck(unknown));
    EXPECT_FALSE(dialog.tree.GetCheck(nullptr));
    VARIANT value;
    ::VariantInit(&value);
    dialog.tree.GetItemValue(unknown, value);
    EXPECT_EQ(VT_EMPTY, value.vt);
}

TEST_F(OptionTreeTest, SelectingAChoiceOpensItsEditorAndTheListTakesAChoice) {
    EXPECT_EQ(nullptr, dialog.tree.EditorWindow());
    Click(At(scripting, TVHT_ONITEMRIGHT));  // a click on the value area selects the node
    HWND editor = dialog.tree.EditorWindow();
    ASSERT_TRUE(editor);
    EXPECT_EQ(scripting, dialog.tree.ActiveNode());
    EXPECT_TRUE(::IsWindowVisible(editor));
    EXPECT_EQ("Enable", TextOf(editor));

    HWND focus = ::GetFocus();
    Key(VK_SPACE);
    HWND list = VisibleListOfThread();
    ASSERT_TRUE(list);
    EXPECT_EQ(focus, ::GetFocus());  // dropping down leaves the focus where it was
    EXPECT_EQ(3, ::SendMessageA(list, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, ::SendMessageA(list, LB_GETCURSEL, 0, 0));
    RECT listRect{}, editorRect{};
    ::GetWindowRect(list, &listRect);
    ::GetWindowRect(editor, &editorRect);
    EXPECT_EQ(editorRect.bottom, listRect.top);
    EXPECT_EQ(editorRect.left, listRect.left);
    EXPECT_EQ(editorRect.right - editorRect.left, listRect.right - listRect.left);
    EXPECT_LE(listRect.bottom - listRect.top, 140);

    // Releasing the button on the third option takes it.
    RECT option{};
    ::SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&option));
    LPARAM at = MAKELPARAM(option.left + 5, (option.top + option.bottom) / 2);
    dialog.codes.clear();
    ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(2, Scripting());
    EXPECT_EQ((std::vector<int>{kOtnValueChanging, kOtnValueChanged}), dialog.codes);
    EXPECT_FALSE(::IsWindowVisible(list));
    EXPECT_EQ(tree, ::GetFocus());
    ASSERT_TRUE(dialog.tree.EditorWindow());
    EXPECT_EQ("Prompt with Dialog", TextOf(dialog.tree.EditorWindow()));
    EXPECT_FALSE(::IsWindow(editor));  // the old editor closed, and its list with it
    EXPECT_FALSE(::IsWindow(list));
}

TEST_F(OptionTreeTest, InTheListEscapeKeepsTheOldChoiceAndEnterTakesTheMarkedOne) {
    Select(scripting);
    ::SetFocus(tree);
    Pump();
    ASSERT_TRUE(dialog.tree.EditorWindow());
    Key(VK_SPACE);
    HWND list = VisibleListOfThread();
    ASSERT_TRUE(list);
    ::SetFocus(list);
    Key(VK_DOWN, list);
    EXPECT_EQ(1, ::SendMessageA(list, LB_GETCURSEL, 0, 0));
    Key(VK_ESCAPE, list);
    EXPECT_EQ(0, Scripting());
    EXPECT_EQ(tree, ::GetFocus());
    EXPECT_FALSE(::IsWindowVisible(list));
    EXPECT_EQ(scripting, dialog.tree.ActiveNode());

    Key(VK_SPACE);
    list = VisibleListOfThread();
    ASSERT_TRUE(list);
    ::SetFocus(list);
    Key(VK_DOWN, list);
    Key(VK_RETURN, list);
    EXPECT_EQ(1, Scripting());
    EXPECT_EQ("Disable", TextOf(dialog.tree.EditorWindow()));

    // Escape on the arrow button commits the unchanged text: the choice stays.
    dialog.codes.clear();
    ::SetFocus(dialog.tree.EditorWindow());  // passed on to the button
    HWND button = ::GetFocus();
    ASSERT_TRUE(::IsChild(dialog.tree.EditorWindow(), button));
    Key(VK_ESCAPE, button);
    EXPECT_EQ(1, Scripting());
    EXPECT_EQ((std::vector<int>{kOtnValueChanging, kOtnValueChanged}), dialog.codes);

    // A refused choice must not stay on show in the editor.
    dialog.vetoCode = kOtnValueChanging;
    Key(VK_SPACE);
    list = VisibleListOfThread();
    ASSERT_TRUE(list);
    ::SetFocus(list);
    Key(VK_DOWN, list);
    Key(VK_RETURN, list);
    EXPECT_EQ(1, Scripting());
    ASSERT_TRUE(dialog.tree.EditorWindow());
    EXPECT_EQ("Disable", TextOf(dialog.tree.EditorWindow()));
}

TEST_F(OptionTreeTest, OnlyAValueChangeOfTheActiveNodeRenewsTheEditor) {
    Select(scripting);
    HWND editor = dialog.tree.EditorWindow();
    ASSERT_TRUE(editor);
    dialog.tree.SetCheck(videos, 1);
    VARIANT text;
    ::VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"anything");
    dialog.tree.SetItemValue(browser, text);
    ::VariantClear(&text);
    Pump();
    EXPECT_EQ(editor, dialog.tree.EditorWindow());
    EXPECT_EQ("Enable", TextOf(editor));

    VARIANT index;
    ::VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 1;
    dialog.tree.SetItemValue(scripting, index);
    Pump();
    ASSERT_TRUE(dialog.tree.EditorWindow());
    EXPECT_NE(editor, dialog.tree.EditorWindow());
    EXPECT_EQ("Disable", TextOf(dialog.tree.EditorWindow()));
    EXPECT_FALSE(::IsWindow(editor));
    EXPECT_TRUE(dialog.codes.empty() || dialog.codes.back() == kOtnSelectionChanged);  // the program is not vetoed

    Select(videos);  // moving away closes it
    EXPECT_EQ(nullptr, dialog.tree.EditorWindow());
    EXPECT_EQ(nullptr, dialog.tree.ActiveNode());
}

TEST_F(OptionTreeTest, DeletingAllNodesClosesTheEditorClearsTheClickFlagAndFreesTheItems) {
    int destroyed = 0;
    HTREEITEM counted = dialog.tree.InsertItem(std::make_unique<CountedCheck>("one", destroyed), 0, 0, activeX);
    dialog.tree.InsertItem(std::make_unique<CountedCheck>("two", destroyed), 0, 0, activeX);
    ::SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(counted));
    EXPECT_EQ(1, destroyed);
    EXPECT_FALSE(dialog.tree.GetCheck(counted));

    Click(At(scripting, TVHT_ONITEMLABEL));
    HWND editor = dialog.tree.EditorWindow();
    ASSERT_TRUE(editor);
    dialog.tree.DeleteAllItems();
    EXPECT_EQ(2, destroyed);
    EXPECT_EQ(nullptr, dialog.tree.EditorWindow());
    EXPECT_EQ(nullptr, dialog.tree.ActiveNode());
    EXPECT_FALSE(dialog.tree.ClickFlag());
    Pump();
    EXPECT_FALSE(::IsWindow(editor));

    Build();
    dialog.tree.InsertItem(std::make_unique<CountedCheck>("three", destroyed), 0, 0, activeX);
    ::DestroyWindow(dialog.Hwnd());  // the window's end frees what is left
    EXPECT_EQ(3, destroyed);
}

namespace {

// Pixels of the row right of the label that differ from the background, with the tree
// drawn into a bitmap of the test's own: what other windows on the screen do cannot show.
int InkRightOfLabel(HWND tree, HTREEITEM node) {
    RECT label{};
    std::memcpy(&label, &node, sizeof(node));
    ::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label));
    RECT client{};
    ::GetClientRect(tree, &client);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    Canvas canvas(client.right, client.bottom, window);
    ::SendMessageA(tree, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT | PRF_ERASEBKGND);
    int ink = 0;
    for (int y = label.top + 1; y < label.bottom - 1; ++y)
        for (int x = label.right + 6; x < client.right - 2; ++x)
            if (canvas.Pixel(x, y) != window) ++ink;
    return ink;
}

}  // namespace

TEST_F(OptionTreeTest, TheChosenOptionIsDrawnAfterTheLabelAndFollowsItsValue) {
    Select(videos);  // no editor covers the value area
    ASSERT_EQ(nullptr, dialog.tree.EditorWindow());
    int enable = InkRightOfLabel(tree, scripting);
    EXPECT_GT(enable, 0);
    EXPECT_EQ(0, InkRightOfLabel(tree, videos));  // a check node shows no value...
    dialog.tree.SetNote(videos, "blocked already", "By Windows.");
    EXPECT_GT(InkRightOfLabel(tree, videos), 0);  // ...but its note
    dialog.tree.SetNote(videos, "", "");
    EXPECT_EQ(0, InkRightOfLabel(tree, videos));
    VARIANT index;
    ::VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 2;
    dialog.tree.SetItemValue(scripting, index);
    EXPECT_GT(InkRightOfLabel(tree, scripting), enable);  // "Prompt with Dialog" is the longer text
}
