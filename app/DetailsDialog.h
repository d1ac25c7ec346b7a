#pragma once
// The Details dialog (template 214): every target Hushbar can block, read only, with its
// state now and the registry key that decides it, and Copy, which puts the same lines on the
// clipboard as plain text (what `hushbar.exe /status` prints). Modal; centred on its owner.
#include "engine/PolicyLayers.h"
#include "win/Dialog.h"

#include <vector>

class DetailsDialog : public Dialog {
public:
    explicit DetailsDialog(std::vector<TargetStatus> status);

    // Shows the dialog and returns when it closes: IDCANCEL, or -1 when it could not be shown.
    INT_PTR Run(HWND owner);

protected:
    bool HandleMessage(MessageArgs& args) override;

private:
    bool OnInitDialog(MessageArgs& args);
    void OnCopy();
    void OnClose();
    void FillList(HWND list) const;

    static const MessageEntry<DetailsDialog> kMessageTable[];

    std::vector<TargetStatus> status_;
};

// Puts `text` on the clipboard as plain text, for `owner`; false when the clipboard refused.
bool CopyTextToClipboard(HWND owner, const std::string& text);
