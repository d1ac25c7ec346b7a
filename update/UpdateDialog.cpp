#include "update/UpdateDialog.h"

#include "res/resource.h"
#include "update/ProgressTexts.h"
#include "update/ResourceText.h"
#include "win/Centre.h"
#include "win/ResourceInstance.h"

#include <commctrl.h>
#include <cstring>

const MessageEntry<UpdateDialog> UpdateDialog::kMessageTable[] = {
    OnMessage(WM_INITDIALOG, &UpdateDialog::OnInitDialog),
    OnCommand(IDOK, &UpdateDialog::CheckForUpdate),
    OnCommand(IDCANCEL, &UpdateDialog::OnCancel),
    OnMessage(kEndUpdateMessage, &UpdateDialog::OnEndUpdate),
};

namespace {

std::string StringTableText(unsigned id, const std::vector<std::string>& inserts) {
    return FormatResourceText(id, inserts);
}

UINT StatusTextId(DWORD status) {
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
        return IDS_STATUS_RESOLVING;
    case INTERNET_STATUS_NAME_RESOLVED:
        return IDS_STATUS_RESOLVED;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
        return IDS_STATUS_CONNECTING;
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
        return IDS_STATUS_CONNECTED;
    case INTERNET_STATUS_REDIRECT:
        return IDS_STATUS_REDIRECTING;
    default:
        return 0;
    }
}

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

struct LabelRow {
    HWND dialog;
    RECT value;
};

// The labels are sized for the template's font; where the system puts a wider one in its
// place their text wraps onto a line that is cut off. A label may use the room up to the
// value on its row.
BOOL CALLBACK StretchLabel(HWND child, LPARAM rowPointer) {
    const LabelRow& row = *reinterpret_cast<const LabelRow*>(rowPointer);
    if (static_cast<WORD>(::GetDlgCtrlID(child)) != static_cast<WORD>(IDC_STATIC)) return TRUE;
    RECT label = ClientRectOf(row.dialog, child);
    const bool sameRow = label.top < row.value.bottom && label.bottom > row.value.top;
    if (sameRow && label.right <= row.value.left) {
        ::SetWindowPos(child, nullptr, 0, 0, row.value.left - 2 - label.left, label.bottom - label.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}

void StretchLabelBeside(HWND dialog, HWND value) {
    LabelRow row{dialog, ClientRectOf(dialog, value)};
    ::EnumChildWindows(dialog, &StretchLabel, reinterpret_cast<LPARAM>(&row));
}

}  // namespace

UpdateDialog::UpdateDialog() = default;

UpdateDialog::~UpdateDialog() {
    // The worker may still be returning from its last handler after EndDialog.
    downloader_.Join();
}

INT_PTR UpdateDialog::Run(HWND owner) {
    return RunModal(ResourceInstance(), IDD_UPDATE, owner);
}

bool UpdateDialog::HandleMessage(MessageArgs& args) {
    return DispatchMessageTable(*this, kMessageTable, args);
}

bool UpdateDialog::OnInitDialog(MessageArgs& args) {
    CentreWindow(Hwnd(), ::GetParent(Hwnd()));

    status_ = ::GetDlgItem(Hwnd(), IDC_STATUS);
    timeLeft_ = ::GetDlgItem(Hwnd(), IDC_TIME_LEFT);
    rate_ = ::GetDlgItem(Hwnd(), IDC_RATE);
    progress_ = ::GetDlgItem(Hwnd(), IDC_PROGRESS);
    animation_ = ::GetDlgItem(Hwnd(), IDC_ANIMATION);
    StretchLabelBeside(Hwnd(), timeLeft_);
    StretchLabelBeside(Hwnd(), rate_);

    // Opened now so the first frame shows; it plays only while something is fetched.
    ::SendMessageA(animation_, ACM_OPENA, reinterpret_cast<WPARAM>(ResourceInstance()),
                   reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_UPDATE_AVI)));
    ::SendMessageA(animation_, ACM_STOP, 0, 0);

    cancelButton_.Attach(::GetDlgItem(Hwnd(), IDCANCEL));

    // Posted, not sent: the update starts once the dialog is up and its loop runs.
    ::PostMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    args.result = TRUE;
    return true;
}

