#include "blocklist/BlockListLine.h"

#include <boost/tokenizer.hpp>

std::string TrimSpaces(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const std::string::size_type last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool SplitBlockListFields(const std::string& line, std::vector<std::string>& fields, std::string* error) {
    using Separator = boost::escaped_list_separator<char>;
    using Tokenizer = boost::tokenizer<Separator>;
    fields.clear();
    // The separator throws on a bad escape while the iterator advances; a line the user
    // mistyped must not take the rest of the list with it, so the failure stays here.
    try {
        Tokenizer tokens(line, Separator('\\', ',', '"'));
        for (const std::string& field : tokens) fields.push_back(field);
    } catch (const boost::escaped_list_error& e) {
        fields.clear();
        if (error) *error = e.what();
        return false;
    }
    return true;
}

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool LeadingIntegerIsOne(const std::string& field) {
    std::string::size_type at = 0;
    while (at < field.size() && IsCSpace(field[at])) ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == '+' || field[at] == '-')) {
        negative = field[at] == '-';
        ++at;
    }
    // Compare the digits with "1" as text rather than converting them: a long run of
    // digits must not wrap around to 1.
    while (at < field.size() && field[at] == '0') ++at;
    if (negative || at >= field.size() || field[at] != '1') return false;
    ++at;
    return at >= field.size() || field[at] < '0' || field[at] > '9';
}

bool IsUsableClassIdText(const std::string& classId) {
    return classId.size() <= kMaxClassIdLength && classId.find('\0') == std::string::npos &&
           classId.find('\\') == std::string::npos;
}

BlockLineKind ParseBlockListLine(const std::string& line, BlockRecord& record) {
    record = BlockRecord();
    const std::string trimmed = TrimSpaces(line);
    if (trimmed.empty()) return BlockLineKind::Blank;

    std::vector<std::string> fields;
    if (!SplitBlockListFields(trimmed, fields)) return BlockLineKind::Invalid;

    if (fields.size() > 0) record.enabled = LeadingIntegerIsOne(TrimSpaces(fields[0]));
    if (fields.size() > 1) record.name = TrimSpaces(fields[1]);
    if (fields.size() > 2) record.classId = TrimSpaces(fields[2]);
    if (fields.size() > 3) record.comment = TrimSpaces(fields[3]);
    // The class id becomes a registry key name: a NUL would cut it, a backslash would
    // make nested keys, and the system refuses names past its limit.
    if (!IsUsableClassIdText(record.classId)) {
        record = BlockRecord();
        return BlockLineKind::Invalid;
    }
    return BlockLineKind::Record;
}

void ForEachBlockListLine(const std::string& content, const std::function<bool(const std::string&)>& visit) {
    std::string::size_type start = 0;
    bool header = true;
    while (start < content.size()) {
        std::string::size_type end = content.find('\n', start);
        const std::string::size_type next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos) end = content.size();
        // A CR before the LF is part of the line ending; so is one that ends the file.
        if (end > start && content[end - 1] == '\r') --end;
        const std::string line = content.substr(start, end - start);
        start = next;
        if (header) {
            header = false;
            continue;
        }
        if (!visit(line)) return;
    }
}

std::string BlockItemLabel(std::string_view name, std::string_view comment) {
    const std::string remark = TrimSpaces(std::string(comment));
    std::string label(name);
    if (!remark.empty()) label += " (" + remark + ")";
    return label;
}
