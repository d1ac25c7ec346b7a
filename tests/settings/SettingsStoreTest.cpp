#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// A copy of a key tree in memory: the product key is moved out of the way for each test
// and put back as it was, so the prefix keeps whatever the program stored there.
struct KeyCopy {
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<Value> values;
    std::vector<std::pair<std::string, std::unique_ptr<KeyCopy>>> subkeys;

    static std::unique_ptr<KeyCopy> Take(HKEY parent, const std::string& path) {
        HKEY hkey = nullptr;
        if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) return nullptr;
        auto copy = std::make_unique<KeyCopy>();
        char name[16384];
        std::vector<BYTE> data(1 << 16);
        for (DWORD i = 0;; ++i) {
            DWORD nameSize = sizeof name;
            DWORD type = 0;
            DWORD dataSize = static_cast<DWORD>(data.size());
            if (::RegEnumValueA(hkey, i, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
                break;
            copy->values.push_back({name, type, std::vector<BYTE>(data.begin(), data.begin() + dataSize)});
        }
        for (DWORD i = 0;; ++i) {
            DWORD nameSize = sizeof name;
            if (::RegEnumKeyExA(hkey, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            copy->subkeys.emplace_back(name, Take(hkey, name));
        }
        ::RegCloseKey(hkey);
        return copy;
    }

    void Put(HKEY parent, const std::string& path) const {
        HKEY hkey = nullptr;
        if (::RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr) !=
            ERROR_SUCCESS)
            return;
        for (const Value& v : values)
            ::RegSetValueExA(hkey, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
        for (const auto& sub : subkeys)
            if (sub.second) sub.second->Put(hkey, sub.first);
        ::RegCloseKey(hkey);
    }
};

// The tree's selection in plain fields. Like the tree, it turns a scripting index it has no
// option for into 0.
class FakeSelection : public Selection {
public:
    bool built = true;
    std::uint32_t scripting = 0;
    std::map<Category, bool> categories;
    BlockList items;
    std::map<HTREEITEM, bool> checks;

    void Add(const std::string& classId, bool checked) {
        BlockItem item;
        item.classId = classId;
        item.enabled = checked;
        item.treeItem = reinterpret_cast<HTREEITEM>(static_cast<std::uintptr_t>(items.size() + 1));
        checks[item.treeItem] = checked;
        items.push_back(item);
    }
    bool Checked(std::size_t index) const { return checks.at(items.at(index).treeItem); }

    bool IsBuilt() const override { return built; }
    std::uint32_t ScriptingIndex() const override { return built ? scripting : 0; }
    void SetScriptingIndex(std::uint32_t index) override { scripting = index > 2 ? 0 : index; }
    bool IsChecked(Category category) const override {
        auto it = categories.find(category);
        return built && it != categories.end() && it->second;
    }
    void SetChecked(Category category, bool checked) override { categories[category] = checked; }
    const BlockList& Items() const override { return items; }
    bool IsChecked(const BlockItem& item) const override { return built && checks.at(item.treeItem); }
    void SetChecked(const BlockItem& item, bool checked) override { checks.at(item.treeItem) = checked; }
};

// The defaults the tree build leaves before the stored selection is read.
FakeSelection BuiltTree() {
    FakeSelection tree;
    tree.categories = {{Category::Pictures, false},
                       {Category::Videos, true},
                       {Category::Animations, true},
                       {Category::Sounds, true},
                       {Category::Java, true}};
    tree.Add(kFlashClassId, true);
    tree.Add("166B1BCA-3F9C-11CF-8075-444553540000", false);
    return tree;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = KeyCopy::Take(HKEY_CURRENT_USER, kProductKey);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
    }
    void TearDown() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
        if (saved_)
            saved_->Put(HKEY_CURRENT_USER, kProductKey);
        else
            ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Corvane");  // only while it is empty
    }

    static void PutString(const char* path, const char* name, const std::string& text) {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_CURRENT_USER, path, name, REG_SZ, text.c_str(),
                                                   static_cast<DWORD>(text.size() + 1)));
    }
    static void PutDword(const char* path, const char* name, DWORD value) {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_CURRENT_USER, path, name, REG_DWORD, &value, sizeof value));
    }
    static std::string GetString(const char* path, const char* name) {
        char buffer[512] = "";
        DWORD size = sizeof buffer;
        if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
            return "<missing>";
        return buffer;
    }
    static DWORD GetDword(const char* path, const char* name) {
        DWORD value = 0xDEADBEEF;
        DWORD size = sizeof value;
        ::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }

    std::unique_ptr<KeyCopy> saved_;
};

}  // namespace

