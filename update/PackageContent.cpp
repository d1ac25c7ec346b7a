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
    bool usable = true;
    ForEachBlockListLine(content, [&](const std::string& line) {
        BlockRecord record;
        switch (ParseBlockListLine(line, record)) {
        case BlockLineKind::Blank:
            return true;
        case BlockLineKind::Invalid:
            usable = false;
            return false;
        case BlockLineKind::Record:
            break;
        }
        if (!IsClassIdForm(record.classId)) {
            usable = false;
            return false;
        }
        ++records;
        return true;
    });
    return usable && records > 0;
}
