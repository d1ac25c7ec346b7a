#include "update/DigestText.h"
#include "update/UpdateDescriptor.h"
#include "update/UpdateVerifier.h"
#include "update/ZipExtractor.h"

#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

// The package the build lays out for the update server comes from another archiver than
// the tests' own writer (Unix modes, sizes in a trailing data descriptor): it must unpack
// to exactly the shipped files.
TEST(ZipServerPackage, UnpacksToTheShippedListAndDescriptor) {
    const std::string shipped = std::string(HUSHBAR_TEST_SOURCE) + "\\res\\";
    const std::string package = std::string(HUSHBAR_TEST_DIST) + "\\server\\hushbar\\update\\update.zip";
    ScratchFolder scratch("server-package");

    ZipExtractor zip(package.c_str());
    ASSERT_TRUE(zip.IsOpen());
    EXPECT_EQ(2u, zip.GetEntryCount());
    ASSERT_TRUE(zip.SetOutputFolder(scratch.Path().c_str()));
    ASSERT_TRUE(zip.ExtractAll(true));
    EXPECT_EQ(2u, zip.WrittenFiles().size());
    EXPECT_EQ(ReadTextFile(shipped + "objects.dll"), ReadTextFile(scratch / "objects.dll"));
    std::optional<UpdateDescriptor> inner = LoadUpdateDescriptor(scratch / "latest.xml");
    std::optional<UpdateDescriptor> offered =
        LoadUpdateDescriptor(std::string(HUSHBAR_TEST_DIST) + "\\server\\hushbar\\update\\latest.xml");
    ASSERT_TRUE(inner && offered);
    EXPECT_EQ(inner->version, offered->version);
    EXPECT_EQ(inner->dataVersion, offered->dataVersion);
}

// What the build lays out is what the program accepts: the descriptor announces the
// package's size and hash and is signed with the key compiled in.
TEST(ZipServerPackage, TheServerDescriptorIsSignedAndNamesThePackage) {
    const std::string folder = std::string(HUSHBAR_TEST_DIST) + "\\server\\hushbar\\update\\";
    const std::string descriptorText = ReadFileText(folder + "latest.xml");
    std::optional<UpdateDescriptor> offered = ParseUpdateDescriptor(descriptorText);
    ASSERT_TRUE(offered);
    std::optional<FileDigest> digest = DigestOfFile(folder + "update.zip");
    ASSERT_TRUE(digest && offered->packageSize && offered->packageSha256);
    EXPECT_EQ(digest->size, *offered->packageSize);
    EXPECT_EQ(digest->sha256, *offered->packageSha256);

    std::optional<std::vector<std::uint8_t>> signature = DecodeBase64Text(ReadFileText(folder + "latest.xml.sig"));
    ASSERT_TRUE(signature);
    EXPECT_TRUE(VerifySignature(descriptorText, *signature, BuiltInUpdateKey()));
    std::string changed = descriptorText;
    changed[changed.size() / 2] ^= 0x20;
    EXPECT_FALSE(VerifySignature(changed, *signature, BuiltInUpdateKey()));
}
