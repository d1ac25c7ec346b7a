#pragma once
// Drives the real hushbar.exe for end-to-end tests: lays out a program folder, starts the
// program in it, finds its windows, sends it commands, answers its message boxes, and
// reads its exit status with GetExitCodeProcess (the shell would cut it to 8 bits).
#include "res/ProductInfo.h"
#include "win/Win32.h"

#include <functional>
#include <string>

// Copies the shipped program folder (dist/hushbar) into a fresh temporary folder and
// returns its path with a trailing backslash. A non-empty `blockList` replaces objects.dll.
std::string MakeProgramFolder(const std::string& blockList = std::string());

// Deletes the program's own settings so a test starts as on a first run.
void ForgetHushbarSettings();

constexpr const char* kMainWindowTitle = product::kMainTitle;

class HushbarProcess {
public:
    // `arguments` follow the program name on its command line.
    explicit HushbarProcess(const std::string& programFolder, const std::string& arguments = std::string());
    ~HushbarProcess();  // ends the process if a test left it running
    HushbarProcess(const HushbarProcess&) = delete;
    HushbarProcess& operator=(const HushbarProcess&) = delete;

    bool Started() const noexcept { return process_ != nullptr; }
    DWORD ProcessId() const noexcept { return processId_; }

    // The main dialog (shown or hidden) once its initialisation has finished; null on time-out.
    HWND WaitForMainWindow(DWORD timeoutMs = 15000);
    // The main dialog as soon as it exists, start-up over or not; null on time-out.
    HWND WaitForMainWindowCreated(DWORD timeoutMs = 15000);
    // A top-level dialog of this process with the given caption, visible; null on time-out.
    HWND WaitForDialog(const char* caption, DWORD timeoutMs = 10000);
    // Text of a message box (its static control), and closing it with its first button.
    static std::string MessageBoxText(HWND box);
    static void DismissMessageBox(HWND box);

    // Sends a command to the main dialog and waits until the program has handled it.
    bool SendCommand(UINT id);
    // Posts a command and returns at once: for commands that open a modal box.
    bool PostCommand(UINT id);
    // Sends any message to the main dialog and waits for it to be handled.
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);

    // Waits for the process to end and returns its full 32-bit exit status; STILL_ACTIVE on
    // time-out.
    DWORD WaitForExit(DWORD timeoutMs = 15000);

    HWND MainWindow() const noexcept { return mainWindow_; }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND mainWindow_ = nullptr;
};

// Finds a top-level window of the process with the given class and caption.
HWND FindProcessWindow(DWORD processId, const char* className, const char* caption, bool visibleOnly);
// Finds a top-level window of the process that `matches` accepts.
HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& matches);
