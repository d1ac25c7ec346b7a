// The pieces an update is checked with: the text forms of signature, hash and size, the
// system's SHA-256 and RSA verification, the descriptor's new attributes, and what makes
// a block list usable.
#include "update/DigestText.h"
#include "update/PackageContent.h"
#include "update/UpdateDescriptor.h"
#include "update/UpdateVerifier.h"

#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

TEST(UpdateCheck, Base64AsOpensslWritesIt) {
    EXPECT_EQ(Bytes("ABC"), DecodeBase64Text("QUJD").value());
    EXPECT_EQ(Bytes("AB"), DecodeBase64Text("QUI=").value());
    EXPECT_EQ(Bytes("A"), DecodeBase64Text("QQ==\n").value());
    EXPECT_EQ(Bytes("ABCABC"), DecodeBase64Text("QUJD\r\nQUJD\n").value());
    EXPECT_EQ(Bytes(""), DecodeBase64Text("").value());
    for (const char* bad : {"QUJD=", "Q", "QU=I", "QUJ!", "QUI==", "QR==", "QQ=\n=A"})
        EXPECT_FALSE(DecodeBase64Text(bad).has_value()) << bad;
}

TEST(UpdateCheck, HashAndSizeTexts) {
    const std::string hex = "887388d69e31b0cfa10c8d2493be0780b8039bb0487b77083e938342ae4ecf18";
    std::optional<Sha256Digest> digest = ParseSha256Hex(hex);
    ASSERT_TRUE(digest);
    EXPECT_EQ(0x88, (*digest)[0]);
    EXPECT_EQ(0x18, (*digest)[31]);
    std::string upper = hex;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(digest, ParseSha256Hex(upper));
    EXPECT_FALSE(ParseSha256Hex(hex.substr(1)).has_value());
    EXPECT_FALSE(ParseSha256Hex(hex + "0").has_value());
    EXPECT_FALSE(ParseSha256Hex("g" + hex.substr(1)).has_value());

    EXPECT_EQ(4294967295u, ParseByteCount("4294967295").value());
    EXPECT_EQ(0u, ParseByteCount("0").value());
    for (const char* bad : {"", "4294967296", "-1", "+5", " 5", "5 ", "1e3", "99999999999"})
        EXPECT_FALSE(ParseByteCount(bad).has_value()) << bad;
}

