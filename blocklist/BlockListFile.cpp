#include "blocklist/BlockListFile.h"

#include "blocklist/BlockListLine.h"
#include "win/UniqueHandle.h"

namespace {

// Reads the whole file. Binary on purpose: a text-mode read would stop at a stray Ctrl+Z
// byte and drop every record after it.
bool ReadWholeFile(const std::string& path, std::string& content) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    content.clear();
    char buffer[8192];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) return false;
        if (read == 0) return true;
        content.append(buffer, read);
    }
}

}  // namespace

void LoadBlockList(const std::string& path, BlockList& list) {
    list.clear();
    std::string content;
    if (!ReadWholeFile(path, content)) return;

    std::string::size_type start = 0;
    bool header = true;
    while (start < content.size()) {
        std::string::size_type end = content.find('\n', start);
        const std::string::size_type next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos) end = content.size();
        // A CR before the LF is part of the line ending; so is one that ends the file.
        if (end > start && content[end - 1] == '\r') --end;
        std::string line = content.substr(start, end - start);
        start = next;

        if (header) {
            header = false;
            continue;
        }
        BlockRecord record;
        if (ParseBlockListLine(line, record) != BlockLineKind::Record) continue;
        BlockItem item;
        item.enabled = record.enabled;
        item.name = std::move(record.name);
        item.classId = std::move(record.classId);
        item.comment = std::move(record.comment);
        list.push_back(std::move(item));
    }
}
