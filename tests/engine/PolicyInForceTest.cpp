// EnforcePolicy against what withdrawing and re-applying control by control leaves, over a
// list of keys in every state the ownership rules tell apart.
#include "engine/BlockingEngine.h"
#include "engine/OwnedFlag.h"
#include "engine/PolicyLayers.h"

#include "tests/engine/FakeSelection.h"
#include "tests/support/KeyBackup.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace {

const std::string kKillBits = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
const std::string kAddons = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

// Where a control's flags live: the kill bit in each view, the add-on flag per user.
struct Place {
    HKEY root;
    const std::string& parent;
    REGSAM view;
    const char* flagsName;
    DWORD bit;
    DWORD other;  // someone else's bit beside ours
};
const Place kPlaces[] = {
    {HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_64KEY, "Compatibility Flags", 0x400, 0x00800000},
    {HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_32KEY, "Compatibility Flags", 0x400, 0x00800000},
    {HKEY_CURRENT_USER, kAddons, 0, "Flags", 0x1, 0x100},
};

enum class Flags { None, Bit, Other, BitOther, Text };

// A key's contents, the same in every place.
struct Contents {
    bool exists = true;
    Flags flags = Flags::None;
    DWORD record = 0;  // 0: none
    bool extra = false;  // a value of someone else's
};

struct Row {
    const char* what;
    Contents before;
    Contents withdrawn;
    Contents blocked;  // when checked
};

constexpr Contents kAbsent{false, Flags::None, 0, false};

// Every state the ownership rules tell apart, and what withdraw and apply leave of it.
const Row kRows[] = {
    {"missing", kAbsent, kAbsent, {true, Flags::Bit, 1}},
    {"someone else's kill bit", {true, Flags::BitOther}, {true, Flags::BitOther}, {true, Flags::BitOther}},
    {"others' flags only", {true, Flags::Other}, {true, Flags::Other}, {true, Flags::BitOther, 2}},
    {"ours, created", {true, Flags::Bit, 1}, kAbsent, {true, Flags::Bit, 1}},
    {"ours, created, since given a value", {true, Flags::Bit, 1, true}, {true, Flags::None, 0, true},
     {true, Flags::Bit, 3, true}},
    {"ours, bit added", {true, Flags::BitOther, 2}, {true, Flags::Other}, {true, Flags::BitOther, 2}},
    {"ours, value added", {true, Flags::Bit, 3, true}, {true, Flags::None, 0, true}, {true, Flags::Bit, 3, true}},
    {"ours, bit taken out by someone", {true, Flags::Other, 2}, {true, Flags::Other}, {true, Flags::BitOther, 2}},
    {"ours, flags value gone", {true, Flags::None, 1}, kAbsent, {true, Flags::Bit, 1}},
    {"flags not a number", {true, Flags::Text}, {true, Flags::Text}, {true, Flags::Text}},
    {"flags not a number, with our record", {true, Flags::Text, 1}, {true, Flags::Text}, {true, Flags::Text}},
    {"a record that is not ours", {true, Flags::Other, 7}, {true, Flags::Other, 7}, {true, Flags::BitOther, 2}},
    {"empty key", {true, Flags::None}, {true, Flags::None}, {true, Flags::Bit, 3}},
};

std::string ControlId(std::size_t row) {
    char id[40];
    std::snprintf(id, sizeof id, "0E5F0A11-7E57-4E11-B1E5-0000000001%02u", static_cast<unsigned>(row));
    return id;
}

std::string KeyPath(const Place& place, const std::string& id) { return place.parent + "\\{" + id + "}"; }

void Plant(const Place& place, const std::string& id, const Contents& contents) {
    const std::string path = KeyPath(place, id);
    ::RegDeleteKeyExA(place.root, path.c_str(), place.view, 0);
    if (!contents.exists) return;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(place.root, path.c_str(), 0, nullptr, 0, KEY_WRITE | place.view,
                                               nullptr, &key, nullptr));
    auto dword = [key](const char* name, DWORD value) {
        ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    };
    switch (contents.flags) {
    case Flags::None: break;
    case Flags::Bit: dword(place.flagsName, place.bit); break;
    case Flags::Other: dword(place.flagsName, place.other); break;
    case Flags::BitOther: dword(place.flagsName, place.bit | place.other); break;
    case Flags::Text: ::RegSetValueExA(key, place.flagsName, 0, REG_SZ, reinterpret_cast<const BYTE*>("1024"), 5); break;
    }
    if (contents.record) dword("Hushbar", contents.record);
    if (contents.extra) ::RegSetValueExA(key, "Alternate CLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>("{0}"), 4);
    ::RegCloseKey(key);
}

