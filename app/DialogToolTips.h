#pragma once
// The balloon tool tips of the main dialog: one tool for the dialog and one for each of
// its controls, whose text is the string-table entry with the control's identifier (an
// entry that does not exist simply shows no tip).
//
// Wiring: call OnMessage with every message of the dialog before the dialog's own table;
// it never consumes one. It creates the tips on WM_INITDIALOG (so they exist before the
// dialog's own initialisation), relays mouse messages, and forgets the window when the
// dialog is destroyed (the tool-tip window goes with its owner).
#include "win/MessageTable.h"
#include "win/Win32.h"

class DialogToolTips {
public:
    static constexpr DWORD kWindowStyle = 0x42;  // TTS_NOPREFIX | TTS_BALLOON
    static constexpr UINT kToolFlags = 0x11;     // TTF_IDISHWND | TTF_SUBCLASS

    // `resources` holds the string table; null means the program's own module.
    explicit DialogToolTips(HINSTANCE resources = nullptr);
    DialogToolTips(const DialogToolTips&) = delete;
    DialogToolTips& operator=(const DialogToolTips&) = delete;

    void OnMessage(HWND dialog, const MessageArgs& args);

    // Creates the tool-tip window and its tools; OnMessage calls it on WM_INITDIALOG.
    void Create(HWND dialog);
    // Replaces the text of one control's tool (the state icon's tip follows the state).
    void SetTipText(HWND dialog, int controlId, const char* text);
    // A disabled control gets no mouse messages (they reach the dialog): while `text` is
    // given, a tool over the control's place in the dialog shows it; null removes that tool.
    void SetDisabledTip(HWND dialog, int controlId, const char* text);
    void Activate();

    HWND Window() const noexcept { return window_; }

private:
    void AddTool(HWND owner, HWND tool, int textId);
    static BOOL CALLBACK AddChildTool(HWND child, LPARAM self);

    HINSTANCE resources_;
    HWND window_ = nullptr;  // owned by the dialog window, which destroys it
};