TEST(UpdateCheck, Sha256OfDataAndFilesThroughTheSystem) {
    // The standard's own example.
    std::optional<Sha256Digest> abc = Sha256Of("abc");
    ASSERT_TRUE(abc);
    EXPECT_EQ(ParseSha256Hex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"), abc);

    ScratchFolder scratch("sha");
    std::string big(200000, 'x');
    ASSERT_TRUE(WriteTextFile(scratch / "big.bin", big));
    std::optional<FileDigest> file = DigestOfFile(scratch / "big.bin");
    ASSERT_TRUE(file);
    EXPECT_EQ(big.size(), file->size);
    EXPECT_EQ(Sha256Of(big), file->sha256);
    EXPECT_FALSE(DigestOfFile(scratch / "missing.bin").has_value());
}

TEST(UpdateCheck, SignaturesOnlyVerifyUnderTheirKeyForTheirData) {
    const std::string folder = std::string(HUSHBAR_TEST_DIST) + "\\server\\hushbar\\update\\";
    const std::string data = ReadFileText(folder + "latest.xml");
    std::vector<std::uint8_t> signature = DecodeBase64Text(ReadFileText(folder + "latest.xml.sig")).value();
    const RsaPublicKey key = BuiltInUpdateKey();
    ASSERT_TRUE(VerifySignature(data, signature, key));

    std::vector<std::uint8_t> flipped = signature;
    flipped[100] ^= 0x01;
    EXPECT_FALSE(VerifySignature(data, flipped, key));
    EXPECT_FALSE(VerifySignature(data, std::vector<std::uint8_t>(signature.begin(), signature.end() - 1), key));
    EXPECT_FALSE(VerifySignature(data, {}, key));
    EXPECT_FALSE(VerifySignature(data + " ", signature, key));
    RsaPublicKey other = key;
    other.modulusHex[other.modulusHex.size() - 3] = other.modulusHex[other.modulusHex.size() - 3] == '1' ? '3' : '1';
    EXPECT_FALSE(VerifySignature(data, signature, other));
    EXPECT_FALSE(VerifySignature(data, signature, RsaPublicKey{"00ff", 65537}));
    EXPECT_FALSE(VerifySignature(data, signature, RsaPublicKey{key.modulusHex, 0}));
}

TEST(UpdateCheck, DescriptorsCarryThePackagesSizeAndHashWhenTheyNameThem) {
    const std::string hash = "887388D69E31B0CFA10C8D2493BE0780B8039BB0487B77083E938342AE4ECF18";
    std::optional<UpdateDescriptor> d =
        ParseUpdateDescriptor("<hushbar version=\"2.2\" dataversion=\"1.1\" size=\"1015\" sha256=\"" + hash + "\"/>");
    ASSERT_TRUE(d);
    EXPECT_EQ(1015u, d->packageSize.value());
    EXPECT_EQ(ParseSha256Hex(hash), d->packageSha256);

    d = ParseUpdateDescriptor("<hushbar version=\"2.2\" dataversion=\"1.1\"/>");
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->packageSize.has_value());
    EXPECT_FALSE(d->packageSha256.has_value());

    // Named but malformed is not the same as not named.
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar version=\"2.2\" dataversion=\"1.1\" size=\"-3\"/>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar version=\"2.2\" dataversion=\"1.1\" sha256=\"abc\"/>").has_value());

    // A text that ends inside a UTF-8 sequence, and one past the bound, are no descriptors.
    EXPECT_FALSE(ParseUpdateDescriptor("<?xml><h>\xEF").has_value());
    const std::string padded = "<hushbar version=\"2.2\" dataversion=\"1.1\"/>" + std::string(kMaxDescriptorBytes, ' ');
    EXPECT_FALSE(ParseUpdateDescriptor(padded).has_value());
    ScratchFolder scratch("descriptor-bound");
    ASSERT_TRUE(WriteTextFile(scratch / "latest.xml", padded));
    EXPECT_FALSE(LoadUpdateDescriptor(scratch / "latest.xml").has_value());
}

TEST(UpdateCheck, ABlockListIsUsableWhenEveryRecordNamesAClassId) {
    const std::string shipped = ReadFileText(std::string(HUSHBAR_TEST_SOURCE) + "\\res\\objects.dll");
    EXPECT_TRUE(IsUsableBlockListText(shipped));
    EXPECT_TRUE(IsUsableBlockListText("header\n\n  \n1,A,{D27CDB6E-AE6D-11cf-96B8-444553540000},\n"));

    EXPECT_FALSE(IsUsableBlockListText(""));
    EXPECT_FALSE(IsUsableBlockListText("header only\r\n"));
    EXPECT_FALSE(IsUsableBlockListText(shipped + "1,Junk,not a class id,\r\n"));
    EXPECT_FALSE(IsUsableBlockListText(shipped + "1,Bad escape \\q,D27CDB6E-AE6D-11cf-96B8-444553540000,\r\n"));
    EXPECT_FALSE(IsUsableBlockListText(shipped + std::string("\0", 1)));
    EXPECT_FALSE(IsClassIdForm("D27CDB6E-AE6D-11cf-96B8-44455354000"));
    EXPECT_FALSE(IsClassIdForm("D27CDB6E-AE6D-11cf-96B8+444553540000"));
    EXPECT_FALSE(IsClassIdForm("{D27CDB6E-AE6D-11cf-96B8-444553540000"));
}
