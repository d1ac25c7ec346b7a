#include "update/UpdateDialog.h"

#include "app/AppModule.h"
#include "res/resource.h"
#include "update/ProgressTexts.h"
#include "update/ResourceText.h"
#include "win/Centre.h"

#include <commctrl.h>
#include <cstring>

const MessageEntry<UpdateDialog> UpdateDialog::kMessageTable[] = {
    OnMessage(WM_INITDIALOG, &UpdateDialog::OnInitDialog),
    OnCommand(IDOK, &UpdateDialog::CheckForUpdate),
    OnCommand(IDCANCEL, &UpdateDialog::OnCancel),
};

namespace {

HINSTANCE ResourceInstance() {
    HINSTANCE resources = AppModule::Instance().ResourceInstance();
    return resources ? resources : ::GetModuleHandleA(nullptr);
}

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
    // A Cancel that came before this transfer reset the abort event still counts.
    if (cancelRequested_) downloader_.Abort();

    if (std::optional<unsigned> percent = PercentDone(lengthKnown, total, contentLength)) {
        if (*percent != lastPercent) {
            ShowPercent(*percent);
            lastPercent = *percent;
        }
    }

    // Rate and time left at most about once a second: the handler runs after every read.
    const DWORD now = ::GetTickCount();
    if (now - lastTick <= 1000) return;
    ShowRate(static_cast<double>(total - lastTotal) / static_cast<double>(now - lastTick));
    lastTick = now;
    lastTotal = total;

    if (lengthKnown && contentLength != 0 && total != 0)
        ShowTimeLeft(SecondsLeft(now - startTick, total, contentLength), total, contentLength);
}
