// Times Hushbar's commands on a block list of N entries against `reg import` writing and
// deleting the same kill-bit keys in both registry views, and its start-up and memory
// against a bare dialog-and-tray program, interleaved in one run. Prints one table row per
// measure: the medians and their ratio.
//
//   hushbar_bench <program folder> <N, or 0 for the list already there> <repetitions> <bare program>
#include "res/resource.h"
#include "win/Win32.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr char kKillBitRoot[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
constexpr char kKillBitRoot32[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
constexpr char kAddonRoot[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
constexpr DWORD kWait = 600000;
constexpr DWORD kSettleMs = 500;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What the step before set off elsewhere (the desktop answering a settings broadcast, the
// wineserver saving the registry) settles before the next step is timed.
void Settle() { ::Sleep(kSettleMs); }

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string ClassId(int index) {
    char id[40];
    std::snprintf(id, sizeof id, "BE0C0000-0000-4000-8000-%012X", index);
    return id;
}

// The list Hushbar reads, and the files `reg import` gets for the same keys: the kill bits
// in both views, and once more with the per-user add-on key Hushbar also writes.
void WriteFiles(const std::string& folder, int entries) {
    std::ofstream list(folder + "objects.dll", std::ios::binary);
    list << "Bench list\r\n";
    std::ofstream add(folder + "bench-add.reg", std::ios::binary);
    std::ofstream remove(folder + "bench-delete.reg", std::ios::binary);
    std::ofstream addAll(folder + "bench-add-all.reg", std::ios::binary);
    std::ofstream removeAll(folder + "bench-delete-all.reg", std::ios::binary);
    for (std::ofstream* file : {&add, &remove, &addAll, &removeAll}) *file << "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int index = 0; index < entries; ++index) {
        const std::string id = ClassId(index);
        list << "1,Control " << index << "," << id << ",\r\n";
        for (const char* root : {kKillBitRoot, kKillBitRoot32, kAddonRoot}) {
            const bool killBit = root != kAddonRoot;
            const std::string key = std::string(root) + "\\{" + id + "}";
            const std::string value = killBit ? "\"Compatibility Flags\"=dword:00000400" : "\"Flags\"=dword:00000001";
            if (killBit) add << "[" << key << "]\r\n" << value << "\r\n\r\n";
            if (killBit) remove << "[-" << key << "]\r\n\r\n";
            addAll << "[" << key << "]\r\n" << value << "\r\n\r\n";
            removeAll << "[-" << key << "]\r\n\r\n";
        }
    }
}

struct Child {
    PROCESS_INFORMATION info{};
    HWND window = nullptr;
};

bool Start(const std::string& commandLine, const std::string& folder, Child& child) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    return ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &startup, &child.info) != FALSE;
}

void Finish(Child& child) {
    ::WaitForSingleObject(child.info.hProcess, kWait);
    ::CloseHandle(child.info.hThread);
    ::CloseHandle(child.info.hProcess);
    child = Child{};
}

double RunToEnd(const std::string& commandLine) {
    Child child;
    Settle();
    const double start = Now();
    if (!Start(commandLine, std::string(), child)) return -1;
    ::WaitForSingleObject(child.info.hProcess, kWait);
    const double took = Now() - start;
    Finish(child);
    return took;
}

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindShownDialog(HWND hwnd, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    char name[16] = "";
    ::GetClassNameA(hwnd, name, sizeof name);
    if (owner != search->processId || !::IsWindowVisible(hwnd) || std::string(name) != "#32770") return TRUE;
    search->found = hwnd;
    return FALSE;
}

// From the process's creation to its dialog on screen and its message loop answering.
double StartUp(const std::string& commandLine, const std::string& folder, Child& child) {
    Settle();
    const double start = Now();
    if (!Start(commandLine, folder, child)) return -1;
    ::WaitForInputIdle(child.info.hProcess, kWait);
    Search search{child.info.dwProcessId, nullptr};
    while (::EnumWindows(FindShownDialog, reinterpret_cast<LPARAM>(&search)), !search.found) {
        if (::WaitForSingleObject(child.info.hProcess, 1) == WAIT_OBJECT_0) return -1;
    }
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_NORMAL, kWait, &ignored);
    child.window = search.found;
    return Now() - start;
}

