#pragma once
// The About box (template 100): program name and version, the maker's support address and
// home page as links, and an OK button. Modal; centred on its owner when that is on
// screen, otherwise on the work area.
#include "app/HyperLink.h"
#include "controls/HoverButton.h"
#include "win/Dialog.h"

#include <optional>

class AboutDialog : public Dialog {
public:
    AboutDialog();
    ~AboutDialog() override;

    // Shows the box and returns when it closes, with the identifier of the button that
    // closed it (IDOK or IDCANCEL), or -1 when it could not be shown.
    INT_PTR Run(HWND owner);

protected:
    bool HandleMessage(MessageArgs& args) override;

private:
    bool OnInitDialog(MessageArgs& args);
    void OnOk();
    void OnCancel();
    void Close(int result);

    static const MessageEntry<AboutDialog> kMessageTable[];

    // Made afresh for every showing, so links never start out visited.
    std::optional<HoverButton> okButton_;
    std::optional<HyperLink> mailLink_;
    std::optional<HyperLink> homeLink_;
};
