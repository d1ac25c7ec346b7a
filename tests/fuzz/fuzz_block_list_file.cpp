// A whole block-list file as an update brings it: the check that decides whether it may
// be installed.
#include "update/PackageContent.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    IsUsableBlockListText(content);
    IsClassIdForm(content);
    return 0;
}
