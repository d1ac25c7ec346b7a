#pragma once
// Reading what the program left in the registry, for end-to-end checks.
#include "win/Win32.h"

#include <string>

namespace probe {

constexpr char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr char kZone3[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
constexpr char kKillBits[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
constexpr char kProduct[] = "Software\\Corvane\\Hushbar";
constexpr char kSelection[] = "Software\\Corvane\\Hushbar\\SWITCH";

// "<missing>" when the value cannot be read as a string.
std::string String(HKEY root, const char* path, const char* name);
// -1 when the value cannot be read as a DWORD. `view` names a registry view (0: the native one).
long long Dword(HKEY root, const std::string& path, const char* name, REGSAM view = 0);
bool Exists(HKEY root, const std::string& path, REGSAM view = 0);
void WriteString(HKEY root, const char* path, const char* name, const char* text);
void WriteDword(HKEY root, const std::string& path, const char* name, DWORD value, REGSAM view = 0);
// The kill-bit flags of a class id in one registry view (KEY_WOW64_64KEY or _32KEY); -1 when absent.
long long KillBit(const std::string& classId, REGSAM view);

}  // namespace probe
