#include "app/DetailsDialog.h"

#include "res/resource.h"
#include "win/Centre.h"
#include "win/ResourceInstance.h"
#include "win/TextFit.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <utility>

const MessageEntry<DetailsDialog> DetailsDialog::kMessageTable[] = {
    OnMessage(WM_INITDIALOG, &DetailsDialog::OnInitDialog),
    OnCommand(IDC_COPY, &DetailsDialog::OnCopy),
    OnCommand(IDOK, &DetailsDialog::OnClose),
    OnCommand(IDCANCEL, &DetailsDialog::OnClose),
};

namespace {

// Owns the clipboard while open; closing it hands the data over.
class ClipboardScope {
public:
    explicit ClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardScope() {
        if (open_) ::CloseClipboard();
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    bool IsOpen() const noexcept { return open_; }

private:
    bool open_;
};

void AddColumn(HWND list, int index, const char* title) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    if (column == 0)
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    else
        ::SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

bool CopyTextToClipboard(HWND owner, const std::string& text) {
    ClipboardScope clipboard(owner);
    if (!clipboard.IsOpen() || !::EmptyClipboard()) return false;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return false;
    if (void* bytes = ::GlobalLock(memory)) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        ::GlobalUnlock(memory);
        // Once set, the memory is the clipboard's.
        if (::SetClipboardData(CF_TEXT, memory)) return true;
    }
    ::GlobalFree(memory);
    return false;
}

DetailsDialog::DetailsDialog(std::vector<TargetStatus> status) : status_(std::move(status)) {}

INT_PTR DetailsDialog::Run(HWND owner) { return RunModal(ResourceInstance(), IDD_DETAILS, owner); }

bool DetailsDialog::HandleMessage(MessageArgs& args) { return DispatchMessageTable(*this, kMessageTable, args); }

bool DetailsDialog::OnInitDialog(MessageArgs& args) {
    FitDialogToText(Hwnd());
    CentreWindow(Hwnd());
    FillList(::GetDlgItem(Hwnd(), IDC_DETAILS_LIST));
    ::ShowWindow(Hwnd(), SW_SHOW);
    // The list first: the arrows then walk the targets, Alt+C copies, Escape closes.
    ::SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(Hwnd(), IDC_DETAILS_LIST)), TRUE);
    args.result = FALSE;
    return true;
}

void DetailsDialog::FillList(HWND list) const {
    if (!list) return;
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const int columns = static_cast<int>(kReportColumnCount);
    for (int column = 0; column < columns; ++column) AddColumn(list, column, kReportColumns[column]);
    int row = 0;
    for (const TargetStatus& target : status_) {
        const auto cells = ReportCells(target);
        for (int column = 0; column < columns; ++column) SetCell(list, row, column, cells[column]);
        ++row;
    }
    // Each column as wide as its widest cell or its title, measured in the list's own font
    // (the last one fills what room is left, but never hides its cells' ends).
    for (int column = 0; column < columns; ++column) {
        const auto width = [&](LPARAM how) {
            ::SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), how);
            return ::SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0);
        };
        const LRESULT cells = width(LVSCW_AUTOSIZE);
        const LRESULT title = width(LVSCW_AUTOSIZE_USEHEADER);
        if (cells > title) width(cells);
    }
    if (row > 0) {
        LVITEMA item{};
        item.stateMask = item.state = LVIS_FOCUSED | LVIS_SELECTED;
        ::SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void DetailsDialog::OnCopy() {
    if (!CopyTextToClipboard(Hwnd(), FormatPolicyReport(status_)))
        ::MessageBoxA(Hwnd(), "The list could not be put on the clipboard.", "Hushbar", MB_OK | MB_ICONWARNING);
}

void DetailsDialog::OnClose() {
    ::ShowWindow(Hwnd(), SW_HIDE);
    ::EndDialog(Hwnd(), IDCANCEL);
}
