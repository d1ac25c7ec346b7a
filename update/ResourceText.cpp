#include "update/ResourceText.h"

#include "win/ResourceString.h"

namespace {

// The formatter reads an insert for every %n in the text, up to %99, whatever the caller
// passed; every slot it could read holds a valid (possibly empty) text.
constexpr std::size_t kInsertSlots = 99;

}  // namespace

std::string FormatInserts(const std::string& text, const std::vector<std::string>& inserts) {
    if (text.empty()) return std::string();
    DWORD_PTR slots[kInsertSlots];
    for (std::size_t i = 0; i < kInsertSlots; ++i)
        slots[i] = reinterpret_cast<DWORD_PTR>(i < inserts.size() ? inserts[i].c_str() : "");

    char* formatted = nullptr;
    DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, text.c_str(), 0,
        0, reinterpret_cast<LPSTR>(&formatted), 0, reinterpret_cast<va_list*>(slots));
    std::string result;
    if (length > 0 && formatted) result.assign(formatted, length);
    if (formatted) ::LocalFree(formatted);
    return result;
}

std::string FormatResourceText(UINT id, const std::vector<std::string>& inserts) {
    return FormatInserts(LoadResourceString(id), inserts);
}
