#include "Registry.h"

#include <cstring>

namespace probe {

std::string String(HKEY root, const char* path, const char* name) {
    char buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return "<missing>";
    LONG status = ::RegQueryValueExA(hkey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(hkey);
    if (status != ERROR_SUCCESS || type != REG_SZ || size == 0) return "<missing>";
    return std::string(buffer, size - 1);
}

long long Dword(HKEY root, const std::string& path, const char* name, REGSAM view) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &hkey) != ERROR_SUCCESS) return -1;
    LONG status = ::RegQueryValueExA(hkey, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(hkey);
    return (status == ERROR_SUCCESS && type == REG_DWORD) ? static_cast<long long>(value) : -1;
}

void WriteString(HKEY root, const char* path, const char* name, const char* text) {
    HKEY hkey = nullptr;
    if (::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &hkey, nullptr) != ERROR_SUCCESS) return;
    ::RegSetValueExA(hkey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
    ::RegCloseKey(hkey);
}

bool Exists(HKEY root, const std::string& path, REGSAM view) {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &hkey) != ERROR_SUCCESS) return false;
    ::RegCloseKey(hkey);
    return true;
}

void WriteDword(HKEY root, const std::string& path, const char* name, DWORD value, REGSAM view) {
    HKEY hkey = nullptr;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &hkey, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(hkey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(hkey);
}

long long KillBit(const std::string& classId, REGSAM view) {
    return Dword(HKEY_LOCAL_MACHINE, std::string(kKillBits) + "\\{" + classId + "}", "Compatibility Flags", view);
}

}  // namespace probe
