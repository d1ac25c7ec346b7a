#include "app/MainDialogFixture.h"
#include "res/resource.h"
#include "support/Canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

UniqueIcon StateIcon(int id, int size) {
    return UniqueIcon(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
}

// An icon's size and look: its pixels drawn over grey.
std::vector<COLORREF> IconPixels(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return {};
    BITMAP mask{};
    ::GetObjectA(info.hbmMask, sizeof mask, &mask);
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    const int size = mask.bmWidth;
    Canvas canvas(size, size);
    ::DrawIconEx(canvas.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels{static_cast<COLORREF>(size)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) pixels.push_back(canvas.Pixel(x, y));
    return pixels;
}

TEST_F(MainDialogTest, TheTrayMenuAndIconsFollowAHotKeySwitch) {
    // The first apply ran behind the window, which said so and was not ready meanwhile.
    EXPECT_EQ("Hushbar : Applying...", applyingTip_);
    EXPECT_EQ(0, readyWhileApplying_);
    EXPECT_EQ(1, ::SendMessageA(dialog_->Hwnd(), HUSHBAR_READY_QUERY, 0, 0));
    EXPECT_TRUE(KillBitPresent());
    EXPECT_EQ("&Hushbar: ON", ItemText(Menu(), IDC_SWITCH));
    EXPECT_TRUE(Checked(Menu(), IDC_SWITCH));
    EXPECT_STREQ("Hushbar : Blocking Multimedia Ads and Spyware", dialog_->Tray().Tip());

    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_EQ("&Hushbar: OFF", ItemText(Menu(), IDC_SWITCH));
    EXPECT_FALSE(Checked(Menu(), IDC_SWITCH));
    EXPECT_STREQ("Hushbar (Disabled)", dialog_->Tray().Tip());
    // The dialog's state icon shows the tray's picture, each at the size it is shown at.
    HICON shown = reinterpret_cast<HICON>(
        ::SendDlgItemMessageA(dialog_->Hwnd(), IDC_STATE_ICON, STM_GETICON, 0, 0));
    EXPECT_EQ(IconPixels(shown), IconPixels(StateIcon(IDI_STATE_OFF, ::GetSystemMetrics(SM_CXICON)).Get()));
    EXPECT_EQ(IconPixels(dialog_->Tray().Icon()),
              IconPixels(StateIcon(IDI_STATE_OFF, ::GetSystemMetrics(SM_CXSMICON)).Get()));
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    shown = reinterpret_cast<HICON>(::SendDlgItemMessageA(dialog_->Hwnd(), IDC_STATE_ICON, STM_GETICON, 0, 0));
    EXPECT_EQ(IconPixels(shown), IconPixels(StateIcon(IDI_STATE_ON, ::GetSystemMetrics(SM_CXICON)).Get()));
    EXPECT_EQ(IconPixels(dialog_->Tray().Icon()),
              IconPixels(StateIcon(IDI_STATE_ON, ::GetSystemMetrics(SM_CXSMICON)).Get()));
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_EQ("yes", ReadString(kProduct, "Current State"));
}

TEST_F(MainDialogTest, QuickCommandsWhileOffOnlyRecordTheChoice) {
    EXPECT_TRUE(Checked(Menu(), ID_ENABLE_SCRIPT));
    EXPECT_TRUE(Checked(Menu(), ID_BLOCK_FLASH));
    EXPECT_TRUE(KillBitPresent());

    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);  // off: everything neutral
    Command(ID_DISABLE_SCRIPT);
    Command(ID_SHOW_FLASH);
    EXPECT_EQ(1, ReadDword(kSelection, "Scripting"));
    EXPECT_EQ("no", ReadString(kSelection, kFlash));
    EXPECT_EQ(0, ReadDword(kZone3, "1400"));  // the browser is not touched while off
    EXPECT_FALSE(KillBitPresent());
    dialog_->RefreshStateDisplay();  // as before every display of the menu
    EXPECT_TRUE(Checked(Menu(), ID_DISABLE_SCRIPT));
    EXPECT_FALSE(Checked(Menu(), ID_ENABLE_SCRIPT));
    EXPECT_TRUE(Checked(Menu(), ID_SHOW_FLASH));
    EXPECT_FALSE(Checked(Menu(), ID_BLOCK_FLASH));

    // Switching on again applies the recorded choices.
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_EQ(3, ReadDword(kZone3, "1400"));
    EXPECT_EQ(3, ReadDword(kZone3, "1402"));
    EXPECT_FALSE(KillBitPresent());

    Command(ID_PROMPT_SCRIPT);  // while on: written at once
    EXPECT_EQ(1, ReadDword(kZone3, "1400"));
    Command(ID_BLOCK_FLASH);
    EXPECT_TRUE(KillBitPresent());
}

// Counts the nodes inserted into a tree control from the moment it is made.
class InsertionCounter {
public:
    explicit InsertionCounter(HWND tree) : tree_(tree) {
        ::SetPropA(tree_, kCounterProp, this);
        old_ = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(tree_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&InsertionCounter::Proc)));
    }
    ~InsertionCounter() {
        ::SetWindowLongPtrA(tree_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old_));
        ::RemovePropA(tree_, kCounterProp);
    }
    int count = 0;

