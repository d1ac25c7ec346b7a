#include "app/AboutDialog.h"

#include "res/ProductInfo.h"
#include "res/resource.h"
#include "win/Centre.h"
#include "win/ResourceInstance.h"

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

bool AboutDialog::OnInitDialog(MessageArgs& args) {
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
