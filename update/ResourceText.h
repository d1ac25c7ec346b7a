#pragma once
// Texts of the string table with their inserts filled by the system's message formatter:
// %1 and %2 take the first and second insert, "%%" gives one percent sign and "% " one
// blank.
#include "win/Win32.h"
#include <string>
#include <vector>

// Formats a text with the message formatter's insert rules. Inserts the text names but
// the caller did not give are empty.
std::string FormatInserts(const std::string& text, const std::vector<std::string>& inserts);

std::string FormatResourceText(UINT id, const std::vector<std::string>& inserts);

template <class... Inserts>
std::string FormatResourceText(UINT id, const Inserts&... inserts) {
    return FormatResourceText(id, std::vector<std::string>{std::string(inserts)...});
}
