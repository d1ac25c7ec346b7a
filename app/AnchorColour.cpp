#include "app/AnchorColour.h"

namespace {

// The low 8 bits of the number atoi would read. Computed modulo 256 as the digits come,
// so a text with more digits than an int holds still has a defined answer (atoi's would
// not be) and every number atoi can read gets the same bits.
std::uint32_t LowByteOfNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = (value * 10 + static_cast<std::uint32_t>(text[i] - '0')) & 0xFF;
    return negative ? (0x100 - value) & 0xFF : value;
}

}  // namespace

std::optional<std::uint32_t> ParseAnchorColour(std::string_view text) {
    // Registry text may carry its terminator inside the buffer: stop at it.
    text = text.substr(0, text.find('\0'));
    const std::size_t firstComma = text.find(',');
    if (firstComma == std::string_view::npos) return std::nullopt;
    const std::size_t secondComma = text.find(',', firstComma + 1);
    if (secondComma == std::string_view::npos || secondComma + 1 >= text.size()) return std::nullopt;

    const std::uint32_t red = LowByteOfNumber(text.substr(0, firstComma));
    const std::uint32_t green = LowByteOfNumber(text.substr(firstComma + 1, secondComma - firstComma - 1));
    const std::uint32_t blue = LowByteOfNumber(text.substr(secondComma + 1));
    return red | (green << 8) | (blue << 16);
}
