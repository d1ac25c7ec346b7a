#include "win/ResourceString.h"

#include "win/ResourceInstance.h"

std::string LoadResourceString(UINT id) {
    // The longest text of the table is well below this.
    char buffer[1024];
    int length = ::LoadStringA(ResourceInstance(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}
