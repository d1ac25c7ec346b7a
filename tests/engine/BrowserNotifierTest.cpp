#include "engine/BrowserNotifier.h"

#include "tests/support/BrowserStandIn.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(NotifyBrowserWindows, EachBrowserWindowHearsBothMessagesOncePerCall) {
    BrowserStandIn first;
    BrowserStandIn second;
    ASSERT_NE(nullptr, first.Window());
    ASSERT_NE(nullptr, second.Window());

    NotifyBrowserWindows();
    ASSERT_TRUE(first.Flush());
    ASSERT_TRUE(second.Flush());
    EXPECT_EQ(1, first.Count0552());
    EXPECT_EQ(1, first.CountIniChange());
    EXPECT_EQ(1, second.Count0552());
    EXPECT_EQ(1, second.CountIniChange());

    first.Reset();
    NotifyBrowserWindows();
    NotifyBrowserWindows();
    ASSERT_TRUE(first.Flush());
    EXPECT_EQ(2, first.Count0552());
    EXPECT_EQ(2, first.CountIniChange());
}

// Every stand-in in the list must have exactly its requested class name and hear nothing.
void ExpectNoneNotified(std::initializer_list<const char*> names) {
    std::vector<std::unique_ptr<BrowserStandIn>> others;
    for (const char* name : names) {
        others.push_back(std::make_unique<BrowserStandIn>(name));
        ASSERT_EQ(name, others.back()->ClassName());
    }
    NotifyBrowserWindows();
    for (auto& other : others) {
        ASSERT_TRUE(other->Flush());
        EXPECT_EQ(0, other->Count0552()) << other->ClassName();
        EXPECT_EQ(0, other->CountIniChange()) << other->ClassName();
    }
}

TEST(NotifyBrowserWindows, ClassNamesThatOnlyResembleTheBrowserGetNothing) {
    {
        BrowserStandIn browser;
        ExpectNoneNotified({"Internet Explorer_Hiddem", "Internet Explorer_Hidde", "Internet Explorer_Hidden2",
                            "Internet Explorer Hidden"});
        ASSERT_TRUE(browser.Flush());
        EXPECT_EQ(1, browser.Count0552());
        EXPECT_EQ(1, browser.CountIniChange());
    }
    // A process's class names ignore case, so each of these can only exist alone.
    ExpectNoneNotified({"internet explorer_hidden"});
    ExpectNoneNotified({"Internet Explorer_HIDDEN"});
}

TEST(NotifyBrowserWindows, AHungBrowserDoesNotHoldUpTheCaller) {
    BrowserStandIn hung;
    BrowserStandIn healthy;
    ASSERT_TRUE(hung.Stall());

    // Returning while the hung window still has not answered shows that nothing waited for it.
    NotifyBrowserWindows();
    EXPECT_EQ(0, hung.Count0552());
    ASSERT_TRUE(healthy.Flush());
    EXPECT_EQ(1, healthy.Count0552());
    EXPECT_EQ(1, healthy.CountIniChange());

    hung.Release();
    EXPECT_TRUE(hung.WaitFor(1, 0)) << "the posted message arrives once it answers again";
}

}  // namespace
