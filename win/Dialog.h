#pragma once
// Base of the program's dialogs: binds the object to its window at WM_INITDIALOG
// (DWLP_USER), forgets it at WM_NCDESTROY, and turns HandleMessage's answer into what a
// dialog procedure must return. Unhandled child notifications are reflected to the child.
#include "win/MessageTable.h"
#include "win/Win32.h"

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Hwnd() const noexcept { return hwnd_; }
    HWND CreateModeless(HINSTANCE instance, int templateId, HWND parent);
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner);

protected:
    // Returns true when the message was handled; args.result then holds the reply.
    virtual bool HandleMessage(MessageArgs& args) = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};
