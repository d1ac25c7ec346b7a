#pragma once
// The browser keeps its link colours as text "red,green,blue" (for example "0,0,255");
// this turns such a text into a colour value laid out as a COLORREF.
#include <cstdint>
#include <optional>
#include <string_view>

// Red is the text before the first comma, green the text between the first and second,
// blue the rest; each is read as atoi reads a number (leading blanks, a sign, digits;
// anything else gives 0) and cut to its low 8 bits. The result is
// red + green * 256 + blue * 65536. A text lacking either comma, or with nothing after the
// second, does not parse.
std::optional<std::uint32_t> ParseAnchorColour(std::string_view text);
