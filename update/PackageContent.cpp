#include "update/PackageContent.h"

#include "blocklist/BlockListLine.h"

#include <cctype>

bool IsClassIdForm(const std::string& classId) {
    std::string id = classId;
    if (id.size() == 38 && id.front() == '{' && id.back() == '}') id = id.substr(1, 36);
    if (id.size() != 36) return false;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? id[i] != '-' : !std::isxdigit(static_cast<unsigned char>(id[i]))) return false;
    }
    return true;
}

bool IsUsableBlockListText(const std::string& content) {
    if (content.find('\0') != std::string::npos) return false;
    std::size_t records = 0;
    std::string::size_type start = 0;
    bool header = true;
    while (start < content.size()) {
        std::string::size_type end = content.find('\n', start);
        const std::string::size_type next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos) end = content.size();
        if (end > start && content[end - 1] == '\r') --end;
        const std::string line = content.substr(start, end - start);
        start = next;
        if (header) {
            header = false;
            continue;
        }
        BlockRecord record;
        switch (ParseBlockListLine(line, record)) {
        case BlockLineKind::Blank:
            continue;
        case BlockLineKind::Invalid:
            return false;
        case BlockLineKind::Record:
            if (!IsClassIdForm(record.classId)) return false;
            ++records;
            break;
        }
    }
    return records > 0;
}
