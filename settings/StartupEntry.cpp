#include "settings/StartupEntry.h"

#include "win/Win32.h"

#include <string>

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

bool SetStartupEntry(const char* valueName) {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    // Unquoted, "C:\Program Files\Hushbar\hushbar.exe" would first run C:\Program.exe.
    std::string command = std::string("\"") + path + "\"";

    HKEY hkey = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kRunKey, &hkey) != ERROR_SUCCESS) return false;
    LONG status = ::RegSetValueExA(hkey, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                   static_cast<DWORD>(command.size() + 1));
    ::RegCloseKey(hkey);
    return status == ERROR_SUCCESS;
}

bool RemoveStartupEntry(const char* valueName) {
    HKEY hkey = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kRunKey, &hkey) != ERROR_SUCCESS) return false;
    LONG status = ::RegDeleteValueA(hkey, valueName);
    ::RegCloseKey(hkey);
    return status == ERROR_SUCCESS;
}
