// One block-list line: splitting, trimming, the enabled flag and the class-id rules.
#include "blocklist/BlockListLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    BlockRecord record;
    const BlockLineKind kind = ParseBlockListLine(line, record);
    if (kind == BlockLineKind::Record && !IsUsableClassIdText(record.classId)) std::abort();
    if (kind != BlockLineKind::Record && (!record.name.empty() || !record.classId.empty())) std::abort();
    std::vector<std::string> fields;
    std::string error;
    if (!SplitBlockListFields(line, fields, &error) && !fields.empty()) std::abort();
    BlockItemLabel(record.name, record.comment);
    return 0;
}
