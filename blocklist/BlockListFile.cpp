#include "blocklist/BlockListFile.h"

#include "blocklist/BlockListLine.h"
#include "win/UniqueHandle.h"

#include <algorithm>

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
    // A record to a line: room for every line at once, rather than the half again of a
    // growing list that a long one would keep for good.
    list.reserve(static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1);

    ForEachBlockListLine(content, [&list](const std::string& line) {
        BlockRecord record;
        if (ParseBlockListLine(line, record) != BlockLineKind::Record) return true;
        list.emplace_back(record.enabled, record.name, record.classId, record.comment);
        return true;
    });
}