private:
    static constexpr char kCounterProp[] = "HushbarTestInsertions";
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<InsertionCounter*>(::GetPropA(hwnd, kCounterProp));
        if (message == TVM_INSERTITEMA || message == TVM_INSERTITEMW) ++self->count;
        return ::CallWindowProcA(self->old_, hwnd, message, wParam, lParam);
    }
    HWND tree_;
    WNDPROC old_ = nullptr;
};

// Whether the tree shows exactly what the dialog's model holds.
::testing::AssertionResult TreeShowsModel(const MainDialog& dialog) {
    const BlockTree& tree = dialog.Tree();
    const SelectionModel& model = dialog.Selection();
    if (!tree.Shows(model)) return ::testing::AssertionFailure() << "the tree shows no model";
    if (tree.ScriptingIndex() != model.ScriptingIndex())
        return ::testing::AssertionFailure() << "scripting " << tree.ScriptingIndex() << " vs " << model.ScriptingIndex();
    for (Category category : {Category::Pictures, Category::Videos, Category::Animations, Category::Sounds,
                              Category::Java})
        if (tree.IsChecked(category) != model.IsChecked(category))
            return ::testing::AssertionFailure() << "category " << static_cast<int>(category);
    for (const BlockItem& item : model.Items())
        if (item.treeItem ? tree.IsChecked(item) != model.IsChecked(item)
                          : !tree.Tree().ChildrenPending(tree.ActiveXNode()))  // only a group never opened lacks nodes
            return ::testing::AssertionFailure() << "entry " << item.classId();
    return ::testing::AssertionSuccess();
}

TEST_F(MainDialogTest, OkHidesAndKeepsTheTreeSoShowingAgainInsertsNothing) {
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    HWND tree = ::GetDlgItem(dialog_->Hwnd(), IDC_BLOCK_TREE);
    EXPECT_EQ(9, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));  // two groups, six options, one control
    InsertionCounter inserted(tree);
    Command(IDOK);
    EXPECT_FALSE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ(9, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);  // a switch while hidden keeps it too
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ(0, inserted.count);
    EXPECT_TRUE(TreeShowsModel(*dialog_));

    // Another list, though, is another tree.
    std::ofstream(listPath_, std::ios::binary) << "Header\r\n1,Flash Player," << kFlash << ",\r\n0,Other,ID-O,\r\n";
    Command(IDOK);
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_EQ(10, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));
    EXPECT_TRUE(TreeShowsModel(*dialog_));
}

TEST_F(MainDialogTest, ASwitchWhileHiddenBuildsNoTreeAndShowingFillsItFromTheModel) {
    HWND tree = ::GetDlgItem(dialog_->Hwnd(), IDC_BLOCK_TREE);
    InsertionCounter inserted(tree);
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_FALSE(KillBitPresent());
    EXPECT_EQ("yes", ReadString(kSelection, kFlash)) << "the selection is saved from the model";
    ::SendMessageA(dialog_->Hwnd(), kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
    Command(ID_SHOW_FLASH);
    Command(ID_DISABLE_SCRIPT);
    EXPECT_FALSE(KillBitPresent());
    EXPECT_EQ(0, inserted.count);
    EXPECT_EQ(0, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));
    ASSERT_EQ(1u, dialog_->Selection().Items().size());
    EXPECT_FALSE(dialog_->Selection().IsChecked(dialog_->Selection().Items()[0]));

    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_EQ(9, inserted.count);
    EXPECT_TRUE(TreeShowsModel(*dialog_));
    // The keyboard's place shows: the first item is selected.
    const LRESULT root = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    EXPECT_NE(0, root);
    EXPECT_EQ(root, ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    EXPECT_EQ(1u, dialog_->Tree().ScriptingIndex());
}

TEST_F(MainDialogTest, TheTreeAndTheModelAgreeAfterEveryCommand) {
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    ASSERT_TRUE(TreeShowsModel(*dialog_));
    HWND tree = ::GetDlgItem(dialog_->Hwnd(), IDC_BLOCK_TREE);
    const BlockItem& flash = dialog_->Selection().Items().at(0);

    // The user clears Flash in the tree; the next apply takes it.
    ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(flash.treeItem));
    ::SendMessageA(tree, WM_KEYDOWN, VK_SPACE, 0);
    ASSERT_FALSE(dialog_->Tree().IsChecked(flash));
    Command(IDC_SWITCH);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "switch off";
    Command(IDC_SWITCH);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "switch on";
    EXPECT_FALSE(dialog_->Selection().IsChecked(flash));
    EXPECT_FALSE(KillBitPresent());

    Command(ID_BLOCK_FLASH);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "block Flash";
    EXPECT_TRUE(dialog_->Tree().IsChecked(flash));
    EXPECT_TRUE(KillBitPresent());
    Command(ID_PROMPT_SCRIPT);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "prompt";
    EXPECT_EQ(2u, dialog_->Tree().ScriptingIndex());
    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "hot key";
    Command(IDOK);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "hidden: the tree is kept";
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "shown again";
    EXPECT_EQ(2u, dialog_->Selection().ScriptingIndex());
}

TEST_F(MainDialogTest, EscapeDoesNotHideTheDialog) {
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    HWND focus = ::GetDlgItem(dialog_->Hwnd(), IDOK);
    ::SetFocus(focus);
    // The key as the message loop hands it over: the dialog takes it, and stays.
    MSG escape{focus, WM_KEYDOWN, VK_ESCAPE, 1 | (0x01 << 16), 0, {}};
    EXPECT_TRUE(dialog_->PreTranslateMessage(escape));
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));
}

}  // namespace