TEST_F(SettingsStoreTest, FirstRunKeepsEveryDefaultAndTheFirstSaveWritesBothKeys) {
    Settings settings;
    FakeSelection tree = BuiltTree();
    LoadSettings(settings, tree);
    EXPECT_EQ(0, settings.minimizeOnStart);
    EXPECT_EQ(1, settings.startWithWindows);
    EXPECT_EQ(0, settings.switchedOff);
    EXPECT_EQ(0x77, settings.hotkeyVirtualKey);
    EXPECT_EQ(0, settings.hotkeyModifiers);
    EXPECT_EQ(1, settings.flashBlocked);
    EXPECT_FALSE(tree.IsChecked(Category::Pictures));
    EXPECT_TRUE(tree.IsChecked(Category::Java));
    EXPECT_TRUE(tree.Checked(0));
    EXPECT_FALSE(tree.Checked(1));

    SaveSettings(settings, tree);
    EXPECT_EQ("no", GetString(kProductKey, "Current State"));
    EXPECT_EQ("yes", GetString(kProductKey, "Start When Windows Starts"));
    EXPECT_EQ("no", GetString(kProductKey, "ActivateHotkey"));
    EXPECT_EQ(0x77u, GetDword(kProductKey, "HotKey"));
    EXPECT_EQ(0u, GetDword(kSelectionKey, "Scripting"));
    EXPECT_EQ("no", GetString(kSelectionKey, "Display Inline Images"));
    EXPECT_EQ("yes", GetString(kSelectionKey, "Play_Background_Sounds"));
    EXPECT_EQ("yes", GetString(kSelectionKey, kFlashClassId));
    EXPECT_EQ("no", GetString(kSelectionKey, "166B1BCA-3F9C-11CF-8075-444553540000"));
}

TEST_F(SettingsStoreTest, FlagsReadTrueOnlyForAnExactLowerCaseYes) {
    PutString(kProductKey, "Current State", "Yes");
    PutString(kProductKey, "Minimize on start", "yes");
    PutString(kProductKey, "Start When Windows Starts", "YES");
    PutString(kProductKey, "ActivateHotkey", "yes ");
    Settings settings;
    settings.switchedOff = 1;
    FakeSelection tree = BuiltTree();
    LoadSettings(settings, tree);
    EXPECT_EQ(0, settings.switchedOff);
    EXPECT_EQ(1, settings.minimizeOnStart);
    EXPECT_EQ(0, settings.startWithWindows);
    EXPECT_EQ(0, settings.activateHotkey);
}

TEST_F(SettingsStoreTest, HotKeySplitsIntoKeyAndModifiersAndIgnoresAString) {
    PutString(kProductKey, "HotKey", "393328");
    Settings settings;
    FakeSelection tree = BuiltTree();
    LoadSettings(settings, tree);
    EXPECT_EQ(0x77, settings.hotkeyVirtualKey);
    EXPECT_EQ(0, settings.hotkeyModifiers);

    PutDword(kProductKey, "HotKey", 0x00060070);
    LoadSettings(settings, tree);
    EXPECT_EQ(0x70, settings.hotkeyVirtualKey);  // F1
    EXPECT_EQ(0x06, settings.hotkeyModifiers);   // Ctrl + Alt

    settings.hotkeyVirtualKey = 0x41;
    settings.hotkeyModifiers = 0x09;
    SaveSettings(settings, tree);
    EXPECT_EQ(0x00090041u, GetDword(kProductKey, "HotKey"));
}

