// Times the real update round trip against a server: descriptor, signature and package
// fetched, checked, unpacked and installed, as Update does it. Prints the median of the
// runs in milliseconds. The message box at the end is answered at once.
//   hushbar_update_bench BASE_URL PROGRAM_FOLDER RUNS
#include "update/UpdateDialog.h"

#include "win/Win32.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

BOOL CALLBACK AnswerBox(HWND hwnd, LPARAM) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char title[32] = {};
    ::GetWindowTextA(hwnd, title, sizeof title);
    if (pid == ::GetCurrentProcessId() && std::string(title) == "Hushbar" && ::GetWindow(hwnd, GW_OWNER))
        ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BASE_URL PROGRAM_FOLDER RUNS\n", argv[0]);
        return 2;
    }
    const std::string base = argv[1];
    std::string folder = argv[2];
    if (folder.back() != '\\') folder += '\\';
    const int runs = std::max(1, std::atoi(argv[3]));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    std::atomic<bool> stop{false};
    std::thread answerer([&] {
        while (!stop) {
            ::EnumWindows(&AnswerBox, 0);
            ::Sleep(5);
        }
    });
    std::vector<double> times;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        // Installed data older than the server's, so every run installs.
        Write(folder + "latest.xml", "<?xml version=\"1.0\" ?>\n<hushbar version=\"2.2\" dataversion=\"1.0\" />\n");
        Write(folder + "objects.dll", "enabled,name,classId,comment\r\n1,Old,D27CDB6E-AE6D-11cf-96B8-444553540000,\r\n");
        UpdateDialog dialog;
        dialog.SetProgramDirectory(folder);
        dialog.SetUpdateBaseUrl(base);
        LARGE_INTEGER frequency, start, end;
        ::QueryPerformanceFrequency(&frequency);
        ::QueryPerformanceCounter(&start);
        const INT_PTR result = dialog.Run(nullptr);
        ::QueryPerformanceCounter(&end);
        if (result != UpdateDialog::kInstalled) ++failures;
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    stop = true;
    answerer.join();
    std::sort(times.begin(), times.end());
    std::printf("%.1f\n", times[times.size() / 2]);
    if (failures) std::fprintf(stderr, "%d of %d runs did not install\n", failures, runs);
    return failures ? 1 : 0;
}
