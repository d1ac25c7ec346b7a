// The browser's link colour text.
#include "app/AnchorColour.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<std::uint32_t> colour = ParseAnchorColour(std::string_view(reinterpret_cast<const char*>(data), size));
    if (colour && *colour > 0xFFFFFFu) std::abort();
    return 0;
}
