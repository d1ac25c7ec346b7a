#include "update/UpdateVerifier.h"

#include "update/UpdatePublicKey.h"
#include "win/UniqueHandle.h"
#include "win/Win32.h"

#include <wincrypt.h>

#include <algorithm>

namespace {

struct CryptProviderTraits {
    using Type = HCRYPTPROV;
    static Type Invalid() noexcept { return 0; }
    static void Close(Type h) noexcept { ::CryptReleaseContext(h, 0); }
};
struct CryptKeyTraits {
    using Type = HCRYPTKEY;
    static Type Invalid() noexcept { return 0; }
    static void Close(Type h) noexcept { ::CryptDestroyKey(h); }
};
struct CryptHashTraits {
    using Type = HCRYPTHASH;
    static Type Invalid() noexcept { return 0; }
    static void Close(Type h) noexcept { ::CryptDestroyHash(h); }
};
using UniqueCryptProvider = UniqueHandle<CryptProviderTraits>;
using UniqueCryptKey = UniqueHandle<CryptKeyTraits>;
using UniqueCryptHash = UniqueHandle<CryptHashTraits>;

constexpr DWORD kRsaPublicMagic = 0x31415352;  // "RSA1"
constexpr DWORD kFileBlock = 64 * 1024;

// The AES provider is the one that knows SHA-256; a verify-only context needs no key
// container.
UniqueCryptProvider OpenProvider() {
    HCRYPTPROV provider = 0;
    if (!::CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return {};
    return UniqueCryptProvider(provider);
}

UniqueCryptHash NewSha256(HCRYPTPROV provider) {
    HCRYPTHASH hash = 0;
    if (!::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) return {};
    return UniqueCryptHash(hash);
}

bool HashData(HCRYPTHASH hash, const void* data, std::size_t size) {
    return ::CryptHashData(hash, static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0) != FALSE;
}

std::optional<Sha256Digest> HashValue(HCRYPTHASH hash) {
    Sha256Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (!::CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0) || size != digest.size()) return std::nullopt;
    return digest;
}

// CryptoAPI takes the key's numbers, and the signature, least significant byte first.
UniqueCryptKey ImportKey(HCRYPTPROV provider, const RsaPublicKey& key) {
    std::optional<std::vector<std::uint8_t>> modulus = ParseHexBytes(key.modulusHex);
    if (!modulus) return {};
    // openssl prints a leading zero byte when the top bit is set.
    auto first = std::find_if(modulus->begin(), modulus->end(), [](std::uint8_t b) { return b != 0; });
    modulus->erase(modulus->begin(), first);
    if (modulus->size() < 256 || modulus->size() > 2048 || key.exponent == 0 || key.exponent > 0xFFFFFFFFul)
        return {};

    std::vector<std::uint8_t> blob(sizeof(BLOBHEADER) + sizeof(RSAPUBKEY) + modulus->size());
    BLOBHEADER header{};
    header.bType = PUBLICKEYBLOB;
    header.bVersion = CUR_BLOB_VERSION;
    header.aiKeyAlg = CALG_RSA_SIGN;
    RSAPUBKEY rsa{};
    rsa.magic = kRsaPublicMagic;
    rsa.bitlen = static_cast<DWORD>(modulus->size() * 8);
    rsa.pubexp = static_cast<DWORD>(key.exponent);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof header, blob.begin());
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&rsa), sizeof rsa, blob.begin() + sizeof header);
    std::reverse_copy(modulus->begin(), modulus->end(), blob.begin() + sizeof header + sizeof rsa);

    HCRYPTKEY imported = 0;
    if (!::CryptImportKey(provider, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &imported)) return {};
    return UniqueCryptKey(imported);
}

std::size_t ModulusBytes(const RsaPublicKey& key) {
    std::size_t digits = key.modulusHex.find_first_not_of('0');
    if (digits == std::string::npos) return 0;
    return (key.modulusHex.size() - digits + 1) / 2;
}

}  // namespace

RsaPublicKey BuiltInUpdateKey() {
    return RsaPublicKey{update_key::kModulusHex, update_key::kExponent};
}

bool VerifySignature(const std::string& data, const std::vector<std::uint8_t>& signature, const RsaPublicKey& key) {
    // A signature is exactly as long as the modulus; anything else is not one of ours.
    if (signature.empty() || signature.size() != ModulusBytes(key)) return false;
    UniqueCryptProvider provider = OpenProvider();
    if (!provider) return false;
    UniqueCryptKey publicKey = ImportKey(provider.Get(), key);
    if (!publicKey) return false;
    UniqueCryptHash hash = NewSha256(provider.Get());
    if (!hash || !HashData(hash.Get(), data.data(), data.size())) return false;
    std::vector<std::uint8_t> reversed(signature.rbegin(), signature.rend());
    return ::CryptVerifySignatureA(hash.Get(), reversed.data(), static_cast<DWORD>(reversed.size()),
                                   publicKey.Get(), nullptr, 0) != FALSE;
}

std::optional<Sha256Digest> Sha256Of(const std::string& data) {
    UniqueCryptProvider provider = OpenProvider();
    if (!provider) return std::nullopt;
    UniqueCryptHash hash = NewSha256(provider.Get());
    if (!hash || !HashData(hash.Get(), data.data(), data.size())) return std::nullopt;
    return HashValue(hash.Get());
}

std::optional<FileDigest> DigestOfFile(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    UniqueCryptProvider provider = OpenProvider();
    if (!provider) return std::nullopt;
    UniqueCryptHash hash = NewSha256(provider.Get());
    if (!hash) return std::nullopt;
    FileDigest digest;
    std::vector<char> buffer(kFileBlock);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer.data(), kFileBlock, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        if (!HashData(hash.Get(), buffer.data(), got)) return std::nullopt;
        digest.size += got;
    }
    std::optional<Sha256Digest> value = HashValue(hash.Get());
    if (!value) return std::nullopt;
    digest.sha256 = *value;
    return digest;
}
