#pragma once
// Holder of one open registry key. Every operation answers with a Win32 error code
// (0 = success); on failure an out value is left unchanged.
#include "win/UniqueHandle.h"
#include "win/Win32.h"
#include <string>

class RegKey {
public:
    static constexpr REGSAM kReadAccess = KEY_READ;              // 0x20019
    static constexpr REGSAM kWriteAccess = KEY_WRITE;            // 0x20006
    static constexpr REGSAM kReadWriteAccess = KEY_READ | KEY_WRITE;  // 0x2001F

    RegKey() = default;
    RegKey(RegKey&&) noexcept = default;
    RegKey& operator=(RegKey&&) noexcept = default;

    HKEY Handle() const noexcept { return hkey_.Get(); }
    bool IsOpen() const noexcept { return hkey_.IsValid(); }

    // Opens the key, creating it and missing parents. `extraAccess` adds view flags such
    // as KEY_WOW64_32KEY. `disposition`, when given, receives REG_CREATED_NEW_KEY or
    // REG_OPENED_EXISTING_KEY.
    LONG Create(HKEY root, const char* path, REGSAM extraAccess = 0, DWORD* disposition = nullptr);
    // Opens an existing key; never creates.
    LONG Open(HKEY root, const char* path, REGSAM access);
    void Close() noexcept { hkey_.Reset(); }

    // Fails with ERROR_INVALID_DATA when the stored type is not REG_DWORD.
    LONG QueryDword(const char* name, DWORD& value) const;
    // `size` goes in as the buffer's capacity and comes back as the bytes stored,
    // terminator included. Fails with ERROR_INVALID_DATA for a type other than REG_SZ or
    // REG_EXPAND_SZ, or data not ending in a zero byte.
    LONG QueryString(const char* name, char* buffer, DWORD& size) const;
    // Convenience over QueryString with the 255-byte buffer the settings use.
    LONG QueryString(const char* name, std::string& value) const;

    // True when a value of that name is stored, whatever its type.
    bool HasValue(const char* name) const;
    // How many values and subkeys the key holds.
    LONG CountContents(DWORD& values, DWORD& subkeys) const;

    LONG WriteString(const char* name, const char* text) const;
    LONG WriteDword(const char* name, DWORD value) const;
    LONG DeleteValue(const char* name) const;
    // Deletes a subkey of this key; `extraAccess` names the registry view (0: this one).
    LONG DeleteSubkey(const char* name, REGSAM extraAccess = 0) const;

private:
    UniqueRegKey hkey_;
};