TEST_F(SettingsStoreTest, AStringTooLongForTheBufferKeepsTheDefault) {
    PutString(kProductKey, "Start When Windows Starts", "no" + std::string(253, 'x'));  // 255 characters
    PutString(kSelectionKey, kFlashClassId, "no" + std::string(252, 'x'));         // 254: fits
    Settings settings;
    FakeSelection tree = BuiltTree();
    LoadSettings(settings, tree);
    EXPECT_EQ(1, settings.startWithWindows);
    EXPECT_FALSE(tree.Checked(0));
    EXPECT_EQ(0, settings.flashBlocked);
}

TEST_F(SettingsStoreTest, StoredSelectionOverridesTheTreeWhereAValueExists) {
    PutDword(kSelectionKey, "Scripting", 2);
    PutString(kSelectionKey, "Display Inline Images", "yes");
    PutString(kSelectionKey, "Play_Animations", "no");
    PutDword(kSelectionKey, "JavaApplet", 0);  // wrong type: the default stays
    PutString(kSelectionKey, kFlashClassId, "no");
    Settings settings;
    FakeSelection tree = BuiltTree();
    tree.Add(kFlashClassId, true);  // a repeated entry receives the same stored state
    LoadSettings(settings, tree);
    EXPECT_EQ(2u, tree.scripting);
    EXPECT_EQ(2u, settings.scriptingChoice);
    EXPECT_TRUE(tree.IsChecked(Category::Pictures));
    EXPECT_FALSE(tree.IsChecked(Category::Animations));
    EXPECT_TRUE(tree.IsChecked(Category::Videos));
    EXPECT_TRUE(tree.IsChecked(Category::Java));
    EXPECT_FALSE(tree.Checked(0));
    EXPECT_FALSE(tree.Checked(2));
    EXPECT_EQ(0, settings.flashBlocked);
    // No stored value: the item keeps its flag from the file, and gets a value on save.
    EXPECT_FALSE(tree.Checked(1));
    EXPECT_EQ("<missing>", GetString(kSelectionKey, "166B1BCA-3F9C-11CF-8075-444553540000"));
    tree.SetChecked(tree.items[1], true);
    SaveSettings(settings, tree);
    EXPECT_EQ("yes", GetString(kSelectionKey, "166B1BCA-3F9C-11CF-8075-444553540000"));
}

TEST_F(SettingsStoreTest, AnOutOfRangeScriptingShowsEnableButIsKeptInTheSettings) {
    PutDword(kSelectionKey, "Scripting", 5);
    Settings settings;
    FakeSelection tree = BuiltTree();
    tree.scripting = 1;
    LoadSettings(settings, tree);
    EXPECT_EQ(0u, tree.scripting);
    EXPECT_EQ(5u, settings.scriptingChoice);
    // The tree, not the settings, is what gets stored.
    SaveSettings(settings, tree);
    EXPECT_EQ(0u, GetDword(kSelectionKey, "Scripting"));
}

TEST_F(SettingsStoreTest, SavingWithoutATreeLeavesTheStoredSelectionAlone) {
    PutDword(kSelectionKey, "Scripting", 1);
    PutString(kSelectionKey, "Play_Animations", "yes");
    PutString(kSelectionKey, kFlashClassId, "yes");
    Settings settings;
    settings.switchedOff = 1;
    FakeSelection none;
    none.built = false;
    SaveSettings(settings, none);
    EXPECT_EQ("yes", GetString(kProductKey, "Current State"));
    EXPECT_EQ(1u, GetDword(kSelectionKey, "Scripting"));
    EXPECT_EQ("yes", GetString(kSelectionKey, "Play_Animations"));
    EXPECT_EQ("yes", GetString(kSelectionKey, kFlashClassId));
}