// A key's values in the words of the table, in name order: the order of enumeration is the
// registry's business.
std::string Words(const std::map<std::string, std::string>& values) {
    std::string text = "key";
    for (const auto& [name, value] : values) text += " " + name + "=" + value;
    return text;
}

// What the key holds; anything the table has no word for shows as itself.
std::string Describe(const Place& place, const std::string& id) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(place.root, KeyPath(place, id).c_str(), 0, KEY_READ | place.view, &key) != ERROR_SUCCESS)
        return "absent";
    std::map<std::string, std::string> values;
    char name[256];
    BYTE data[256];
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (::RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        DWORD number = 0;
        if (type == REG_DWORD) std::memcpy(&number, data, sizeof number);
        const bool flags = std::string(name) == place.flagsName;
        std::string& value = values[name];
        if (type != REG_DWORD)
            value = std::string(reinterpret_cast<const char*>(data), dataSize ? dataSize - 1 : 0);
        else if (flags && number == place.bit)
            value = "bit";
        else if (flags && number == place.other)
            value = "other";
        else if (flags && number == (place.bit | place.other))
            value = "bit+other";
        else
            value = std::to_string(number);
    }
    ::RegCloseKey(key);
    return Words(values);
}

std::string Describe(const Place& place, const Contents& contents) {
    if (!contents.exists) return "absent";
    static const char* const kFlagWords[] = {"", "bit", "other", "bit+other", "1024"};
    std::map<std::string, std::string> values;
    if (contents.flags != Flags::None) values[place.flagsName] = kFlagWords[static_cast<int>(contents.flags)];
    if (contents.record) values["Hushbar"] = std::to_string(contents.record);
    if (contents.extra) values["Alternate CLSID"] = "{0}";
    return Words(values);
}

class PolicyInForceTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (KeyBackup* backup : {&killBits64, &killBits32, &addons, &corvane, &zone, &main})
            ASSERT_TRUE(backup->Saved());
        // Under Wine the 32-bit view of HKLM\SOFTWARE is a key of its own; make sure the
        // parent is there in both, so a missing parent does not hide a difference.
        for (const Place& place : kPlaces) {
            HKEY key = nullptr;
            ::RegCreateKeyExA(place.root, place.parent.c_str(), 0, nullptr, 0, KEY_WRITE | place.view, nullptr, &key,
                              nullptr);
            if (key) ::RegCloseKey(key);
        }
    }
    void TearDown() override {
        for (std::size_t row = 0; row < std::size(kRows); ++row)
            for (const Place& place : kPlaces) Plant(place, ControlId(row), kAbsent);
    }

    void PlantAll(const std::vector<Contents>& contents) {
        for (std::size_t row = 0; row < contents.size(); ++row)
            for (const Place& place : kPlaces) Plant(place, ControlId(row), contents[row]);
    }
    std::vector<std::string> Snapshot() const {
        std::vector<std::string> all;
        for (std::size_t row = 0; row < std::size(kRows); ++row)
            for (const Place& place : kPlaces) all.push_back(Describe(place, ControlId(row)));
        return all;
    }
    static std::vector<Contents> Before() {
        std::vector<Contents> before;
        for (const Row& row : kRows) before.push_back(row.before);
        return before;
    }

    // What the program did before it compared: take out every listed control's flags,
    // then set those of every checked entry, key by key, in each place.
    void WithdrawThenApplyKeyByKey() {
        for (const Place& place : kPlaces) {
            RegKey parent;
            ASSERT_EQ(ERROR_SUCCESS, parent.Open(place.root, place.parent.c_str(), RegKey::kReadWriteAccess | place.view));
            const OwnedFlag flag{place.flagsName, place.bit};
            for (const BlockItem& item : selection.items)
                ClearOwnedFlag(parent, "{" + std::string(item.classId()) + "}", flag, place.view);
            for (const BlockItem& item : selection.items)
                if (selection.IsChecked(item)) SetOwnedFlag(parent, "{" + std::string(item.classId()) + "}", flag, place.view);
        }
    }

    KeyBackup killBits64{HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_64KEY};
    KeyBackup killBits32{HKEY_LOCAL_MACHINE, kKillBits, KEY_WOW64_32KEY};
    KeyBackup addons{HKEY_CURRENT_USER, kAddons};
    // An apply writes the user's browser options and records what they were in Hushbar's key.
    KeyBackup corvane{HKEY_CURRENT_USER, "Software\\Corvane"};
    KeyBackup zone{HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3"};
    KeyBackup main{HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main"};
    Settings settings;
    FakeSelection selection;
};

TEST_F(PolicyInForceTest, EveryKeyEndsAsTheTableSaysForEachCommand) {
    for (std::size_t row = 0; row < std::size(kRows); ++row) selection.Add(ControlId(row), true);

    struct Command {
        const char* name;
        PolicyMode mode;
        bool checked;
    };
    for (Command command : {Command{"switch on", PolicyMode::Blocking, true},
                            Command{"switch on, unchecked", PolicyMode::Blocking, false},
                            Command{"switch off", PolicyMode::Withdrawn, true}}) {
        std::fill(selection.itemChecks.begin(), selection.itemChecks.end(), command.checked);
        PlantAll(Before());
        EnforcePolicy(settings, selection, command.mode);
        for (std::size_t row = 0; row < std::size(kRows); ++row) {
            const bool blocks = command.mode == PolicyMode::Blocking && command.checked;
            for (const Place& place : kPlaces)
                EXPECT_EQ(Describe(place, blocks ? kRows[row].blocked : kRows[row].withdrawn),
                          Describe(place, ControlId(row)))
                    << command.name << ": " << kRows[row].what << ", view " << place.view;
        }
    }
}

TEST_F(PolicyInForceTest, EndStateEqualsWithdrawThenApplyKeyByKeyWithDuplicates) {
    // Mixed checks, and controls listed twice: unchecked then checked, in another case.
    for (std::size_t row = 0; row < std::size(kRows); ++row) selection.Add(ControlId(row), row % 2 == 0);
    for (std::size_t row = 1; row < std::size(kRows); row += 4) {
        std::string lower = ControlId(row);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        selection.Add(lower, true);
    }
    selection.Add(ControlId(3), false);
    selection.Add(ControlId(2), false);  // checked, then listed again unchecked: still blocked

    for (PolicyMode mode : {PolicyMode::Blocking, PolicyMode::Withdrawn}) {
        PlantAll(Before());
        if (mode == PolicyMode::Blocking) {
            WithdrawThenApplyKeyByKey();
        } else {
            std::vector<bool> checks = selection.itemChecks;
            std::fill(selection.itemChecks.begin(), selection.itemChecks.end(), false);
            WithdrawThenApplyKeyByKey();
            selection.itemChecks = checks;
        }
        const std::vector<std::string> keyByKey = Snapshot();

        PlantAll(Before());
        EnforcePolicy(settings, selection, mode);
        EXPECT_EQ(keyByKey, Snapshot()) << (mode == PolicyMode::Blocking ? "switch on" : "switch off");
    }
}

FILETIME LastWrite(const Place& place, const std::string& id) {
    FILETIME time{};
    HKEY key = nullptr;
    if (::RegOpenKeyExA(place.root, KeyPath(place, id).c_str(), 0, KEY_READ | place.view, &key) == ERROR_SUCCESS) {
        ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, &time);
        ::RegCloseKey(key);
    }
    return time;
}

// The status read after an apply takes the kill bits the apply saw instead of reading them
// again: it must say what a fresh reading says, after a first pass and one from memory.
TEST_F(PolicyInForceTest, TheApplysViewOfOthersKillBitsMatchesAFreshReading) {
    for (std::size_t row = 0; row < std::size(kRows); ++row) selection.Add(ControlId(row), row % 3 != 0);
    PlantAll(Before());
    for (int pass = 0; pass < 2; ++pass) {
        const PolicyReport report = EnforcePolicy(settings, selection, PolicyMode::Blocking);
        ASSERT_TRUE(report.foreignKillBits) << "pass " << pass;
        const auto seen = ReadPolicyVerdicts(settings, selection, true, report).Rows(selection.Items());
        const auto read = ReadPolicyVerdicts(settings, selection, true, PolicyReport{report.machineWideRefused, std::nullopt})
                              .Rows(selection.Items());
        ASSERT_EQ(read.size(), seen.size());
        for (std::size_t index = 0; index < read.size(); ++index)
            EXPECT_EQ(read[index].verdict.state, seen[index].verdict.state) << read[index].name << ", pass " << pass;
        EXPECT_EQ(FormatPolicyReport(read), FormatPolicyReport(seen)) << "names, class ids and deciding keys too";
    }
}

