#include "HushbarProcess.h"

#include "res/resource.h"

#include <string>
#include <vector>

namespace {

std::string DistFolder() {
    std::string dist = HUSHBAR_TEST_DIST;
    for (char& c : dist)
        if (c == '/') c = '\\';
    return dist + "\\hushbar\\";
}

void DeleteTree(HKEY root, const char* path) { ::RegDeleteTreeA(root, path); ::RegDeleteKeyA(root, path); }

void DeleteFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteFolder(folder + name + "\\");
            else
                ::DeleteFileA((folder + name).c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}

// The program folders made for a test program go when it ends.
struct MadeFolders {
    std::vector<std::string> folders;
    ~MadeFolders() {
        for (const std::string& folder : folders) DeleteFolder(folder);
    }
};
MadeFolders madeFolders;

struct FindArgs {
    DWORD processId;
    const std::function<bool(HWND)>* matches;
    HWND found;
};

// A named CALLBACK, not a lambda: a lambda's function pointer has the wrong calling
// convention for 32-bit Windows.
BOOL CALLBACK FindProc(HWND hwnd, LPARAM lParam) {
    auto* args = reinterpret_cast<FindArgs*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != args->processId || !(*args->matches)(hwnd)) return TRUE;
    args->found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& matches) {
    FindArgs args{processId, &matches, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

HWND FindProcessWindow(DWORD processId, const char* className, const char* caption, bool visibleOnly) {
    return FindProcessWindow(processId, [&](HWND hwnd) {
        if (visibleOnly && !::IsWindowVisible(hwnd)) return false;
        char buffer[256];
        if (className) {
            ::GetClassNameA(hwnd, buffer, sizeof buffer);
            if (std::string(buffer) != className) return false;
        }
        if (caption) {
            ::GetWindowTextA(hwnd, buffer, sizeof buffer);
            if (std::string(buffer) != caption) return false;
        }
        return true;
    });
}

std::string MakeProgramFolder(const std::string& blockList) {
    static int counter = 0;
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "hushbar-e2e-" + std::to_string(::GetCurrentProcessId()) + "-" +
                         std::to_string(++counter) + "\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    madeFolders.folders.push_back(folder);
    const std::string dist = DistFolder();
    for (const char* name : {"hushbar.exe", "objects.dll", "latest.xml"})
        ::CopyFileA((dist + name).c_str(), (folder + name).c_str(), FALSE);
    if (!blockList.empty()) {
        HANDLE file = ::CreateFileA((folder + "objects.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ::WriteFile(file, blockList.data(), static_cast<DWORD>(blockList.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    return folder;
}

void ForgetHushbarSettings() { DeleteTree(HKEY_CURRENT_USER, "Software\\Corvane\\Hushbar"); }

HushbarProcess::HushbarProcess(const std::string& programFolder, const std::string& arguments) {
    std::string command = "\"" + programFolder + "hushbar.exe\"";
    if (!arguments.empty()) command += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, programFolder.c_str(), &startup,
                         &info)) {
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
    }
}

HushbarProcess::~HushbarProcess() {
    if (!process_) return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
}

HWND HushbarProcess::WaitForMainWindow(DWORD timeoutMs) {
    if (!process_) return nullptr;
    // Under Wine this returns at once while the new process has no message queue yet.
    ::WaitForInputIdle(process_, timeoutMs);
    const DWORD start = ::GetTickCount();
    do {
        mainWindow_ = FindProcessWindow(processId_, "#32770", kMainWindowTitle, false);
        // Found as soon as it is created; its start-up lets sent messages in while it waits
        // on other windows, so only its own answer says start-up is over.
        DWORD_PTR ready = 0;
        if (mainWindow_ &&
            ::SendMessageTimeoutA(mainWindow_, HUSHBAR_READY_QUERY, 0, 0, SMTO_NORMAL, timeoutMs, &ready) && ready)
            return mainWindow_;
        ::Sleep(50);
    } while (::GetTickCount() - start < timeoutMs);
    mainWindow_ = nullptr;
    return nullptr;
}

HWND HushbarProcess::WaitForMainWindowCreated(DWORD timeoutMs) {
    if (!process_) return nullptr;
    ::WaitForInputIdle(process_, timeoutMs);
    const DWORD start = ::GetTickCount();
    do {
        mainWindow_ = FindProcessWindow(processId_, "#32770", kMainWindowTitle, false);
        if (mainWindow_) return mainWindow_;
        ::Sleep(20);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

HWND HushbarProcess::WaitForDialog(const char* caption, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    do {
        if (HWND found = FindProcessWindow(processId_, "#32770", caption, true)) return found;
        ::Sleep(50);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string HushbarProcess::MessageBoxText(HWND box) {
    char text[1024] = "";
    // A message box keeps its text in the static control with id 0xFFFF.
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void HushbarProcess::DismissMessageBox(HWND box) {
    HWND button = ::FindWindowExA(box, nullptr, "Button", nullptr);
    int id = button ? ::GetDlgCtrlID(button) : IDOK;
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool HushbarProcess::SendCommand(UINT id) {
    DWORD_PTR ignored = 0;
    return mainWindow_ &&
           ::SendMessageTimeoutA(mainWindow_, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 15000, &ignored) != 0;
}

bool HushbarProcess::PostCommand(UINT id) {
    return mainWindow_ && ::PostMessageA(mainWindow_, WM_COMMAND, MAKEWPARAM(id, 0), 0) != 0;
}

LRESULT HushbarProcess::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(mainWindow_, message, wParam, lParam, SMTO_NORMAL, 15000, &result);
    return static_cast<LRESULT>(result);
}

DWORD HushbarProcess::WaitForExit(DWORD timeoutMs) {
    if (!process_) return STILL_ACTIVE;
    if (::WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_, &code);
    return code;
}
