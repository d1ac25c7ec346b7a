#include "app/MainDialog.h"
#include "res/resource.h"
#include "win/ProgramDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
constexpr char kProduct[] = "Software\\Corvane\\Hushbar";
constexpr char kSelection[] = "Software\\Corvane\\Hushbar\\SWITCH";
constexpr char kZone3[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
constexpr char kKillBit[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{D27CDB6E-AE6D-11cf-96B8-444553540000}";

std::string ReadString(const char* path, const char* name) {
    char buffer[256] = "";
    DWORD size = sizeof buffer;
    if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

long long ReadDword(const char* path, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return -1;
    return value;
}

bool KillBitPresent() {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKillBit, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return false;
    ::RegCloseKey(hkey);
    return true;
}

bool Checked(HMENU menu, UINT id) { return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

std::string ItemText(HMENU menu, UINT id) {
    char text[64] = "";
    ::GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

// The main dialog inside the test process, reading a block list beside the test program.
class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
        listPath_ = ProgramDirectory() + "objects.dll";
        std::ofstream(listPath_, std::ios::binary) << "Header\r\n1,Flash Player," << kFlash << ",\r\n";
        dialog_ = std::make_unique<MainDialog>();
        ASSERT_TRUE(dialog_->Create(::GetModuleHandleA(nullptr)));
    }
    void TearDown() override {
        dialog_.reset();
        ::DeleteFileA(listPath_.c_str());
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKillBit, view, 0);
    }
    void Command(UINT id) { ::SendMessageA(dialog_->Hwnd(), WM_COMMAND, id, 0); }
    HMENU Menu() const { return dialog_->Tray().Menu(); }

    std::string listPath_;
    std::unique_ptr<MainDialog> dialog_;
};

TEST_F(MainDialogTest, TheTrayMenuAndIconsFollowAHotKeySwitch) {
    EXPECT_EQ("&Hushbar: ON", ItemText(Menu(), IDC_SWITCH));
    EXPECT_TRUE(Checked(Menu(), IDC_SWITCH));
    EXPECT_STREQ("Hushbar : Blocking Multimedia Ads and Spyware", dialog_->Tray().Tip());

    ::SendMessageA(dialog_->Hwnd(), WM_HOTKEY, 0, 0);
    EXPECT_EQ("&Hushbar: OFF", ItemText(Menu(), IDC_SWITCH));
    EXPECT_FALSE(Checked(Menu(), IDC_SWITCH));
    EXPECT_STREQ("Hushbar (Disabled)", dialog_->Tray().Tip());
    // The dialog's state icon shows the very icon of the tray.
    HICON shown = reinterpret_cast<HICON>(
        ::SendDlgItemMessageA(dialog_->Hwnd(), IDC_STATE_ICON, STM_GETICON, 0, 0));
    EXPECT_EQ(dialog_->Tray().Icon(), shown);
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

TEST_F(MainDialogTest, OkHidesAndDropsTheTreeAndShowingRebuildsIt) {
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    HWND tree = ::GetDlgItem(dialog_->Hwnd(), IDC_BLOCK_TREE);
    EXPECT_GT(::SendMessageA(tree, TVM_GETCOUNT, 0, 0), 0);
    Command(IDOK);
    EXPECT_FALSE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ(0, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));
    EXPECT_EQ(9, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));  // two groups, six options, one control

    // Showing an already visible dialog does nothing, not even a rebuild.
    ::SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_EQ(0, ::SendMessageA(tree, TVM_GETCOUNT, 0, 0));
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
        if (!item.treeItem || tree.IsChecked(item) != model.IsChecked(item))
            return ::testing::AssertionFailure() << "entry " << item.classId;
    return ::testing::AssertionSuccess();
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
    EXPECT_FALSE(dialog_->Tree().Shows(dialog_->Selection())) << "hidden: no tree";
    Command(ID_SHOW_MAIN_WINDOW);
    EXPECT_TRUE(TreeShowsModel(*dialog_)) << "shown again";
    EXPECT_EQ(2u, dialog_->Selection().ScriptingIndex());
}

TEST_F(MainDialogTest, EscapeDoesNotHideTheDialog) {
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    Command(IDCANCEL);
    EXPECT_TRUE(::IsWindowVisible(dialog_->Hwnd()));
}

}  // namespace