TEST_F(PolicyInForceTest, ApplyingAgainWithNothingChangedWritesNoKey) {
    for (std::size_t row = 0; row < std::size(kRows); ++row) selection.Add(ControlId(row), row % 3 != 0);
    PlantAll(Before());
    EnforcePolicy(settings, selection, PolicyMode::Blocking);
    const std::vector<std::string> applied = Snapshot();

    std::vector<FILETIME> before;
    for (std::size_t row = 0; row < std::size(kRows); ++row)
        for (const Place& place : kPlaces) before.push_back(LastWrite(place, ControlId(row)));
    ::Sleep(20);  // a rewrite would show in the keys' write times
    EnforcePolicy(settings, selection, PolicyMode::Blocking);

    EXPECT_EQ(applied, Snapshot());
    std::size_t at = 0;
    for (std::size_t row = 0; row < std::size(kRows); ++row) {
        for (const Place& place : kPlaces) {
            const FILETIME now = LastWrite(place, ControlId(row));
            EXPECT_TRUE(now.dwLowDateTime == before[at].dwLowDateTime &&
                        now.dwHighDateTime == before[at].dwHighDateTime)
                << kRows[row].what << ", view " << place.view;
            ++at;
        }
    }
}

}  // namespace

namespace {

TEST_F(PolicyInForceTest, ChangesBySomeoneElseBetweenTwoAppliesAreSeen) {
    for (std::size_t row = 0; row < std::size(kRows); ++row) selection.Add(ControlId(row), true);
    PlantAll(Before());
    EnforcePolicy(settings, selection, PolicyMode::Blocking);
    const std::vector<std::string> blocked = Snapshot();

    // Someone takes our bit out of a key we created, changing a value and nothing else.
    const std::size_t ours = 3;
    ASSERT_STREQ("ours, created", kRows[ours].what);
    for (const Place& place : kPlaces) {
        RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Open(place.root, KeyPath(place, ControlId(ours)).c_str(),
                                          RegKey::kWriteAccess | place.view));
        key.WriteDword(place.flagsName, 0);
    }
    EnforcePolicy(settings, selection, PolicyMode::Blocking);
    EXPECT_EQ(blocked, Snapshot()) << "our bit is put back";

    // The whole parent goes and comes back as it was before the first apply.
    for (const Place& place : kPlaces) {
        HKEY parent = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(place.root, place.parent.c_str(), 0, KEY_ALL_ACCESS | place.view, &parent));
        ::RegDeleteTreeA(parent, nullptr);
        ::RegCloseKey(parent);
        ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyExA(place.root, place.parent.c_str(), place.view, 0));
    }
    SetUp();
    PlantAll(Before());
    EnforcePolicy(settings, selection, PolicyMode::Blocking);
    EXPECT_EQ(blocked, Snapshot()) << "a new parent is read afresh";
}

}  // namespace

