#include "support/ReadOnlyKey.h"

#include <sddl.h>

ReadOnlyKey::ReadOnlyKey(HKEY root, const std::string& path, REGSAM view) {
    // Created when missing: Windows always has the keys this stands in for, but a fresh Wine
    // prefix has them only once something wrote below them.
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC | view, nullptr, &hkey_,
                          nullptr) != ERROR_SUCCESS) {
        hkey_ = nullptr;
        return;
    }
    DWORD size = 0;
    ::RegGetKeySecurity(hkey_, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 || ::RegGetKeySecurity(hkey_, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS)
        return;
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    // Everyone may read; nobody may write, create subkeys or delete.
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                 nullptr))
        return;
    active_ = ::RegSetKeySecurity(hkey_, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
    ::LocalFree(readOnly);
}

ReadOnlyKey::~ReadOnlyKey() {
    if (active_) ::RegSetKeySecurity(hkey_, DACL_SECURITY_INFORMATION, saved_.data());
    if (hkey_) ::RegCloseKey(hkey_);
}
