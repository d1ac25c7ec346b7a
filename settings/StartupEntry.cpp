#include "settings/StartupEntry.h"

#include "settings/RegKey.h"

#include <string>

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

bool SetStartupEntry(const char* valueName) {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    // Unquoted, "C:\Program Files\Hushbar\hushbar.exe" would first run C:\Program.exe.
    const std::string command = std::string("\"") + path + "\"";

    RegKey run;  // opened, never created: a system without the key gets no entry
    return run.Open(HKEY_CURRENT_USER, kRunKey, RegKey::kWriteAccess) == ERROR_SUCCESS &&
           run.WriteString(valueName, command.c_str()) == ERROR_SUCCESS;
}

bool RemoveStartupEntry(const char* valueName) {
    RegKey run;
    return run.Open(HKEY_CURRENT_USER, kRunKey, RegKey::kWriteAccess) == ERROR_SUCCESS &&
           ::RegDeleteValueA(run.Handle(), valueName) == ERROR_SUCCESS;
}
