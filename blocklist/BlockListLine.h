#pragma once
// One line of the block-list file turned into fields. Plain text in, plain values out:
// nothing here needs a window, so the rules can be tested (and fuzzed) on their own.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The text fields of one record, before it becomes a BlockItem with a tree node.
struct BlockRecord {
    bool enabled = false;
    std::string name;
    std::string classId;
    std::string comment;
};

enum class BlockLineKind {
    Blank,    // nothing but spaces: skipped
    Record,   // a record was read
    Invalid,  // a bad escape sequence, or a class id that cannot name a registry key:
              // the line is skipped
};

// The longest class id a record may carry (a registry key name may have 255 characters;
// the braces around it take two).
constexpr std::size_t kMaxClassIdLength = 250;
// No NUL, no backslash, at most kMaxClassIdLength characters.
bool IsUsableClassIdText(const std::string& classId);

// Removes leading and trailing space characters (0x20 only; tabs and other white space
// stay).
std::string TrimSpaces(const std::string& text);

// Splits a line at commas, honouring double quotes and backslash escapes (\n, \", \, and
// \\). Fields are returned untrimmed. Returns false, with `fields` emptied, when the line
// holds an unknown escape or ends in a backslash; `error` then says which.
bool SplitBlockListFields(const std::string& line, std::vector<std::string>& fields,
                          std::string* error = nullptr);

// True exactly when the field's leading decimal integer is 1: white space skipped, an
// optional sign, digits up to the first non-digit, no digits meaning 0.
bool LeadingIntegerIsOne(const std::string& field);

// Trims the line, splits it, trims each field and assigns them by position: enabled, name,
// class identifier, comment; later fields are ignored and missing ones stay empty. A class
// id that IsUsableClassIdText turns down makes the line Invalid, with `record` empty.
BlockLineKind ParseBlockListLine(const std::string& line, BlockRecord& record);

// Calls `visit` with each line of a block-list file's content after its header line, the
// line ending (LF, or CR LF; a CR that ends the content too) removed. Stops at once when
// `visit` returns false.
void ForEachBlockListLine(const std::string& content, const std::function<bool(const std::string&)>& visit);

// A block item's label in the tree: its name, followed by the trimmed comment in
// parentheses when there is one.
std::string BlockItemLabel(std::string_view name, std::string_view comment);