// From `since` until the program says start-up is over: its first apply, which runs behind
// the window, has put the policy in force. Not part of the start-up time.
double UntilReady(const Child& child, double started) {
    DWORD_PTR ready = 0;
    while (::SendMessageTimeoutA(child.window, HUSHBAR_READY_QUERY, 0, 0, SMTO_NORMAL, kWait, &ready) && !ready)
        if (::WaitForSingleObject(child.info.hProcess, 20) == WAIT_OBJECT_0) return -1;  // asked seldom: the answer costs the apply
    return Now() - started;
}

double PrivateBytes(const Child& child) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::K32GetProcessMemoryInfo(child.info.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                   sizeof counters))
        return 0;
    // Wine leaves PrivateUsage empty; the commit charge it does report is the same figure.
    return static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage);
}

// A message to the main dialog, handled to the end before SendMessage returns.
double Timed(HWND window, UINT message, WPARAM wParam) {
    Settle();
    const double start = Now();
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL, kWait, &ignored);
    return Now() - start;
}

void ForgetSettings() { ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Corvane\\Hushbar"); }

struct Samples {
    std::vector<double> bare, startUp, startUpReady, startUpInForce, bareMemory, bareThreadMemory, memory, hiddenMemory;
    std::vector<double> regAdd, regDelete, regAddAll, regDeleteAll;
    std::vector<double> onShown, offShown, okAgain, onHidden, offHidden;
};

// The medians of both, and the median of the ratios round by round: the load of a shared
// machine drifts between rounds, much less within one.
std::vector<double> Ratios(const std::vector<double>& values, const std::vector<double>& bases) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < values.size() && i < bases.size(); ++i)
        if (bases[i] > 0) ratios.push_back(values[i] / bases[i]);
    return ratios;
}

// The median ratio of the rounds, then the lowest and highest round: a wide spread says the
// machine was busy, not that the program changed.
std::string RatioText(const std::vector<double>& values, const std::vector<double>& bases) {
    const std::vector<double> ratios = Ratios(values, bases);
    char text[64];
    if (ratios.empty()) return "-";
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    std::snprintf(text, sizeof text, "%.2fx (%.2f-%.2fx)", Median(ratios), *low, *high);
    return text;
}

void Row(const std::string& size, const char* what, const std::vector<double>& values, const char* baseline,
         const std::vector<double>& bases, const char* goal) {
    std::printf("| %s | %s | %.0f ms | %s %.0f ms | %s | %s |\n", size.c_str(), what, Median(values), baseline,
                Median(bases), RatioText(values, bases).c_str(), goal);
}

