#include "update/UpdateDescriptor.h"

#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

TEST(Descriptor, ReadsVersionsFromTheFirstHushbarElement) {
    auto d = ParseUpdateDescriptor("<?xml version=\"1.0\" ?>\n<hushbar version=\"2.2\" dataversion=\"1.05\" />");
    ASSERT_TRUE(d.has_value());
    EXPECT_DOUBLE_EQ(2.2, d->version);
    EXPECT_DOUBLE_EQ(1.05, d->dataVersion);

    // Other nodes come first; trailing text after a number is ignored; the second
    // "hushbar" does not count.
    d = ParseUpdateDescriptor("<!-- c --><other version=\"9\"/><hushbar version=\"3.0beta\" dataversion=\" 7\">"
                              "<x/></hushbar><hushbar version=\"8\" dataversion=\"8\"/>");
    ASSERT_TRUE(d.has_value());
    EXPECT_DOUBLE_EQ(3.0, d->version);
    EXPECT_DOUBLE_EQ(7.0, d->dataVersion);

    ScratchFolder scratch("descriptor");
    ASSERT_TRUE(WriteTextFile(scratch / "latest.xml", "<hushbar version=\"2.2\" dataversion=\"1.0\"/>"));
    d = LoadUpdateDescriptor(scratch / "latest.xml");
    ASSERT_TRUE(d.has_value());
    EXPECT_DOUBLE_EQ(1.0, d->dataVersion);
    EXPECT_FALSE(LoadUpdateDescriptor(scratch / "missing.xml").has_value());
}

TEST(Descriptor, WithoutTheElementOrANumberItCannotBeRead) {
    EXPECT_FALSE(ParseUpdateDescriptor("").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar version=\"2.2\" dataversion=\"1.0\">").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<other version=\"2.2\" dataversion=\"1.0\"/>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<Hushbar version=\"2.2\" dataversion=\"1.0\"/>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<root><hushbar version=\"2.2\" dataversion=\"1.0\"/></root>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar version=\"2.2\"/>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar dataversion=\"1.0\"/>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar version=\"two\" dataversion=\"1.0\"/>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar version=\"2.2\" dataversion=\"\"/>").has_value());
    EXPECT_FALSE(ParseUpdateDescriptor("<hushbar version=\"nan\" dataversion=\"1\"/>").has_value());
}

TEST(Descriptor, VersionsCompareAsNumbersAndProgramWinsOverData) {
    const UpdateDescriptor installed{2.2, 1.0};
    EXPECT_EQ(UpdateOffer::UpToDate, CompareDescriptors(installed, {2.2, 1.0}));
    EXPECT_EQ(UpdateOffer::UpToDate, CompareDescriptors(installed, {2.10, 1.0}));  // 2.10 < 2.2
    EXPECT_EQ(UpdateOffer::NewerData, CompareDescriptors(installed, {2.10, 1.1}));
    EXPECT_EQ(UpdateOffer::NewerData, CompareDescriptors(installed, {2.2, 1.01}));
    EXPECT_EQ(UpdateOffer::NewerProgram, CompareDescriptors(installed, {2.3, 1.0}));
    EXPECT_EQ(UpdateOffer::NewerProgram, CompareDescriptors(installed, {2.3, 5.0}));
    EXPECT_EQ(UpdateOffer::UpToDate, CompareDescriptors(installed, {2.2, 0.9}));

    // From the files' own text, where "10.0" sorts before "9.5" as characters.
    auto older = ParseUpdateDescriptor("<hushbar version=\"9.5\" dataversion=\"9.5\"/>");
    auto newerData = ParseUpdateDescriptor("<hushbar version=\"9.5\" dataversion=\"10.0\"/>");
    auto newerProgram = ParseUpdateDescriptor("<hushbar version=\"10.0\" dataversion=\"1.0\"/>");
    ASSERT_TRUE(older && newerData && newerProgram);
    EXPECT_EQ(UpdateOffer::NewerData, CompareDescriptors(*older, *newerData));
    EXPECT_EQ(UpdateOffer::NewerProgram, CompareDescriptors(*older, *newerProgram));
    EXPECT_EQ(UpdateOffer::UpToDate, CompareDescriptors(*newerData, *older));
}
