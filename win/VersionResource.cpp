#include "win/VersionResource.h"

#include <vector>

std::string ModuleVersion(HMODULE module) {
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16) /* RT_VERSION */);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return std::string();
    // VerQueryValue may write into the block it reads, so it gets a copy of the resource.
    const auto* bytes = static_cast<const BYTE*>(data);
    std::vector<BYTE> copy(bytes, bytes + ::SizeofResource(module, found));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    char root[] = "\\";
    if (!::VerQueryValueA(copy.data(), root, reinterpret_cast<void**>(&fixed), &size) || size < sizeof *fixed ||
        fixed->dwSignature != 0xFEEF04BD)
        return std::string();
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS));
}
