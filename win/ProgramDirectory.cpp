#include "win/ProgramDirectory.h"

#include "win/Win32.h"

std::string ProgramDirectory() {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    std::string directory(path, length);
    std::string::size_type slash = directory.find_last_of('\\');
    return slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
}
