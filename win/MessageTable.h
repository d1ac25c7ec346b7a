#pragma once
// Message tables: each window class keeps one constexpr array of rows at the top of its
// .cpp, searched top to bottom; the first row that matches and handles the message wins.
// wParam and lParam are unpacked once, here, into MessageArgs.
#include "win/Win32.h"
#include <cstddef>

struct MessageArgs {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;

    WORD CommandId() const noexcept { return LOWORD(wParam); }
    WORD NotifyCode() const noexcept { return HIWORD(wParam); }
    HWND ControlWindow() const noexcept { return reinterpret_cast<HWND>(lParam); }
};

template <class T>
struct MessageEntry {
    UINT message;
    UINT commandId;                         // WM_COMMAND rows: the identifier; event rows: the source (wParam)
    UINT event;                             // event rows: the event (lParam)
    bool (T::*onMessage)(MessageArgs&);     // returns false to let later rows try
    void (T::*onCommand)();                 // command and event rows
};

// A row for any message; the handler may decline (return false).
template <class T>
constexpr MessageEntry<T> OnMessage(UINT message, bool (T::*handler)(MessageArgs&)) {
    return {message, 0, 0, handler, nullptr};
}

// A row for WM_COMMAND with one identifier, whatever its notification code.
template <class T>
constexpr MessageEntry<T> OnCommand(UINT id, void (T::*handler)()) {
    return {WM_COMMAND, id, 0, nullptr, handler};
}

// A row for a callback message that names its source in wParam and the event in lParam,
// as the notification area does: the handler runs for that source and event only.
template <class T>
constexpr MessageEntry<T> OnEvent(UINT message, UINT source, UINT event, void (T::*handler)()) {
    return {message, source, event, nullptr, handler};
}

template <class T, std::size_t N>
bool DispatchMessageTable(T& self, const MessageEntry<T> (&table)[N], MessageArgs& args) {
    for (const MessageEntry<T>& row : table) {
        if (row.message != args.message) continue;
        if (row.onCommand) {
            const bool matches = row.message == WM_COMMAND ? args.CommandId() == row.commandId
                                                           : args.wParam == row.commandId &&
                                                                 static_cast<UINT>(args.lParam) == row.event;
            if (!matches) continue;
            (self.*row.onCommand)();
            args.result = 0;
            return true;
        }
        if ((self.*row.onMessage)(args)) return true;
    }
    return false;
}
