// The main dialog in this process while the machine-wide keys refuse writes, as they do for
// a standard user: the controls are blocked for this user only, and the state says so.
#include "app/MainDialog.h"
#include "controls/OptionTreeItems.h"
#include "res/resource.h"
#include "tests/support/KeyBackup.h"
#include "tests/support/ReadOnlyKey.h"
#include "win/ProgramDirectory.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
constexpr char kKillBits[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
constexpr char kAddon[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\{D27CDB6E-AE6D-11cf-96B8-444553540000}";
constexpr char kTipOn[] = "Hushbar : Blocking Multimedia Ads and Spyware";

// The text the dialog's tool tips show for `tool`, a child of `dialog`.
std::string ToolTipText(HWND dialog, HWND tool) {
    std::string found = "<no tool>";
    for (HWND tips = nullptr; (tips = ::FindWindowExA(nullptr, tips, TOOLTIPS_CLASSA, nullptr)) != nullptr;) {
        char text[512] = "";
        TTTOOLINFOA info{};
        info.cbSize = sizeof info;
        info.hwnd = dialog;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        if (!::SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info))) continue;
        info.lpszText = text;
        ::SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        found = text;
    }
    return found;
}

// The tip of the tree once the mouse is over `node`.
std::string TreeTipOver(HWND dialog, HWND tree, HTREEITEM node) {
    RECT row{};
    std::memcpy(&row, &node, sizeof node);
    if (!::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&row))) return "<not shown>";
    ::SendMessageA(tree, WM_MOUSEMOVE, 0, MAKELPARAM(row.right + 4, (row.top + row.bottom) / 2));
    return ToolTipText(dialog, tree);
}

// What Details puts on the clipboard, copied from inside the box's own loop.
std::string g_copied;
int g_detailRows = -1;
void CALLBACK CopyDetailsAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND details = ::GetActiveWindow();
    if (!details || !::IsWindowVisible(details) || !::GetDlgItem(details, IDC_DETAILS_LIST)) return;
    ::KillTimer(nullptr, timer);
    g_detailRows = static_cast<int>(::SendDlgItemMessageA(details, IDC_DETAILS_LIST, LVM_GETITEMCOUNT, 0, 0));
    ::SendMessageA(details, WM_COMMAND, IDC_COPY, 0);
    if (::OpenClipboard(nullptr)) {
        if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
            if (const char* text = static_cast<const char*>(::GlobalLock(data))) g_copied = text;
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
    }
    ::PostMessageA(details, WM_COMMAND, IDCANCEL, 0);
}

class UserOnlyState : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(product_.Saved() && run_.Saved() && addons_.Saved() && killBits64_.Saved() && killBits32_.Saved());
        // A fresh prefix may hold no parent to refuse writes yet: a machine that has the browser does.
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY parent = nullptr;
            ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKillBits, 0, nullptr, 0, KEY_READ | view,
                                                       nullptr, &parent, nullptr));
            ::RegCloseKey(parent);
        }
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Corvane\\Hushbar");
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kKillBits) + "\\{" + kFlash + "}").c_str(), view, 0);
        listPath_ = ProgramDirectory() + "objects.dll";
        std::ofstream(listPath_, std::ios::binary) << "Header\r\n1,Flash Player," << kFlash << ",\r\n";
    }
    void TearDown() override {
        dialog_.reset();
        ::DeleteFileA(listPath_.c_str());
    }
    void Open() {
        dialog_ = std::make_unique<MainDialog>();
        ASSERT_TRUE(dialog_->Create(::GetModuleHandleA(nullptr)));
        dialog_->TakeCommands();
        dialog_->FinishFirstApply();
    }
    bool NoteShown() const { return ::IsWindowVisible(::GetDlgItem(dialog_->Hwnd(), IDC_STATE_NOTE)) != FALSE; }
    void Command(UINT id) { ::SendMessageA(dialog_->Hwnd(), WM_COMMAND, id, 0); }

    KeyBackup product_{HKEY_CURRENT_USER, "Software\\Corvane"};
    KeyBackup run_{HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"};
    KeyBackup addons_{HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings"};
    KeyBackup killBits64_{HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_64KEY};
    KeyBackup killBits32_{HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_32KEY};
    std::string listPath_;
    std::unique_ptr<MainDialog> dialog_;
};

TEST_F(UserOnlyState, TheTipAndTheDialogSayWhenActiveXIsBlockedForThisUserOnly) {
    {
        ReadOnlyKey refuse64(HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_64KEY);
        ReadOnlyKey refuse32(HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_32KEY);
        ASSERT_TRUE(refuse64.Active() && refuse32.Active());
        Open();
        ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
        EXPECT_TRUE(dialog_->MachineWideRefused());
        EXPECT_STREQ("Hushbar : ON - ActiveX blocked for this user only (no administrator rights)",
                     dialog_->Tray().Tip());
        EXPECT_TRUE(NoteShown());

        Command(IDC_SWITCH);
        EXPECT_STREQ("Hushbar (Disabled)", dialog_->Tray().Tip());
        EXPECT_FALSE(NoteShown());

        // "Block Flash" from the tray while off changes nothing; once on again it is refused.
        Command(ID_BLOCK_FLASH);
        Command(IDC_SWITCH);
        EXPECT_TRUE(NoteShown());
    }
    // Rights again: the next apply blocks machine-wide and the words go.
    Command(IDOK);
    EXPECT_FALSE(dialog_->MachineWideRefused());
    EXPECT_STREQ(kTipOn, dialog_->Tray().Tip());
    EXPECT_FALSE(NoteShown());
    Command(IDC_SWITCH);  // off: everything of ours is taken out
    HKEY hkey = nullptr;
    EXPECT_NE(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, kAddon, 0, KEY_READ, &hkey)) << "nothing of ours left";
    if (hkey) ::RegCloseKey(hkey);
}

