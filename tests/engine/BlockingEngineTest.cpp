#include "engine/BlockingEngine.h"

#include "tests/engine/FakeSelection.h"
#include "support/KeyBackup.h"

#include <gtest/gtest.h>

namespace {

// Written out here rather than taken from the engine, so a slip in its table shows up.
const std::string kZone = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
const std::string kMain = "Software\\Microsoft\\Internet Explorer\\Main";
const std::string kSwitch = "Software\\Corvane\\Hushbar\\SWITCH";
const std::string kKillBits = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
const char kFlash[] = "D27CDB6E-AE6D-11cf-96B8-444553540000";
const char kIdA[] = "0E5F0A11-7E57-4E11-B1E5-00000000000A";
const char kIdB[] = "0E5F0A11-7E57-4E11-B1E5-00000000000B";
const char* const kMainValues[] = {"Display Inline Images", "Display Inline Videos", "Play_Animations",
                                   "Play_Background_Sounds"};
const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
const std::set<Category> kAllCategories = {Category::Pictures, Category::Videos, Category::Animations,
                                           Category::Sounds, Category::Java};

class BlockingEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (KeyBackup* backup : {&zone, &main, &corvane, &killBits64, &killBits32}) ASSERT_TRUE(backup->Saved());
        ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kZone) && KeyExists(HKEY_CURRENT_USER, kMain));
        // Values no withdraw or apply leaves, so every write shows.
        for (const char* name : {"1400", "1402", "1C00"}) Put(HKEY_CURRENT_USER, kZone, name, 99);
        for (const char* name : kMainValues) Put(HKEY_CURRENT_USER, kMain, name, "maybe");
        // Whatever earlier programs left in this prefix, these controls start without kill bits.
        for (const char* id : {kFlash, kIdA, kIdB})
            for (REGSAM view : kViews) ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, KillBit(id).c_str(), view, 0);
    }

    static std::string KillBit(const char* id) { return kKillBits + "\\{" + id + "}"; }
    static void PlantKillBit(const char* id) {
        for (REGSAM view : kViews) Put(HKEY_LOCAL_MACHINE, KillBit(id), "Compatibility Flags", 0x400, view);
    }
    // In how many registry views the control's kill-bit key exists and holds the flag.
    static int KillBitViews(const char* id) {
        int count = 0;
        for (REGSAM view : kViews)
            count += ReadDword(HKEY_LOCAL_MACHINE, KillBit(id), "Compatibility Flags", view) == 0x400u;
        return count;
    }
    static std::optional<DWORD> Zone(const char* name) { return ReadDword(HKEY_CURRENT_USER, kZone, name); }
    static std::optional<std::string> Main(const char* name) { return ReadString(HKEY_CURRENT_USER, kMain, name); }
    void WithdrawThenApply() {
        WithdrawPolicy(settings, selection);
        ApplyPolicy(settings, selection);
    }

    KeyBackup zone{HKEY_CURRENT_USER, kZone};
    KeyBackup main{HKEY_CURRENT_USER, kMain};
    KeyBackup corvane{HKEY_CURRENT_USER, "Software\\Corvane"};
    KeyBackup killBits64{HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_64KEY};
    KeyBackup killBits32{HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_32KEY};
    Settings settings;
    FakeSelection selection;
};

TEST_F(BlockingEngineTest, WithdrawWritesNeutralValuesAndDeletesEveryListedKillBit) {
    PlantKillBit(kIdA);
    PlantKillBit(kIdB);
    PlantKillBit(kFlash);
    selection.Add(kIdA, true);
    selection.Add(kFlash, false);  // listed but unchecked: its key goes all the same

    WithdrawPolicy(settings, selection);

    EXPECT_EQ(0u, Zone("1400"));
    EXPECT_EQ(0u, Zone("1402"));
    EXPECT_EQ(0x10000u, Zone("1C00"));
    for (const char* name : kMainValues) EXPECT_EQ("yes", Main(name)) << name;
    EXPECT_EQ(0, KillBitViews(kIdA));
    EXPECT_EQ(0, KillBitViews(kFlash));
    EXPECT_EQ(2, KillBitViews(kIdB)) << "a control that is not listed keeps its kill bit";
    EXPECT_EQ(0, settings.flashBlocked);
}