void MemoryRow(const std::string& size, const char* what, const std::vector<double>& values,
               const std::vector<double>& bases, const char* goal, const char* baseline = "bare dialog + tray") {
    std::printf("| %s | %s | %.1f MB | %s %.1f MB | %s | %s |\n", size.c_str(), what, Median(values) / 1048576.0,
                baseline, Median(bases) / 1048576.0, RatioText(values, bases).c_str(), goal);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: hushbar_bench <program folder> <entries, 0: keep the list> <repetitions> <bare>\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    const int entries = std::atoi(argv[2]);
    const int repetitions = std::max(1, std::atoi(argv[3]));
    const std::string bare = std::string("\"") + argv[4] + "\"";
    const std::string hushbar = "\"" + folder + "hushbar.exe\"";
    if (entries > 0) WriteFiles(folder, entries);
    const std::string regAdd = "reg.exe import \"" + folder + "bench-add.reg\"";
    const std::string regDelete = "reg.exe import \"" + folder + "bench-delete.reg\"";
    const std::string regAddAll = "reg.exe import \"" + folder + "bench-add-all.reg\"";
    const std::string regDeleteAll = "reg.exe import \"" + folder + "bench-delete-all.reg\"";

    // Nothing of an earlier run in force: a wineserver stopped before it saved may have
    // brought back keys that run took out.
    if (entries > 0) RunToEnd(regDeleteAll);

    Samples samples;
    for (int round = 0; round < repetitions; ++round) {
        Child child;
        samples.bare.push_back(StartUp(bare, std::string(), child));
        samples.bareMemory.push_back(PrivateBytes(child));
        ::PostMessageA(child.window, WM_CLOSE, 0, 0);
        Finish(child);
        StartUp(bare + " /thread", std::string(), child);
        samples.bareThreadMemory.push_back(PrivateBytes(child));
        ::PostMessageA(child.window, WM_CLOSE, 0, 0);
        Finish(child);

        ForgetSettings();  // a first run: blocking on, the dialog shown
        const double shown = StartUp(hushbar, folder, child);
        samples.startUp.push_back(shown);
        // The commands below and the memory are measured once the first apply is over.
        samples.startUpReady.push_back(shown + UntilReady(child, Now()));
        samples.memory.push_back(PrivateBytes(child));
        if (entries > 0) {
            samples.offShown.push_back(Timed(child.window, WM_COMMAND, IDC_SWITCH));
            samples.regAdd.push_back(RunToEnd(regAdd));
            samples.regDelete.push_back(RunToEnd(regDelete));
            samples.regAddAll.push_back(RunToEnd(regAddAll));
            samples.regDeleteAll.push_back(RunToEnd(regDeleteAll));
            samples.onShown.push_back(Timed(child.window, WM_COMMAND, IDC_SWITCH));
            samples.okAgain.push_back(Timed(child.window, WM_COMMAND, IDOK));  // nothing changed; hides
            samples.hiddenMemory.push_back(PrivateBytes(child));
            samples.offHidden.push_back(Timed(child.window, WM_HOTKEY, 0));
            samples.onHidden.push_back(Timed(child.window, WM_HOTKEY, 0));

            // A session that ends without Exit (a log-off) leaves the policy in force: the
            // next start finds every key ours and as wanted.
            ::TerminateProcess(child.info.hProcess, 0);
            Finish(child);
            samples.startUpInForce.push_back(StartUp(hushbar, folder, child));
            UntilReady(child, Now());
        }
        ::PostMessageA(child.window, WM_COMMAND, ID_APP_EXIT, 0);
        Finish(child);
        std::fprintf(stderr, "round %d of %d done\n", round + 1, repetitions);
    }

    const std::string size = entries > 0 ? std::to_string(entries) : "shipped list";
    // Start-up is the time to the visible window answering its messages; the first apply
    // goes on behind it, and the next row says when it is over.
    Row(size, entries > 0 ? "start-up, nothing in force" : "start-up", samples.startUp, "bare dialog + tray", samples.bare,
        entries > 0 ? "<= 1.5x" : "<= 1.2x");
    Row(size, "start-up, until the policy is in force", samples.startUpReady, "bare dialog + tray", samples.bare, "");
    MemoryRow(size, "private memory, dialog shown", samples.memory, samples.bareMemory, "<= 1.5x");
    // Like for like: the first apply's thread is part of the window-first start-up, and Wine
    // charges a process's first extra thread about 1.2 MB however little it does.
    MemoryRow(size, "private memory, dialog shown (like for like)", samples.memory, samples.bareThreadMemory, "",
              "bare + one thread");
    if (entries == 0) return 0;
    Row(size, "start-up, policy still in force", samples.startUpInForce, "bare dialog + tray", samples.bare, "");
    MemoryRow(size, "private memory, hidden in the tray", samples.hiddenMemory, samples.bareMemory, "");
    Row(size, "Switch ON, dialog shown", samples.onShown, "reg import add", samples.regAdd, "<= 1.0x");
    Row(size, "Switch OFF, dialog shown", samples.offShown, "reg import delete", samples.regDelete, "<= 1.0x");
    Row(size, "OK again, nothing changed", samples.okAgain, "reg import add", samples.regAdd, "<= 0.1x");
    Row(size, "Switch ON, hidden", samples.onHidden, "reg import add", samples.regAdd, "<= 1.0x");
    Row(size, "Switch OFF, hidden", samples.offHidden, "reg import delete", samples.regDelete, "<= 1.0x");
    // Like for like: the baseline writing the per-user add-on keys too.
    // The floor: each key takes four registry calls (create, flag, ownership record, close)
    // against reg import's three, so about 1.33x is as low as this row can go.
    Row(size, "Switch ON, dialog shown (floor ~1.33x)", samples.onShown, "reg import add, all 3 keys", samples.regAddAll,
        "<= 1.4x");
    Row(size, "Switch OFF, dialog shown", samples.offShown, "reg import delete, all 3 keys", samples.regDeleteAll, "");
    return 0;
}