// A machine policy allowing Flash and a user policy allowing scripting: Hushbar writes its
// block, the browser does not read it, and every place that shows the state says so.
TEST_F(UserOnlyState, PolicyThatKeepsCheckedItemsAllowedIsShownInTheTipTheNoteAndTheReport) {
    const std::string addonPolicy = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext";
    const std::string zonePolicy = "Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    KeyBackup machine64(HKEY_LOCAL_MACHINE, addonPolicy, KEY_WOW64_64KEY);
    KeyBackup machine32(HKEY_LOCAL_MACHINE, addonPolicy, KEY_WOW64_32KEY);
    KeyBackup user(HKEY_CURRENT_USER, zonePolicy);
    ASSERT_TRUE(machine64.Saved() && machine32.Saved() && user.Saved());
    Put(HKEY_LOCAL_MACHINE, addonPolicy + "\\CLSID", "d27cdb6e-ae6d-11cf-96b8-444553540000", "1", KEY_WOW64_32KEY);
    Put(HKEY_CURRENT_USER, zonePolicy + "\\Zones\\3", "1400", DWORD{0});
    Open();
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    Command(ID_DISABLE_SCRIPT);
    // Everything is read again at every apply: the tree shows what is in force.
    const OptionTree& tree = dialog_->Tree().Tree();
    const HTREEITEM flashNode = dialog_->Selection().Items().at(0).treeItem;
    const OptionTreeItem* flash = tree.ItemOf(flashNode);
    const OptionTreeItem* scripting = tree.ItemOf(dialog_->Tree().ScriptingNode());
    const OptionTreeItem* videos = tree.ItemOf(dialog_->Tree().VideosNode());
    ASSERT_TRUE(flash && scripting && videos);
    EXPECT_EQ("allowed by policy", flash->Note());
    EXPECT_EQ("allowed by policy", scripting->Note()) << "1400 is allowed, though 1402 is blocked";
    EXPECT_EQ("", videos->Note()) << "blocked by Hushbar, as its check box says";
    EXPECT_NE(std::string::npos, scripting->Tip().find("(1402): Blocked by Hushbar.")) << scripting->Tip();
    EXPECT_NE(std::string::npos,
              flash->Tip().find("Decided by HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext\\CLSID."))
        << flash->Tip();
    // Wine hands back at most 80 characters of a tip's text.
    const std::string flashTip = TreeTipOver(dialog_->Hwnd(), tree.Hwnd(), flashNode);
    EXPECT_EQ(0u, flashTip.find("Allowed by your administrator's policy")) << flashTip;
    EXPECT_EQ(0, flash->Tip().compare(0, flashTip.size(), flashTip)) << flashTip;
    EXPECT_EQ("Blocked by Hushbar.", TreeTipOver(dialog_->Hwnd(), tree.Hwnd(), dialog_->Tree().VideosNode()));

    Command(IDOK);
    EXPECT_STREQ("Hushbar : ON - partly overridden by policy", dialog_->Tray().Tip());
    char note[512] = "";
    ::GetWindowTextA(::GetDlgItem(dialog_->Hwnd(), IDC_STATE_NOTE), note, sizeof note);
    EXPECT_EQ(0u, std::string(note).find("2 of ")) << note;
    EXPECT_NE(std::string::npos, std::string(note).find("checked items are allowed by your administrator's policy"));

    // Details lists every target and copies what /status prints.
    ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &CopyDetailsAndClose);
    Command(IDC_DETAILS);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(static_cast<int>(dialog_->PolicyStatus().size()), g_detailRows);
    const std::string report = FormatPolicyReport(dialog_->PolicyStatus());
    EXPECT_EQ(report, g_copied);
    EXPECT_EQ(0u, report.find("Name\tClass id\tState\tDecided by\r\n")) << report;
    EXPECT_NE(std::string::npos,
              report.find("Flash Player\t{" + std::string(kFlash) +
                          "}\tallowed by policy\tHKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext\\CLSID\r\n"))
        << report;
    EXPECT_NE(std::string::npos, report.find("(1400)\t-\tallowed by policy\tHKCU\\Software\\Policies\\")) << report;
    EXPECT_NE(std::string::npos, report.find("(1402)\t-\tblocked\tHushbar\r\n")) << report;

    Command(IDC_SWITCH);
    EXPECT_STREQ("Hushbar (Disabled)", dialog_->Tray().Tip());
    EXPECT_FALSE(NoteShown());
    EXPECT_EQ("", tree.ItemOf(dialog_->Selection().Items().at(0).treeItem)->Note())
        << "off, Hushbar blocks nothing that policy could override";
}

}  // namespace
