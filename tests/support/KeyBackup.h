#pragma once
// Registry access for the tests, and a backup that puts a whole key tree back as it was (or
// removes it when it did not exist), so the prefix's real keys survive the tests.
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

// Every key of the user's that the program writes: its own settings, the Run key, the
// browser's display options, its Internet zone, the per-user add-on flags and the kill bits
// in both registry views.
// Tests that run the program, in process or not, hold one for their whole length.
class UserKeysBackup {
public:
    UserKeysBackup();
    bool Saved() const noexcept;

private:
    KeyBackup product_;
    KeyBackup run_;
    KeyBackup main_;
    KeyBackup zone_;
    KeyBackup addons_;
    KeyBackup killBits64_;
    KeyBackup killBits32_;
};
