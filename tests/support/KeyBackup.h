#pragma once
// Registry access for the engine's tests, and a backup that puts a whole key tree back as it
// was (or removes it when it did not exist), so the prefix's real browser keys survive.
#include "win/Win32.h"

#include <optional>
#include <string>

std::optional<DWORD> ReadDword(HKEY root, const std::string& path, const char* name, REGSAM view = 0);
std::optional<std::string> ReadString(HKEY root, const std::string& path, const char* name, REGSAM view = 0);
bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0);
void Put(HKEY root, const std::string& path, const char* name, DWORD value, REGSAM view = 0);
void Put(HKEY root, const std::string& path, const char* name, const char* text, REGSAM view = 0);

class KeyBackup {
public:
    KeyBackup(HKEY root, std::string path, REGSAM view = 0);
    ~KeyBackup();
    KeyBackup(const KeyBackup&) = delete;
    KeyBackup& operator=(const KeyBackup&) = delete;

    // False when an existing key could not be saved; it is then left alone at the end.
    bool Saved() const noexcept { return saved_; }
    // Deletes the key now, for tests of a missing key; it comes back at the end.
    bool Remove();

private:
    HKEY root_;
    std::string path_;
    std::string backup_;
    REGSAM view_;
    bool existed_;
    bool saved_;
};
