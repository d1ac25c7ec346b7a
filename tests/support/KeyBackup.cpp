#include "tests/support/KeyBackup.h"

#include "settings/RegKey.h"

namespace {
constexpr char kBackupRoot[] = "Software\\HushbarTestBackup";

LONG DeleteTree(HKEY root, const std::string& path, REGSAM view) {
    const std::size_t cut = path.rfind('\\');
    RegKey parent;
    LONG status = parent.Open(root, path.substr(0, cut).c_str(), KEY_ALL_ACCESS | view);
    return status ? status : ::RegDeleteTreeA(parent.Handle(), path.substr(cut + 1).c_str());
}

bool CopyTree(HKEY fromRoot, const std::string& from, REGSAM fromView, HKEY toRoot, const std::string& to,
              REGSAM toView) {
    RegKey source;
    RegKey target;
    return source.Open(fromRoot, from.c_str(), KEY_READ | fromView) == ERROR_SUCCESS &&
           target.Create(toRoot, to.c_str(), toView) == ERROR_SUCCESS &&
           ::RegCopyTreeA(source.Handle(), nullptr, target.Handle()) == ERROR_SUCCESS;
}
}  // namespace

std::optional<DWORD> ReadDword(HKEY root, const std::string& path, const char* name, REGSAM view) {
    RegKey key;
    DWORD value = 0;
    if (key.Open(root, path.c_str(), KEY_READ | view) || key.QueryDword(name, value)) return std::nullopt;
    return value;
}

std::optional<std::string> ReadString(HKEY root, const std::string& path, const char* name, REGSAM view) {
    RegKey key;
    std::string value;
    if (key.Open(root, path.c_str(), KEY_READ | view) || key.QueryString(name, value)) return std::nullopt;
    return value;
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
    RegKey key;
    return key.Open(root, path.c_str(), KEY_READ | view) == ERROR_SUCCESS;
}

void Put(HKEY root, const std::string& path, const char* name, DWORD value, REGSAM view) {
    RegKey key;
    if (key.Create(root, path.c_str(), view) == ERROR_SUCCESS) key.WriteDword(name, value);
}

void Put(HKEY root, const std::string& path, const char* name, const char* text, REGSAM view) {
    RegKey key;
    if (key.Create(root, path.c_str(), view) == ERROR_SUCCESS) key.WriteString(name, text);
}

KeyBackup::KeyBackup(HKEY root, std::string path, REGSAM view)
    : root_(root), path_(std::move(path)), view_(view), existed_(KeyExists(root_, path_, view_)) {
    static int count = 0;
    backup_ = std::string(kBackupRoot) + "\\" + std::to_string(++count);
    saved_ = !existed_ || CopyTree(root_, path_, view_, HKEY_CURRENT_USER, backup_, 0);
}

KeyBackup::~KeyBackup() {
    if (!saved_) return;  // nothing to go back to: leave the key rather than lose it
    DeleteTree(root_, path_, view_);
    if (existed_ && CopyTree(HKEY_CURRENT_USER, backup_, 0, root_, path_, view_))
        DeleteTree(HKEY_CURRENT_USER, backup_, 0);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kBackupRoot);  // once the last backup is gone
}

bool KeyBackup::Remove() {
    return DeleteTree(root_, path_, view_) == ERROR_SUCCESS;
}

UserKeysBackup::UserKeysBackup()
    : product_(HKEY_CURRENT_USER, "Software\\Corvane"),
      run_(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
      main_(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main"),
      zone_(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3"),
      addons_(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings"),
      killBits64_(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility",
                  KEY_WOW64_64KEY),
      killBits32_(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility",
                  KEY_WOW64_32KEY) {}

bool UserKeysBackup::Saved() const noexcept {
    return product_.Saved() && run_.Saved() && main_.Saved() && zone_.Saved() && addons_.Saved() &&
           killBits64_.Saved() && killBits32_.Saved();
}
