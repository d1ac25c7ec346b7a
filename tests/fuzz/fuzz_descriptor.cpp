// The update descriptor through TinyXML, as it comes from the server.
#include "update/UpdateDescriptor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exactly the bytes given, with nothing after them: the reader must not rely on
    // what lies beyond.
    const std::string xml(reinterpret_cast<const char*>(data), size);
    std::optional<UpdateDescriptor> descriptor = ParseUpdateDescriptor(xml);
    if (descriptor) CompareDescriptors(UpdateDescriptor(2.2, 1.0), *descriptor);
    return 0;
}
