#include "update/DigestText.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeBase64Text(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int bitCount = 0;
    std::size_t digits = 0;
    std::size_t padding = 0;
    for (char c : text) {
        if (IsBlank(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        // A digit after padding means the padding was not at the end.
        if (padding > 0) return std::nullopt;
        int value = Base64Value(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        bitCount += 6;
        ++digits;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> bitCount));
            bits &= (1u << bitCount) - 1;
        }
    }
    // A group of four digits carries three bytes; one digit alone carries none.
    if (digits % 4 == 1) return std::nullopt;
    if (padding > 2 || (padding > 0 && (digits + padding) % 4 != 0)) return std::nullopt;
    // Bits left over must be zero, or two texts would decode to the same bytes.
    if (bits != 0) return std::nullopt;
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(const std::string& text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = HexValue(text[i]);
        int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

std::optional<Sha256Digest> ParseSha256Hex(const std::string& text) {
    if (text.size() != 64) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes = ParseHexBytes(text);
    if (!bytes) return std::nullopt;
    Sha256Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = (*bytes)[i];
    return digest;
}

std::optional<std::uint32_t> ParseByteCount(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}