// What the browser does with a control or zone value, from every layer that may decide it.
namespace {

StoredValue Binary(const std::string& bytes) { return {true, 3, bytes}; }

struct LayerRow {
    const char* what;
    PolicyLayers layers;
    bool checked;
    bool machineWide;
    bool foreign;
    TargetState control;  // of the control "{AB-CD}", listed as ab-cd
    TargetState zone1400;  // with Hushbar disallowing 1400 when checked
    TargetState zone1C00;
    const char* controlKey;  // where the deciding key of the control starts ("" none)
};

PolicyLayers Machine(const char* name, StoredValue value) {
    PolicyLayers layers;
    layers.machineAddons.entries.emplace_back(name, value);
    return layers;
}
PolicyLayers User(const char* name, StoredValue value) {
    PolicyLayers layers;
    layers.userAddons.entries.emplace_back(name, value);
    return layers;
}
PolicyLayers Zones(StoredValue ZoneLayers::*layer, StoredValue value, bool machineOnly = false) {
    PolicyLayers layers;
    layers.zone1400.*layer = value;
    layers.zone1C00.*layer = value;
    if (machineOnly) layers.securityMachineOnly = DwordValue(1);
    return layers;
}
PolicyLayers Both(PolicyLayers machine, const PolicyLayers& user) {
    machine.userAddons = user.userAddons;
    return machine;
}
PolicyLayers Restricted(PolicyLayers layers, bool machine) {
    (machine ? layers.machineAddons : layers.userAddons).restrictToList = StringValue("1");
    return layers;
}

using S = TargetState;
const LayerRow kLayerRows[] = {
    {"nothing", {}, true, true, false, S::BlockedByHushbar, S::BlockedByHushbar, S::BlockedByHushbar, ""},
    {"nothing, unchecked", {}, false, true, false, S::NotBlocked, S::NotBlocked, S::NotBlocked, ""},
    {"kill bit refused", {}, true, false, false, S::BlockedForUserOnly, S::BlockedByHushbar, S::BlockedByHushbar, ""},
    {"someone's kill bit", {}, false, true, true, S::BlockedAlready, S::NotBlocked, S::NotBlocked, "HKLM\\SOFTWARE"},
    {"machine allows", Machine("{AB-CD}", StringValue("1")), true, true, false, S::AllowedByPolicy,
     S::BlockedByHushbar, S::BlockedByHushbar, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext\\CLSID"},
    {"machine allows, other case, no braces, DWORD", Machine("ab-cd", DwordValue(1)), true, true, true,
     S::AllowedByPolicy, S::BlockedByHushbar, S::BlockedByHushbar, "HKLM\\Software"},
    {"machine denies over user allowing", Both(Machine("{ab-cd}", StringValue("0")), User("{AB-CD}", StringValue("1"))),
     false, true, false, S::BlockedByPolicy, S::NotBlocked, S::NotBlocked, "HKLM\\Software"},
    {"user allows", User("{AB-CD}", StringValue("1")), true, true, false, S::AllowedByPolicy, S::BlockedByHushbar,
     S::BlockedByHushbar, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext\\CLSID"},
    {"user manages", User("{AB-CD}", StringValue("2")), true, false, false, S::BlockedForUserOnly,
     S::BlockedByHushbar, S::BlockedByHushbar, ""},
    {"unreadable words are not set", Both(Machine("{AB-CD}", Binary("1")), User("{AB-CD}", StringValue("01x"))), true,
     true, false, S::BlockedByHushbar, S::BlockedByHushbar, S::BlockedByHushbar, ""},
    {"empty, long and out-of-range words", Both(Machine("{AB-CD}", StringValue("")), User("{AB-CD}", StringValue(std::string(5000, '1')))),
     true, true, false, S::BlockedByHushbar, S::BlockedByHushbar, S::BlockedByHushbar, ""},
    {"restricted by the machine, unlisted", Restricted({}, true), true, true, false, S::BlockedByPolicy,
     S::BlockedByHushbar, S::BlockedByHushbar, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext\\RestrictToList"},
    {"restricted by the user, listed for the user", Restricted(User("{AB-CD}", StringValue("2")), false), true, true,
     false, S::BlockedByHushbar, S::BlockedByHushbar, S::BlockedByHushbar, ""},
    {"machine zone policy allows", Zones(&ZoneLayers::machinePolicy, DwordValue(0x10000)), true, true, false,
     S::BlockedByHushbar, S::AllowedByPolicy, S::AllowedByPolicy, ""},
    {"machine zone policy disallows", Zones(&ZoneLayers::machinePolicy, StringValue("3")), false, true, false,
     S::NotBlocked, S::BlockedByPolicy, S::NotBlocked, ""},
    {"user zone policy allows", Zones(&ZoneLayers::userPolicy, DwordValue(0)), true, true, false,
     S::BlockedByHushbar, S::AllowedByPolicy, S::BlockedByPolicy, ""},
    {"user zone policy unread with machine-only", Zones(&ZoneLayers::userPolicy, DwordValue(0), true), true, true,
     false, S::BlockedByHushbar, S::AllowedByPolicy, S::AllowedByPolicy, ""},
    {"machine-only, machine value disallows", Zones(&ZoneLayers::machinePreference, DwordValue(3), true), false,
     true, false, S::NotBlocked, S::BlockedAlready, S::NotBlocked, ""},
    {"machine value without machine-only", Zones(&ZoneLayers::machinePreference, DwordValue(3)), true, true, false,
     S::BlockedByHushbar, S::BlockedByHushbar, S::BlockedByHushbar, ""},
    {"zone policy of a binary type", Zones(&ZoneLayers::machinePolicy, Binary(std::string(4, '\0'))), true, true,
     false, S::BlockedByHushbar, S::BlockedByHushbar, S::BlockedByHushbar, ""},
};

}  // namespace

TEST(PolicyStateTest, EachLayerDecidesAsTheBrowserWeighsThem) {
    for (const LayerRow& row : kLayerRows) {
        const Verdict control = DecideControl(row.layers, {"{AB-CD}", row.checked, row.machineWide, row.foreign});
        EXPECT_EQ(row.control, control.state) << row.what;
        EXPECT_EQ(0u, control.decidingKey.find(row.controlKey)) << row.what << ": " << control.decidingKey;
        EXPECT_EQ(*row.controlKey == '\0', control.decidingKey.empty()) << row.what;
        EXPECT_EQ(row.zone1400, DecideZoneValue(row.layers, "1400", row.checked).state) << row.what;
        EXPECT_EQ(row.zone1C00, DecideZoneValue(row.layers, "1C00", row.checked).state) << row.what;
    }
}
