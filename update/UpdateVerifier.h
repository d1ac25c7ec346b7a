#pragma once
// Checks what the update server sends against what the program trusts, through the
// system's own CryptoAPI: the descriptor's RSA signature (PKCS #1 v1.5 over SHA-256)
// with the public key the program was built with, and the SHA-256 of the package.
#include "update/DigestText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An RSA public key: the modulus as hex digits, most significant first, and the exponent.
struct RsaPublicKey {
    std::string modulusHex;
    unsigned long exponent = 0;
};

// The key compiled into this build.
RsaPublicKey BuiltInUpdateKey();

// Whether `signature` (as openssl writes it: big-endian) signs `data` under `key`.
// False for a signature of the wrong length, a malformed key, or any failure of the
// system's crypto.
bool VerifySignature(const std::string& data, const std::vector<std::uint8_t>& signature, const RsaPublicKey& key);

// The SHA-256 of a byte string; nothing when the system's crypto fails.
std::optional<Sha256Digest> Sha256Of(const std::string& data);
// The SHA-256 and size of a file, read in blocks; nothing when it cannot be read.
struct FileDigest {
    Sha256Digest sha256{};
    std::uint64_t size = 0;
};
std::optional<FileDigest> DigestOfFile(const std::string& path);
