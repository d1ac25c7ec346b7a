#include "settings/StartupEntry.h"

#include "settings/RegKey.h"

#include <string>

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// This executable's path between double quotes; empty when it cannot be read.
std::string StartupCommand() {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    // Unquoted, "C:\Program Files\Hushbar\hushbar.exe" would first run C:\Program.exe.
    return std::string("\"") + path + "\"";
}

}  // namespace

bool SetStartupEntry(const char* valueName) {
    const std::string command = StartupCommand();
    if (command.empty()) return false;

    RegKey run;  // opened, never created: a system without the key gets no entry
    return run.Open(HKEY_CURRENT_USER, kRunKey, RegKey::kWriteAccess) == ERROR_SUCCESS &&
           run.WriteString(valueName, command.c_str()) == ERROR_SUCCESS;
}

bool RemoveStartupEntry(const char* valueName) {
    RegKey run;
    return run.Open(HKEY_CURRENT_USER, kRunKey, RegKey::kWriteAccess) == ERROR_SUCCESS &&
           ::RegDeleteValueA(run.Handle(), valueName) == ERROR_SUCCESS;
}

bool RemoveStartupEntryIfOurs(const char* valueName) {
    const std::string ours = StartupCommand();
    RegKey run;
    std::string stored;
    if (ours.empty() || run.Open(HKEY_CURRENT_USER, kRunKey, RegKey::kReadWriteAccess) != ERROR_SUCCESS ||
        run.QueryString(valueName, stored) != ERROR_SUCCESS)
        return false;
    // Paths ignore case; an entry written without quotes names the same program.
    const std::string bare = ours.substr(1, ours.size() - 2);
    if (::lstrcmpiA(stored.c_str(), ours.c_str()) != 0 && ::lstrcmpiA(stored.c_str(), bare.c_str()) != 0) return false;
    return ::RegDeleteValueA(run.Handle(), valueName) == ERROR_SUCCESS;
}
