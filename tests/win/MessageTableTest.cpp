#include "win/MessageTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT kCallback = WM_APP + 7;

struct Window {
    std::string log;
    bool declineFirst = false;

    bool First(MessageArgs& args) {
        log += "first;";
        args.result = 5;
        return !declineFirst;
    }
    bool Second(MessageArgs&) {
        log += "second;";
        return true;
    }
    void Ok() { log += "ok;"; }
    void Clicked() { log += "clicked;"; }
    void Menu() { log += "menu;"; }

    static const MessageEntry<Window> kTable[];
};

const MessageEntry<Window> Window::kTable[] = {
    OnMessage(WM_TIMER, &Window::First),
    OnMessage(WM_TIMER, &Window::Second),
    OnCommand(IDOK, &Window::Ok),
    OnEvent(kCallback, 1, WM_LBUTTONDOWN, &Window::Clicked),
    OnEvent(kCallback, 1, WM_RBUTTONDOWN, &Window::Menu),
};

bool Dispatch(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    MessageArgs args{message, wParam, lParam};
    return DispatchMessageTable(window, Window::kTable, args);
}

TEST(MessageTable, TheFirstRowThatTakesTheMessageWinsAndADeclinedOneLetsTheNextTry) {
    Window window;
    EXPECT_TRUE(Dispatch(window, WM_TIMER, 0, 0));
    EXPECT_EQ("first;", window.log);
    window.log.clear();
    window.declineFirst = true;
    EXPECT_TRUE(Dispatch(window, WM_TIMER, 0, 0));
    EXPECT_EQ("first;second;", window.log);
    window.log.clear();
    EXPECT_FALSE(Dispatch(window, WM_PAINT, 0, 0));
    EXPECT_EQ("", window.log);
}

TEST(MessageTable, CommandRowsMatchTheIdentifierAndEventRowsTheSourceAndTheEvent) {
    Window window;
    EXPECT_TRUE(Dispatch(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0));
    EXPECT_FALSE(Dispatch(window, WM_COMMAND, IDCANCEL, 0));
    EXPECT_EQ("ok;", window.log);
    window.log.clear();

    EXPECT_TRUE(Dispatch(window, kCallback, 1, WM_RBUTTONDOWN));
    EXPECT_TRUE(Dispatch(window, kCallback, 1, WM_LBUTTONDOWN));
    EXPECT_FALSE(Dispatch(window, kCallback, 2, WM_LBUTTONDOWN));  // another source
    EXPECT_FALSE(Dispatch(window, kCallback, 1, WM_MOUSEMOVE));    // an event nobody handles
    EXPECT_EQ("menu;clicked;", window.log);
}

}  // namespace
