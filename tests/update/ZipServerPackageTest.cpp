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
    EXPECT_EQ(ReadTextFile(std::string(HUSHBAR_TEST_DIST) + "\\server\\hushbar\\update\\latest.xml"),
              ReadTextFile(scratch / "latest.xml"));
}
