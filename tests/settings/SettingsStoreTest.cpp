#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// The tree's selection in plain fields; like the tree it turns an index it has no option
// for into 0. An item's node handle is its number in the list plus one.
class FakeSelection : public Selection {
public:
    bool built = true;
    std::uint32_t scripting = 0;
    std::map<Category, bool> categories{{Category::Pictures, false}, {Category::Videos, true},
                                        {Category::Animations, true}, {Category::Sounds, true},
                                        {Category::Java, true}};
    BlockList items;
    std::map<HTREEITEM, bool> checks;

    FakeSelection() {
        Add(kFlashClassId, true);
        Add("166B1BCA-3F9C-11CF-8075-444553540000", false);
    }
    void Add(const std::string& classId, bool checked) {
        BlockItem item(false, "", classId, "");
        item.treeItem = reinterpret_cast<HTREEITEM>(items.size() + 1);
        checks[item.treeItem] = checked;
        items.push_back(item);
    }
    bool Checked(std::size_t index) const { return checks.at(items.at(index).treeItem); }

    bool IsBuilt() const override { return built; }
    std::uint32_t ScriptingIndex() const override { return built ? scripting : 0; }
    void SetScriptingIndex(std::uint32_t index) override { scripting = index > 2 ? 0 : index; }
    bool IsChecked(Category category) const override { return built && categories.at(category); }
    void SetChecked(Category category, bool checked) override { categories[category] = checked; }
    const BlockList& Items() const override { return items; }
    bool IsChecked(const BlockItem& item) const override { return built && checks.at(item.treeItem); }
    void SetChecked(const BlockItem& item, bool checked) override { checks.at(item.treeItem) = checked; }
};

// Each test starts without the product key; whatever the prefix held there is parked in a
// key of the test's own and put back afterwards.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        parking_ = "Software\\HushbarTests\\Parked-" + std::to_string(::GetCurrentProcessId());
        ::RegDeleteTreeA(HKEY_CURRENT_USER, parking_.c_str());
        hadProductKey_ = Copy(kProductKey, parking_.c_str());
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
    }
    void TearDown() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
        if (hadProductKey_) Copy(parking_.c_str(), kProductKey);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, parking_.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\HushbarTests");  // these two only while empty
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Corvane");
    }
    static bool Copy(const char* from, const char* to) {
        HKEY source = nullptr, target = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, from, 0, KEY_READ, &source) != ERROR_SUCCESS) return false;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr);
        const bool copied = ::RegCopyTreeA(source, nullptr, target) == ERROR_SUCCESS;
        ::RegCloseKey(source);
        ::RegCloseKey(target);
        return copied;
    }

    static void Put(const char* path, const char* name, const std::string& text) {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_CURRENT_USER, path, name, REG_SZ, text.c_str(),
                                                   static_cast<DWORD>(text.size() + 1)));
    }
    static void Put(const char* path, const char* name, DWORD value) {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_CURRENT_USER, path, name, REG_DWORD, &value, sizeof value));
    }
    static std::string Text(const char* path, const char* name) {
        char buffer[512] = "";
        DWORD size = sizeof buffer;
        if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
            return "<missing>";
        return buffer;
    }
    static DWORD Number(const char* path, const char* name) {
        DWORD value = 0xDEADBEEF, size = sizeof value;
        ::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }

    std::string parking_;
    bool hadProductKey_ = false;
};

constexpr char kShockwave[] = "166B1BCA-3F9C-11CF-8075-444553540000";

}  // namespace

TEST_F(SettingsStoreTest, FirstRunKeepsEveryDefaultAndTheFirstSaveWritesBothKeys) {
    Settings settings;
    FakeSelection tree;
    LoadSettings(settings, tree);
    EXPECT_EQ(1, settings.startWithWindows);
    EXPECT_EQ(0x77, settings.hotkeyVirtualKey);
    EXPECT_EQ(1, settings.flashBlocked);
    EXPECT_FALSE(tree.IsChecked(Category::Pictures));
    EXPECT_TRUE(tree.Checked(0));
    EXPECT_FALSE(tree.Checked(1));

    settings.hotkeyModifiers = 0x09;
    SaveSettings(settings, tree);
    EXPECT_EQ("no", Text(kProductKey, "Current State"));
    EXPECT_EQ("yes", Text(kProductKey, "Start When Windows Starts"));
    EXPECT_EQ(0x00090077u, Number(kProductKey, "HotKey"));
    EXPECT_EQ(0u, Number(kSelectionKey, "Scripting"));
    EXPECT_EQ("no", Text(kSelectionKey, "Display Inline Images"));
    EXPECT_EQ("yes", Text(kSelectionKey, "Play_Background_Sounds"));
    EXPECT_EQ("yes", Text(kSelectionKey, kFlashClassId));
    EXPECT_EQ("no", Text(kSelectionKey, kShockwave));
}

TEST_F(SettingsStoreTest, OptionsReadOnlyFromAnExactYesAFittingStringAndADwordHotKey) {
    Put(kProductKey, "Current State", "Yes");
    Put(kProductKey, "Minimize on start", "yes");
    Put(kProductKey, "ActivateHotkey", "yes" + std::string(251, ' '));               // 254: fits
    Put(kProductKey, "Start When Windows Starts", "no" + std::string(253, 'x'));  // 255: too long
    Put(kProductKey, "HotKey", "393328");
    Settings settings;
    settings.switchedOff = 1;
    FakeSelection tree;
    LoadSettings(settings, tree);
    EXPECT_EQ(0, settings.switchedOff);
    EXPECT_EQ(1, settings.minimizeOnStart);
    EXPECT_EQ(0, settings.activateHotkey);
    EXPECT_EQ(1, settings.startWithWindows);
    EXPECT_EQ(0x77, settings.hotkeyVirtualKey);
    EXPECT_EQ(0, settings.hotkeyModifiers);

    Put(kProductKey, "HotKey", 0x00060070u);
    LoadSettings(settings, tree);
    EXPECT_EQ(0x70, settings.hotkeyVirtualKey);  // F1
    EXPECT_EQ(0x06, settings.hotkeyModifiers);   // Ctrl + Alt
}

