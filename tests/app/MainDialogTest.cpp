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
