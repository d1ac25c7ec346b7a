#pragma once
// The text forms an update is checked by: the signature file (base64, as openssl writes
// it), the package's SHA-256 (64 hex digits, either case) and its size (decimal bytes).
// Plain text work, no Windows here: these read what a server sends and are fuzzed.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Sha256Digest = std::array<std::uint8_t, 32>;

// Base64 with line breaks and blanks anywhere between the characters, padding optional
// only at the very end. Nothing for any other character or a misplaced '='.
std::optional<std::vector<std::uint8_t>> DecodeBase64Text(const std::string& text);

// Exactly 64 hex digits.
std::optional<Sha256Digest> ParseSha256Hex(const std::string& text);

// Decimal digits only (no sign, no blanks), at most 4294967295.
std::optional<std::uint32_t> ParseByteCount(const std::string& text);

// Hex digits in pairs, most significant first; nothing for an odd count or a non-digit.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(const std::string& text);