TEST_F(BlockingEngineTest, ApplyWritesOnlyWhatIsSelectedInBothRegistryViews) {
    // The prefix must keep the two views apart, or the both-views checks prove nothing.
    Put(HKEY_LOCAL_MACHINE, KillBit(kIdB), "Compatibility Flags", 0x400, KEY_WOW64_64KEY);
    ASSERT_EQ(1, KillBitViews(kIdB));
    selection.scripting = ScriptingDisable;
    selection.checked = {Category::Pictures, Category::Sounds, Category::Java};
    selection.Add(kIdA, true);
    selection.Add(kIdB, false);
    selection.Add(kFlash, true);
    settings.flashBlocked = 0;

    WithdrawThenApply();

    EXPECT_EQ(3u, Zone("1400"));
    EXPECT_EQ(3u, Zone("1402"));
    EXPECT_EQ(0u, Zone("1C00"));
    EXPECT_EQ("no", Main("Display Inline Images"));
    EXPECT_EQ("yes", Main("Display Inline Videos"));
    EXPECT_EQ("yes", Main("Play_Animations"));
    EXPECT_EQ("no", Main("Play_Background_Sounds"));
    EXPECT_EQ(2, KillBitViews(kIdA));
    EXPECT_EQ(0, KillBitViews(kIdB)) << "withdrawn from both views, not set again while unchecked";
    EXPECT_EQ(2, KillBitViews(kFlash));
    EXPECT_EQ(1, settings.flashBlocked);
    EXPECT_EQ(1u, settings.scriptingChoice);
}

TEST_F(BlockingEngineTest, ScriptingChoiceMapsToZonePolicyAndUncheckedCategoriesStayNeutral) {
    const std::pair<std::uint32_t, DWORD> cases[] = {{0, 0}, {1, 3}, {2, 1}, {5, 1}, {0xFFFFFFFFu, 1}};
    for (auto [choice, expected] : cases) {
        Put(HKEY_CURRENT_USER, kZone, "1400", 99);
        selection.scripting = choice;
        WithdrawThenApply();
        EXPECT_EQ(expected, Zone("1400")) << "choice " << choice;
        EXPECT_EQ(expected, Zone("1402")) << "choice " << choice;
        EXPECT_EQ(choice, settings.scriptingChoice);
        EXPECT_EQ(0x10000u, Zone("1C00"));
        for (const char* name : kMainValues) EXPECT_EQ("yes", Main(name)) << name;
    }
}

TEST_F(BlockingEngineTest, EmptyListChangesOnlyPerUserValuesAndKeepsFlashState) {
    PlantKillBit(kFlash);
    selection.checked = kAllCategories;
    for (std::int32_t before : {0, 1}) {
        settings.flashBlocked = before;
        WithdrawThenApply();
        EXPECT_EQ("no", Main("Play_Animations"));
        EXPECT_EQ(0u, Zone("1C00"));
        EXPECT_EQ(before, settings.flashBlocked);
        EXPECT_EQ(2, KillBitViews(kFlash));
    }
}

TEST_F(BlockingEngineTest, LowerCaseFlashAndDuplicatesAreOrdinaryEntries) {
    // Key names ignore case, so this lands on the Flash key, yet it is not the Flash entry.
    selection.Add("d27cdb6e-ae6d-11cf-96b8-444553540000", true);
    selection.Add(kIdA, true);
    selection.Add(kIdA, true);
    selection.Add(kIdB, true);
    settings.flashBlocked = 0;
    WithdrawThenApply();
    EXPECT_EQ(2, KillBitViews(kFlash));
    EXPECT_EQ(2, KillBitViews(kIdA));
    EXPECT_EQ(0, settings.flashBlocked);

    settings.flashBlocked = 1;
    WithdrawPolicy(settings, selection);
    EXPECT_EQ(0, KillBitViews(kFlash));
    EXPECT_EQ(0, KillBitViews(kIdB)) << "the failed second deletion of kIdA must not end the walk";
    EXPECT_EQ(1, settings.flashBlocked);
}

