#include "app/Commands.h"

#include "blocklist/BlockListFile.h"
#include "blocklist/SelectionModel.h"
#include "engine/BlockingEngine.h"
#include "engine/BrowserNotifier.h"
#include "engine/PolicyExport.h"
#include "engine/PolicyLayers.h"
#include "engine/PolicyTargets.h"
#include "res/ProductInfo.h"
#include "res/resource.h"
#include "settings/AdminPolicy.h"
#include "settings/RegKey.h"
#include "settings/SettingsStore.h"
#include "settings/StartupEntry.h"
#include "win/ProgramDirectory.h"
#include "win/UniqueHandle.h"
#include "win/Win32.h"

#include <string>

namespace {

constexpr char kCaption[] = "Hushbar";
constexpr char kMainDialogClass[] = "#32770";
constexpr DWORD kExitWaitMs = 10000;
constexpr DWORD kSendTimeoutMs = 10000;

// The console of the shell that started us, if any; output handles it hands down win.
class Console {
public:
    Console() {
        attached_ = ::AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
    }
    ~Console() {
        if (attached_) ::FreeConsole();
    }
    bool Write(const std::string& text, bool error) const {
        HANDLE out = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
        UniqueFile opened;
        if ((!out || out == INVALID_HANDLE_VALUE) && attached_) {
            opened.Reset(::CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
            out = opened.Get();
        }
        if (!out || out == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        return ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
    }

private:
    bool attached_ = false;
};

int Fail(const Console& console, const std::string& message, int code) {
    console.Write("hushbar: " + message + "\n", true);
    return code;
}

HWND FindRunningCopy() { return ::FindWindowA(kMainDialogClass, product::kMainTitle); }

// Asks a running copy to Exit, as its tray menu would, and waits for the process to end.
bool EndRunningCopy() {
    HWND window = FindRunningCopy();
    if (!window) return true;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    // Posted: Exit ends the message loop an answer would have to come from.
    if (!::PostMessageA(window, WM_COMMAND, ID_APP_EXIT, 0)) return false;
    if (process) return ::WaitForSingleObject(process.Get(), kExitWaitMs) == WAIT_OBJECT_0;
    for (DWORD waited = 0; waited < kExitWaitMs && ::IsWindow(window); waited += 100) ::Sleep(100);
    return !::IsWindow(window);
}

struct Stored {
    Settings settings;
    SelectionModel selection;
    AdminPolicy policy;
};

void LoadStored(Stored& stored) {
    stored.policy = ReadAdminPolicy();
    LoadStoredState(stored.settings, stored.selection, stored.policy);
}

int SwitchTo(const Console& console, bool on) {
    Stored stored;
    LoadStored(stored);
    // A switch the policy decides is not the user's to make, nor a script's on the user's behalf.
    if (stored.policy.blocking)
        return Fail(console,
                    std::string("blocking is ") + (*stored.policy.blocking ? "on" : "off") + ": " +
                        kSetByAdministrator,
                    kExitSetByPolicy);
    if (HWND window = FindRunningCopy()) {
        // The running copy switches, so its tray icon and window follow.
        if (stored.settings.switchedOff == (on ? 1 : 0)) {
            DWORD_PTR result = 0;
            if (!::SendMessageTimeoutA(window, WM_COMMAND, IDC_SWITCH, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
                return Fail(console, "the running copy of Hushbar did not answer", 1);
        }
        return 0;
    }
    stored.settings.switchedOff = on ? 0 : 1;
    EnforcePolicy(stored.settings, stored.selection, on ? PolicyMode::Blocking : PolicyMode::Withdrawn);
    SaveSettings(stored.settings, stored.selection, &stored.policy);
    NotifyBrowserWindows();
    return 0;
}

// Whether the machine-wide kill bits could be written: without administrator rights they
// are refused and the controls are blocked for this user only.
bool MachineWideWritable() {
    RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, kKillBitParentPath, RegKey::kWriteAccess) == ERROR_SUCCESS;
}

bool DeleteTree(HKEY root, const char* path) {
    const LONG result = ::RegDeleteTreeA(root, path);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return false;
    ::RegDeleteKeyA(root, path);
    return true;
}

// Whether another installed copy of Hushbar (the user's own beside one for all users, or the
// other way round) names a folder that still holds the program: the settings belong to the
// user, and stay while that copy does.
bool OtherCopyInstalled() {
    std::string self = ProgramDirectory();
    while (!self.empty() && (self.back() == '\\' || self.back() == '/')) self.pop_back();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        RegKey key;
        std::string folder;
        if (key.Open(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hushbar",
                     KEY_QUERY_VALUE | KEY_WOW64_64KEY) != ERROR_SUCCESS ||
            key.QueryString("InstallLocation", folder) != ERROR_SUCCESS)
            continue;
        while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
        if (folder.empty() || ::lstrcmpiA(folder.c_str(), self.c_str()) == 0) continue;
        if (::GetFileAttributesA((folder + "\\hushbar.exe").c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    }
    return false;
}

int Uninstall(const Console& console) {
    if (!EndRunningCopy()) return Fail(console, "the running copy of Hushbar did not exit within 10 seconds", 1);
    // The same withdraw as Exit, whatever way the last run ended.
    Stored stored;
    LoadStored(stored);
    WithdrawPolicy(stored.settings, stored.selection);
    NotifyBrowserWindows();
    RemoveStartupEntryIfOurs(kStartupValueName);
    if (OtherCopyInstalled()) return 0;
    RemoveCreatedAddonParent();  // reads Hushbar's key, so before it goes
    if (!DeleteTree(HKEY_CURRENT_USER, kProductKey)) return Fail(console, "could not remove Hushbar's settings", 1);
    return 0;
}

// Written beside the target and renamed over it: a reader never sees half a file, and a
// failed write leaves what was there.
bool WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".hushbar-tmp";
    {
        UniqueFile file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return false;
        DWORD written = 0;
        const bool ok = ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                        written == text.size() && ::FlushFileBuffers(file.Get());
        if (!ok) {
            file.Reset();
            ::DeleteFileA(temporary.c_str());
            return false;
        }
    }
    if (::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    ::DeleteFileA(temporary.c_str());
    return false;
}

int Export(const Console& console, const std::string& path) {
    Stored stored;
    LoadStored(stored);
    if (!WriteFileAtomically(path, FormatPolicyRegFile(stored.selection)))
        return Fail(console, "could not write " + path, 1);
    return 0;
}

}  // namespace

bool LoadStoredState(Settings& settings, SelectionModel& selection, const AdminPolicy& policy) {
    const bool anotherList = selection.Load(ProgramDirectory() + kBlockListFileName);
    LoadSettings(settings, selection);
    ApplyAdminPolicy(policy, settings);
    selection.Force(policy.selection);
    return anotherList;
}

int QueryBlockingStatus(const char*& line, std::string* report) {
    Stored stored;
    LoadStored(stored);
    const bool on = !stored.settings.switchedOff;
    const bool refused = on && !MachineWideWritable();
    // The same reading of what is in force as the main dialog's tree, note and tray tip.
    const PolicyVerdicts status =
        ReadPolicyVerdicts(stored.settings, stored.selection, on, PolicyReport{refused, std::nullopt});
    if (report) *report = FormatPolicyReport(status.Rows(stored.selection.Items()));
    if (!on) {
        line = "Hushbar: OFF";
        return kStatusOff;
    }
    if (SummarisePolicy(status).allowedByPolicy) {
        line = "Hushbar: ON, partial - some checked items are allowed by policy and stay unblocked";
        return kStatusPartial;
    }
    if (refused) {
        line = "Hushbar: ON, partial - machine-wide kill bits refused, blocked for this user only";
        return kStatusPartial;
    }
    line = "Hushbar: ON";
    return kStatusOn;
}

int RunCommand(const CommandLine& line) {
    Console console;
    switch (line.command) {
    case Command::Help:
        if (!console.Write(CommandLineHelp(), false))
            ::MessageBoxA(nullptr, CommandLineHelp(), kCaption, MB_OK | MB_ICONINFORMATION);
        return 0;
    case Command::Invalid:
        // No box without a console: a deployment script run with a wrong line must end, not
        // wait for a click nobody can give.
        return Fail(console, line.error, kExitBadCommandLine);
    case Command::On:
        return SwitchTo(console, true);
    case Command::Off:
        return SwitchTo(console, false);
    case Command::Status: {
        const char* text = "";
        std::string report;
        const int status = QueryBlockingStatus(text, &report);
        console.Write(std::string(text) + "\n" + report, false);
        return status;
    }
    case Command::Uninstall:
        return Uninstall(console);
    case Command::Export:
        return Export(console, line.file);
    case Command::Run:
        break;
    }
    return Fail(console, "this switch is not available in this version", kExitBadCommandLine);
}
