#include "blocklist/SelectionModel.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class SelectionModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "hushbar-model-" + std::to_string(::GetCurrentProcessId()) + ".txt";
        std::ofstream(path_, std::ios::binary) << "header\r\n1,Alpha,ID-A,\r\n0,Beta,ID-B,\r\n";
    }
    void TearDown() override { ::DeleteFileA(path_.c_str()); }
    std::string path_;
    SelectionModel model_;
};

TEST_F(SelectionModelTest, LoadGivesTheTreesDefaultsAndClearForgetsEverything) {
    EXPECT_FALSE(model_.IsBuilt());
    model_.SetChecked(Category::Java, true);
    EXPECT_FALSE(model_.IsChecked(Category::Java)) << "nothing to set before a load";

    model_.Load(path_);
    ASSERT_TRUE(model_.IsBuilt());
    ASSERT_EQ(2u, model_.Items().size());
    EXPECT_TRUE(model_.IsChecked(model_.Items()[0]));
    EXPECT_FALSE(model_.IsChecked(model_.Items()[1]));
    EXPECT_FALSE(model_.IsChecked(Category::Pictures));
    for (Category category : {Category::Videos, Category::Animations, Category::Sounds, Category::Java})
        EXPECT_TRUE(model_.IsChecked(category));
    EXPECT_EQ(0u, model_.ScriptingIndex());

    model_.SetScriptingIndex(2);
    EXPECT_EQ(2u, model_.ScriptingIndex());
    model_.SetScriptingIndex(3);
    EXPECT_EQ(0u, model_.ScriptingIndex()) << "no such option: Enable, as the tree shows it";
    model_.SetChecked(model_.Items()[1], true);
    EXPECT_TRUE(model_.IsChecked(model_.Items()[1]));

    // An entry of another list is no entry of this one.
    BlockItem stranger;
    model_.SetChecked(stranger, true);
    EXPECT_FALSE(model_.IsChecked(stranger));

    model_.Load(path_);  // afresh: every default again
    EXPECT_FALSE(model_.IsChecked(model_.Items()[1]));

    model_.Clear();
    EXPECT_FALSE(model_.IsBuilt());
    EXPECT_TRUE(model_.Items().empty());
    EXPECT_FALSE(model_.IsChecked(Category::Videos));

    model_.Load(path_ + ".missing");
    EXPECT_TRUE(model_.IsBuilt()) << "a missing file is an empty list";
    EXPECT_TRUE(model_.Items().empty());
}

}  // namespace
