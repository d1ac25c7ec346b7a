#include "settings/RegKey.h"

#include <cstring>
#include <vector>

LONG RegKey::Create(HKEY root, const char* path, REGSAM extraAccess, DWORD* disposition) {
    HKEY hkey = nullptr;
    LONG status = ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWriteAccess | extraAccess,
                                    nullptr, &hkey, disposition);
    if (status == ERROR_SUCCESS) hkey_.Reset(hkey);
    return status;
}

LONG RegKey::Open(HKEY root, const char* path, REGSAM access) {
    HKEY hkey = nullptr;
    LONG status = ::RegOpenKeyExA(root, path, 0, access, &hkey);
    if (status == ERROR_SUCCESS) hkey_.Reset(hkey);
    return status;
}

LONG RegKey::QueryDword(const char* name, DWORD& value) const {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    LONG status = ::RegQueryValueExA(Handle(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_DWORD || size != sizeof data) return ERROR_INVALID_DATA;
    value = data;
    return ERROR_SUCCESS;
}

LONG RegKey::QueryString(const char* name, char* buffer, DWORD& size) const {
    // Read into a scratch copy: a value of the wrong type must not touch the caller's text.
    std::vector<char> scratch(size ? size : 1);
    DWORD type = 0;
    DWORD stored = size;
    LONG status = ::RegQueryValueExA(Handle(), name, nullptr, &type, reinterpret_cast<BYTE*>(scratch.data()), &stored);
    if (status != ERROR_SUCCESS) return status;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || stored == 0 || scratch[stored - 1] != '\0')
        return ERROR_INVALID_DATA;
    std::memcpy(buffer, scratch.data(), stored);
    size = stored;
    return ERROR_SUCCESS;
}

LONG RegKey::QueryString(const char* name, std::string& value) const {
    char buffer[255];
    DWORD size = sizeof buffer;
    LONG status = QueryString(name, buffer, size);
    if (status == ERROR_SUCCESS) value.assign(buffer, size - 1);
    return status;
}

bool RegKey::HasValue(const char* name) const {
    return ::RegQueryValueExA(Handle(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG RegKey::CountContents(DWORD& values, DWORD& subkeys) const {
    DWORD valueCount = 0;
    DWORD subkeyCount = 0;
    LONG status = ::RegQueryInfoKeyA(Handle(), nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr, &valueCount,
                                     nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    values = valueCount;
    subkeys = subkeyCount;
    return ERROR_SUCCESS;
}

LONG RegKey::DeleteValue(const char* name) const {
    return ::RegDeleteValueA(Handle(), name);
}

LONG RegKey::WriteString(const char* name, const char* text) const {
    return ::RegSetValueExA(Handle(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>(std::strlen(text) + 1));
}

LONG RegKey::WriteDword(const char* name, DWORD value) const {
    return ::RegSetValueExA(Handle(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG RegKey::DeleteSubkey(const char* name, REGSAM extraAccess) const {
    if (extraAccess == 0) return ::RegDeleteKeyA(Handle(), name);
    return ::RegDeleteKeyExA(Handle(), name, extraAccess, 0);
}
