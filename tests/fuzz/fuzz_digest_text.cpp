// What the signature file and the descriptor's size and hash attributes are read from.
#include "update/DigestText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::optional<std::vector<std::uint8_t>> bytes = DecodeBase64Text(text);
    // Three bytes for every four digits at most.
    if (bytes && bytes->size() > size) std::abort();
    ParseSha256Hex(text);
    ParseByteCount(text);
    ParseHexBytes(text);
    return 0;
}