void UpdateDialog::OnCancel() {
    // The transfer notices at its next check and ends with "aborted", whose handler ends
    // the dialog; nothing else happens here.
    cancelRequested_ = true;
    downloader_.Abort();
}

namespace {

BOOL CALLBACK CloseMessageBox(HWND hwnd, LPARAM) {
    char className[16] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    // A box with only OK answers IDCANCEL as Escape does; the update then ends.
    if (::lstrcmpA(className, "#32770") == 0) ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    return TRUE;
}

}  // namespace

void UpdateDialog::Cancel() {
    OnCancel();
    // A box the worker already shows would stay up after the program's windows are gone
    // and keep the worker, and so the program, from ending.
    if (downloader_.HasThread()) ::EnumThreadWindows(downloader_.ThreadId(), &CloseMessageBox, 0);
}

bool UpdateDialog::OnEndUpdate(MessageArgs& args) {
    // Ended here, on the dialog's own thread: the dialog keeps its end result and its
    // default button in one place, and a focus change on this thread (the message box
    // just closed hands the focus back) must not be able to overwrite the result.
    ::EndDialog(Hwnd(), static_cast<INT_PTR>(static_cast<int>(args.wParam)));
    return true;
}

void UpdateDialog::ShowPercent(unsigned percent) {
    ::SendMessageA(progress_, PBM_SETPOS, percent, 0);
    ::SetWindowTextA(Hwnd(), TitleAtPercent(percent, StringTableText).c_str());
}

void UpdateDialog::ShowTimeLeft(unsigned seconds, DWORD total, DWORD contentLength) {
    ::SetWindowTextA(timeLeft_, TimeLeftLine(seconds, total, contentLength, StringTableText).c_str());
}

void UpdateDialog::ShowRate(double bytesPerMillisecond) {
    ::SetWindowTextA(rate_, RateLine(bytesPerMillisecond, StringTableText).c_str());
}

void UpdateDialog::ShowStatus(HINTERNET, DWORD status, LPVOID information, DWORD length) {
    UINT textId = StatusTextId(status);
    if (!textId) return;
    std::string text;
    if (information) {
        // The library hands these notices over as text; never read past what it says it
        // gave, even if the terminator is missing.
        const char* chars = static_cast<const char*>(information);
        std::size_t limit = length ? length : 1024;
        text.assign(chars, ::strnlen(chars, limit));
    }
    ::SetWindowTextA(status_, FormatResourceText(textId, text).c_str());
}

void UpdateDialog::OnProgress(DWORD startTick, DWORD& lastTick, DWORD total, DWORD& lastTotal, DWORD& lastPercent,
                              bool lengthKnown, DWORD contentLength) {
    // The bar and title at most ten times a second, and at the end: each change is a
    // message to the window's own thread, and a fast transfer reads thousands of times.
    const DWORD now = ::GetTickCount();
    if (std::optional<unsigned> percent = PercentDone(lengthKnown, total, contentLength)) {
        if (*percent != lastPercent && (*percent == 100 || now - lastPercentTick_ >= kPercentIntervalMs)) {
            ShowPercent(*percent);
            lastPercent = *percent;
            lastPercentTick_ = now;
        }
    }

    // Rate and time left at most about once a second: the handler runs after every read.
    if (now - lastTick <= 1000) return;
    ShowRate(static_cast<double>(total - lastTotal) / static_cast<double>(now - lastTick));
    lastTick = now;
    lastTotal = total;

    if (lengthKnown && contentLength != 0 && total != 0)
        ShowTimeLeft(SecondsLeft(now - startTick, total, contentLength), total, contentLength);
}
