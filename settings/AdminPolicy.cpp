#include "settings/AdminPolicy.h"

#include "settings/RegKey.h"

#include <cstring>
#include <vector>

namespace {

constexpr Category kCategories[] = {Category::Pictures, Category::Videos, Category::Animations, Category::Sounds,
                                    Category::Java};

const AdminPolicyValue& Value(const char* key, const char* name) {
    for (const AdminPolicyValue& value : kAdminPolicyValues)
        if (value.key == key && std::strcmp(value.name, name) == 0) return value;
    return kAdminPolicyValues[0];  // unreachable: every name read here is in the table
}

// A number within the table's bound, or nothing.
std::optional<std::uint32_t> ReadNumber(const RegKey& key, const AdminPolicyValue& value) {
    DWORD number = 0;
    if (key.QueryDword(value.name, number) != ERROR_SUCCESS || number > value.maximum) return std::nullopt;
    return number;
}

// The first root that sets a value wins: the machine's is read before the user's.
template <typename T>
void TakeFirst(std::optional<T>& field, const std::optional<std::uint32_t>& read) {
    if (!field && read) field = static_cast<T>(*read);
}

bool EqualsIgnoringCase(const char* a, const char* b) { return ::lstrcmpiA(a, b) == 0; }

// "yes" or "no" exactly, as the settings' selection key stores them; anything else is not a
// choice.
std::optional<bool> ReadYesNo(DWORD type, const char* data, DWORD size) {
    if (type != REG_SZ || size == 0 || data[size - 1] != '\0') return std::nullopt;
    if (std::strcmp(data, "yes") == 0) return true;
    if (std::strcmp(data, "no") == 0) return false;
    return std::nullopt;
}

void ReadSelection(HKEY root, ForcedSelection& forced) {
    RegKey key;
    if (key.Open(root, kAdminSelectionKey, KEY_READ | KEY_WOW64_64KEY) != ERROR_SUCCESS) return;
    const AdminPolicyValue& scripting = Value(kAdminSelectionKey, "Scripting");
    if (!forced.scripting) forced.scripting = ReadNumber(key, scripting);

    // Registry value names are at most 16,383 characters; a longer name or a longer "yes"
    // cannot be a choice and is skipped.
    std::vector<char> name(16384);
    char data[8];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = sizeof data;
        const LONG status = ::RegEnumValueA(key.Handle(), index, name.data(), &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &size);
        if (status == ERROR_MORE_DATA) continue;  // too long to be "yes" or "no"
        if (status != ERROR_SUCCESS) break;         // the end, or a key that went away
        const std::optional<bool> choice = ReadYesNo(type, data, size);
        if (!choice || EqualsIgnoringCase(name.data(), scripting.name)) continue;
        bool isCategory = false;
        for (Category category : kCategories) {
            if (!EqualsIgnoringCase(name.data(), CategoryValueName(category))) continue;
            isCategory = true;
            bool taken = false;
            for (const auto& fixed : forced.categories) taken = taken || fixed.first == category;
            if (!taken) forced.categories.emplace_back(category, *choice);
        }
        // Any other name is matched against the block list's class ids when the selection
        // takes it: a name no entry carries fixes nothing, and of two entries of one name
        // the first (the machine's) wins.
        if (!isCategory) forced.entries.emplace_back(name.data(), *choice);
    }
}

void ReadRoot(HKEY root, AdminPolicy& policy) {
    ReadSelection(root, policy.selection);
    RegKey key;
    if (key.Open(root, kAdminPolicyKey, KEY_READ | KEY_WOW64_64KEY) != ERROR_SUCCESS) return;
    TakeFirst(policy.blocking, ReadNumber(key, Value(kAdminPolicyKey, "Blocking")));
    TakeFirst(policy.allowUpdate, ReadNumber(key, Value(kAdminPolicyKey, "AllowUpdate")));
    TakeFirst(policy.startWithWindows, ReadNumber(key, Value(kAdminPolicyKey, "StartWithWindows")));
    if (policy.updateUrl.empty()) {
        char url[kMaxUpdateUrlLength + 1] = "";
        DWORD size = sizeof url;
        if (key.QueryString(Value(kAdminPolicyKey, "UpdateUrl").name, url, size) == ERROR_SUCCESS)
            policy.updateUrl = UsableUpdateUrl(url);
    }
}

}  // namespace

std::string UsableUpdateUrl(const std::string& url) {
    std::size_t schemeLength = 0;
    for (const char* scheme : {"http://", "https://"}) {
        const std::size_t length = std::strlen(scheme);
        if (url.size() > length && ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, url.c_str(),
                                                    static_cast<int>(length), scheme,
                                                    static_cast<int>(length)) == CSTR_EQUAL)
            schemeLength = length;
    }
    if (schemeLength == 0 || url.size() > kMaxUpdateUrlLength || url[schemeLength] == '/') return std::string();
    for (char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) return std::string();
    return url.back() == '/' ? url : url + '/';
}

AdminPolicy ReadAdminPolicy() {
    AdminPolicy policy;
    ReadRoot(HKEY_LOCAL_MACHINE, policy);
    ReadRoot(HKEY_CURRENT_USER, policy);
    return policy;
}

void ApplyAdminPolicy(const AdminPolicy& policy, Settings& settings) {
    if (policy.blocking) settings.switchedOff = *policy.blocking ? 0 : 1;
    if (policy.startWithWindows) settings.startWithWindows = *policy.startWithWindows ? 1 : 0;
}

bool operator==(const AdminPolicy& a, const AdminPolicy& b) {
    return a.blocking == b.blocking && a.allowUpdate == b.allowUpdate && a.updateUrl == b.updateUrl &&
           a.startWithWindows == b.startWithWindows && a.selection.scripting == b.selection.scripting &&
           a.selection.categories == b.selection.categories && a.selection.entries == b.selection.entries;
}
