#pragma once
// Whether what a package brings can be used once it is installed: checked on the
// unpacked bytes, before anything is moved into the program folder. Plain text work.
#include <string>

// A block list Hushbar can apply: text without NUL bytes, a header line, and at least
// one record, every record naming its control by a class id of the form
// XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX (hex digits; braces around it allowed).
bool IsUsableBlockListText(const std::string& content);

// The COM class id form above.
bool IsClassIdForm(const std::string& classId);