TEST_F(BlockingEngineTest, MissingBrowserKeysAreSkippedNotCreated) {
    selection.checked = kAllCategories;
    selection.scripting = ScriptingDisable;
    selection.Add(kIdA, true);

    ASSERT_TRUE(main.Remove());
    WithdrawThenApply();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMain));
    EXPECT_EQ(3u, Zone("1400"));
    EXPECT_EQ(0u, Zone("1C00"));
    EXPECT_EQ(2, KillBitViews(kIdA));

    Put(HKEY_CURRENT_USER, kMain, "Play_Animations", "maybe");
    ASSERT_TRUE(zone.Remove());
    selection.scripting = ScriptingPrompt;
    WithdrawThenApply();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kZone));
    EXPECT_EQ("no", Main("Play_Animations"));
    EXPECT_EQ(2u, settings.scriptingChoice) << "the choice is recorded even when its key is missing";
}

TEST_F(BlockingEngineTest, FlashChoiceIsRecordedAlwaysAndAppliedOnlyWhileSwitchedOn) {
    selection.Add(kIdA, false);
    selection.Add(kFlash, false);
    selection.Add(kFlash, false);
    settings.switchedOff = 1;
    settings.flashBlocked = 1;
    ApplyFlashChoice(settings, selection);
    EXPECT_EQ("yes", ReadString(HKEY_CURRENT_USER, kSwitch, kFlash));
    EXPECT_EQ((std::vector<bool>{false, true, false}), selection.itemChecks) << "the first Flash entry only";
    EXPECT_EQ(0, KillBitViews(kFlash));

    PlantKillBit(kFlash);
    settings.flashBlocked = 0;
    ApplyFlashChoice(settings, selection);
    EXPECT_EQ("no", ReadString(HKEY_CURRENT_USER, kSwitch, kFlash));
    EXPECT_FALSE(selection.itemChecks[1]);
    EXPECT_EQ(2, KillBitViews(kFlash)) << "switched off: the browser's settings are not touched";

    // Switched on with no tree and no list: the kill bit follows the choice all the same.
    selection.built = false;
    settings.switchedOff = 0;
    ApplyFlashChoice(settings, selection);
    EXPECT_EQ(0, KillBitViews(kFlash));
    settings.flashBlocked = 1;
    ApplyFlashChoice(settings, selection);
    EXPECT_EQ(2, KillBitViews(kFlash));
    EXPECT_EQ("yes", ReadString(HKEY_CURRENT_USER, kSwitch, kFlash));
}

TEST_F(BlockingEngineTest, ScriptingChoiceIsRecordedAlwaysAndAppliedOnlyWhileSwitchedOn) {
    settings.switchedOff = 1;
    settings.scriptingChoice = ScriptingDisable;
    ApplyScriptingChoice(settings, selection);
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, kSwitch, "Scripting"));
    EXPECT_EQ(1u, selection.scripting);
    EXPECT_EQ(99u, Zone("1400"));

    settings.switchedOff = 0;
    ApplyScriptingChoice(settings, selection);
    EXPECT_EQ(3u, Zone("1400"));
    EXPECT_EQ(3u, Zone("1402"));
    EXPECT_EQ(99u, Zone("1C00")) << "only the scripting policy changes";

    selection.built = false;
    selection.scriptingSets = 0;
    settings.scriptingChoice = ScriptingPrompt;
    ApplyScriptingChoice(settings, selection);
    EXPECT_EQ(2u, ReadDword(HKEY_CURRENT_USER, kSwitch, "Scripting"));
    EXPECT_EQ(1u, Zone("1400"));
    EXPECT_EQ(1u, Zone("1402"));
    EXPECT_EQ(0, selection.scriptingSets) << "no tree to update";
}

}  // namespace
