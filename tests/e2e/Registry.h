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
// -1 when the value cannot be read as a DWORD.
long long Dword(HKEY root, const char* path, const char* name);
void WriteString(HKEY root, const char* path, const char* name, const char* text);
void WriteDword(HKEY root, const char* path, const char* name, DWORD value);
// The kill-bit flags of a class id in one registry view (KEY_WOW64_64KEY or _32KEY); -1 when absent.
long long KillBit(const std::string& classId, REGSAM view);

}  // namespace probe