TEST_F(SettingsStoreTest, StoredSelectionOverridesTheTreeWhereAValueReads) {
    Put(kSelectionKey, "Scripting", 5u);  // no such option: the tree shows Enable, the setting keeps 5
    Put(kSelectionKey, "Display Inline Images", "yes");
    Put(kSelectionKey, "Play_Animations", "no");
    Put(kSelectionKey, "JavaApplet", 0u);  // wrong type: the default stays
    Put(kSelectionKey, kFlashClassId, "no");
    Settings settings;
    FakeSelection tree;
    tree.scripting = 1;
    tree.Add(kFlashClassId, true);  // a repeated entry receives the same stored state
    LoadSettings(settings, tree);
    EXPECT_EQ(0u, tree.scripting);
    EXPECT_EQ(5u, settings.scriptingChoice);
    EXPECT_TRUE(tree.IsChecked(Category::Pictures));
    EXPECT_FALSE(tree.IsChecked(Category::Animations));
    EXPECT_TRUE(tree.IsChecked(Category::Java));
    EXPECT_FALSE(tree.Checked(0));
    EXPECT_FALSE(tree.Checked(2));
    EXPECT_EQ(0, settings.flashBlocked);

    // No stored value: the item keeps its state from the file, and has one after a save.
    // "Scripting" is saved from the tree, not from the settings.
    EXPECT_EQ("<missing>", Text(kSelectionKey, kShockwave));
    tree.SetChecked(tree.items[1], true);
    SaveSettings(settings, tree);
    EXPECT_EQ("yes", Text(kSelectionKey, kShockwave));
    EXPECT_EQ(0u, Number(kSelectionKey, "Scripting"));
}

TEST_F(SettingsStoreTest, SavingWithoutATreeLeavesTheStoredSelectionAlone) {
    Put(kSelectionKey, "Scripting", 1u);
    Put(kSelectionKey, "Play_Animations", "yes");
    Put(kSelectionKey, kFlashClassId, "yes");
    Settings settings;
    settings.switchedOff = 1;
    FakeSelection none;
    none.built = false;
    SaveSettings(settings, none);
    EXPECT_EQ("yes", Text(kProductKey, "Current State"));
    EXPECT_EQ(1u, Number(kSelectionKey, "Scripting"));
    EXPECT_EQ("yes", Text(kSelectionKey, "Play_Animations"));
    EXPECT_EQ("yes", Text(kSelectionKey, kFlashClassId));
}

namespace {

// Saves and loads in a row remember what the key holds, and must still see every change
// made there by anyone else in between.
TEST_F(SettingsStoreTest, RepeatedSavesAndLoadsSeeChangesMadeInBetween) {
    Settings settings;
    FakeSelection selection;
    selection.Add("0E5F0A11-7E57-4E11-B1E5-00000000000A", true);
    selection.Add("0e5f0a11-7e57-4e11-b1e5-00000000000a", false);  // the same value name, later: it wins
    SaveSettings(settings, selection);
    EXPECT_EQ("no", Text(kSelectionKey, "0E5F0A11-7E57-4E11-B1E5-00000000000A"));
    FakeSelection twice;  // read from what the save kept of the key: the later entry's check
    twice.Add("0E5F0A11-7E57-4E11-B1E5-00000000000A", true);
    twice.Add("0e5f0a11-7e57-4e11-b1e5-00000000000a", true);
    LoadSettings(settings, twice);
    EXPECT_FALSE(twice.Checked(2));
    EXPECT_FALSE(twice.Checked(3));

    selection.checks.at(selection.items[3].treeItem) = true;
    selection.checks.at(selection.items[2].treeItem) = false;
    SaveSettings(settings, selection);
    EXPECT_EQ("yes", Text(kSelectionKey, "0E5F0A11-7E57-4E11-B1E5-00000000000A"));

    // Someone else clears Flash; an unchanged selection saved again puts it back.
    Put(kSelectionKey, kFlashClassId, "no");
    SaveSettings(settings, selection);
    EXPECT_EQ("yes", Text(kSelectionKey, kFlashClassId));

    // ...and a load reads what someone else stored.
    Put(kSelectionKey, "166B1BCA-3F9C-11CF-8075-444553540000", "yes");
    FakeSelection loaded;
    LoadSettings(settings, loaded);
    EXPECT_TRUE(loaded.Checked(1));
    selection.checks.at(selection.items[1].treeItem) = true;
    SaveSettings(settings, selection);
    FakeSelection again;
    again.checks.at(again.items[0].treeItem) = false;
    LoadSettings(settings, again);  // nothing changed since the save: the same answer
    EXPECT_TRUE(again.Checked(0));
    EXPECT_TRUE(again.Checked(1));

    // The key deleted and made anew: every value is written again.
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kSelectionKey);
    Put(kSelectionKey, "Scripting", 0u);
    SaveSettings(settings, selection);
    EXPECT_EQ("yes", Text(kSelectionKey, kFlashClassId));
    EXPECT_EQ("yes", Text(kSelectionKey, "166B1BCA-3F9C-11CF-8075-444553540000"));
}

}  // namespace
