#pragma once
// A stand-in for the browser's hidden top-level window: a hidden window of the browser's
// class (or any other class name) on its own thread, counting the settings-changed messages
// it receives. Usable against the program in-process or against hushbar.exe.
//
//   BrowserStandIn stand;                  // class "Internet Explorer_Hidden"
//   ... make the program notify ...
//   stand.WaitFor(1, 1);                   // or stand.Flush() for an in-process notify
//   EXPECT_EQ(1, stand.Count0552());
#include "win/UniqueHandle.h"
#include "win/Win32.h"

#include <atomic>
#include <string>

class BrowserStandIn {
public:
    static constexpr char kBrowserClass[] = "Internet Explorer_Hidden";

    explicit BrowserStandIn(const char* className = kBrowserClass);
    ~BrowserStandIn();
    BrowserStandIn(const BrowserStandIn&) = delete;
    BrowserStandIn& operator=(const BrowserStandIn&) = delete;

    // Null when the window could not be made.
    HWND Window() const noexcept { return hwnd_; }
    // The class name the window really has: class names ignore case, so asking for a
    // variant of a class this process already has yields the existing spelling.
    const std::string& ClassName() const noexcept { return className_; }

    // Message 0x0552 with wParam 0 and lParam 0.
    long Count0552() const noexcept { return count0552_; }
    // WM_WININICHANGE with wParam 0x1F and lParam 0.
    long CountIniChange() const noexcept { return countIniChange_; }
    void Reset() noexcept;

    // Returns once every message posted to the window before this call has been handled
    // (false on time-out). Anything sent to it has been handled when the sender returned.
    bool Flush(DWORD timeoutMs = 5000);
    // Waits until both counts reach at least the given numbers; false on time-out. For
    // notifications that come from another process at a moment the test does not know.
    bool WaitFor(long at0552, long atIniChange, DWORD timeoutMs = 5000) const;

    // Makes the window's thread stop answering, like a hung browser, until Release or
    // until `maxMs` have passed. Returns once the thread has stopped (false if it did not).
    bool Stall(DWORD maxMs = 10000);
    void Release() noexcept;

private:
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void Count(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    std::string className_;
    HWND hwnd_ = nullptr;
    UniqueKernelHandle ready_;
    UniqueKernelHandle flushed_;
    UniqueKernelHandle stalled_;
    UniqueKernelHandle released_;
    UniqueKernelHandle thread_;
    std::atomic<long> count0552_{0};
    std::atomic<long> countIniChange_{0};
};
