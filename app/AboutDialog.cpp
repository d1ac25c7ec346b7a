#include "app/AboutDialog.h"

#include "res/ProductInfo.h"
#include "res/resource.h"
#include "win/Centre.h"
#include "win/ResourceInstance.h"
#include "win/TextFit.h"
#include "win/VersionResource.h"

#include <string>

const MessageEntry<AboutDialog> AboutDialog::kMessageTable[] = {
    OnMessage(WM_INITDIALOG, &AboutDialog::OnInitDialog),
    OnCommand(IDOK, &AboutDialog::OnOk),
    OnCommand(IDCANCEL, &AboutDialog::OnCancel),
};

AboutDialog::AboutDialog() = default;
AboutDialog::~AboutDialog() = default;

INT_PTR AboutDialog::Run(HWND owner) {
    return RunModal(ResourceInstance(), IDD_ABOUT, owner);
}

bool AboutDialog::HandleMessage(MessageArgs& args) {
    return DispatchMessageTable(*this, kMessageTable, args);
}

namespace {

// The template's "Version" line gets the number from the version resource, the one place
// the build writes it, so the box cannot state another version than the files.
void ShowModuleVersion(HWND text) {
    char buffer[512] = "";
    ::GetWindowTextA(text, buffer, sizeof buffer);
    std::string lines = buffer;
    const std::string version = ModuleVersion(ResourceInstance());
    const std::size_t at = lines.find("Version");
    if (at == std::string::npos || version.empty()) return;
    const std::size_t end = lines.find('\n', at);
    lines.replace(at, (end == std::string::npos ? lines.size() : end) - at, "Version " + version);
    ::SetWindowTextA(text, lines.c_str());
}

}  // namespace

bool AboutDialog::OnInitDialog(MessageArgs& args) {
    ShowModuleVersion(::GetDlgItem(Hwnd(), IDC_ABOUT_TEXT));
    // Sized before the links measure themselves and before the box is centred.
    FitDialogToText(Hwnd());
    CentreWindow(Hwnd());  // on the owner; a hidden or minimised owner means the work area

    okButton_.emplace();
    okButton_->Attach(::GetDlgItem(Hwnd(), IDOK));

    mailLink_.emplace();
    mailLink_->SetTarget(product::kSupportTarget);
    mailLink_->SetLabel(product::kSupportLabel);
    mailLink_->Attach(::GetDlgItem(Hwnd(), IDC_MAIL_LINK));
    ::InvalidateRect(mailLink_->Hwnd(), nullptr, FALSE);

    homeLink_.emplace();
    homeLink_->SetTarget(product::kHomePage);
    homeLink_->SetLabel(product::kHomePage);
    homeLink_->Attach(::GetDlgItem(Hwnd(), IDC_HOME_LINK));
    ::InvalidateRect(homeLink_->Hwnd(), nullptr, FALSE);

    ::ShowWindow(Hwnd(), SW_SHOW);
    // The template's first tab stop is the mail link, and Enter on a focused link opens
    // it; starting on OK keeps Enter closing the box, as users expect of it.
    // Through the dialog manager, so the choice survives the box's activation.
    ::SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(Hwnd(), IDOK)), TRUE);
    args.result = FALSE;
    return true;
}

void AboutDialog::OnOk() { Close(IDOK); }

void AboutDialog::OnCancel() { Close(IDCANCEL); }

void AboutDialog::Close(int result) {
    ::ShowWindow(Hwnd(), SW_HIDE);
    ::EndDialog(Hwnd(), result);
}
