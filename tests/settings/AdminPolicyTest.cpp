// Hushbar's own policy as read from the prefix's registry (both roots, planted and removed
// here), and the administrative template checked against the table the program reads by.
#include "settings/AdminPolicy.h"
#include "tests/support/KeyBackup.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>

namespace {

constexpr char kPolicies[] = "Software\\Policies\\Corvane";

class AdminPolicyRead : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(user_->Saved() && machine_->Saved());
        user_->Remove();
        machine_->Remove();
    }
    void TearDown() override { user_.reset(), machine_.reset(); }  // the planted keys go at once

    std::unique_ptr<KeyBackup> user_ = std::make_unique<KeyBackup>(HKEY_CURRENT_USER, kPolicies);
    std::unique_ptr<KeyBackup> machine_ = std::make_unique<KeyBackup>(HKEY_LOCAL_MACHINE, kPolicies, KEY_WOW64_64KEY);
};

TEST_F(AdminPolicyRead, TheMachineWinsValueByValueAndWhatIsOddIsIgnored) {
    EXPECT_EQ(AdminPolicy{}, ReadAdminPolicy()) << "nothing planted: every choice is the user's";
    // The machine forces blocking off and sets a selection entry; the user's policy sets the
    // same two otherwise, and more beside.
    Put(HKEY_LOCAL_MACHINE, kAdminPolicyKey, "Blocking", DWORD{0}, KEY_WOW64_64KEY);
    Put(HKEY_LOCAL_MACHINE, kAdminSelectionKey, "D27CDB6E-AE6D-11cf-96B8-444553540000", "no", KEY_WOW64_64KEY);
    Put(HKEY_LOCAL_MACHINE, kAdminPolicyKey, "AllowUpdate", "0", KEY_WOW64_64KEY);  // a string: not set
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "Blocking", DWORD{1});
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "AllowUpdate", DWORD{0});
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "StartWithWindows", DWORD{2});  // out of range
    Put(HKEY_CURRENT_USER, kAdminPolicyKey, "UpdateUrl", "https://updates.example.org/hushbar/update");
    Put(HKEY_CURRENT_USER, kAdminSelectionKey, "d27cdb6e-ae6d-11CF-96b8-444553540000", "yes");
    Put(HKEY_CURRENT_USER, kAdminSelectionKey, "Play_Animations", "no");
    Put(HKEY_CURRENT_USER, kAdminSelectionKey, "JavaApplet", "Yes");  // not "yes": ignored
    Put(HKEY_CURRENT_USER, kAdminSelectionKey, "Scripting", DWORD{1});
    Put(HKEY_CURRENT_USER, kAdminSelectionKey, "{not a class id}", "yes");

    const AdminPolicy policy = ReadAdminPolicy();
    EXPECT_EQ(std::optional<bool>(false), policy.blocking);
    EXPECT_EQ(std::optional<bool>(false), policy.allowUpdate);
    EXPECT_FALSE(policy.UpdateAllowed());
    EXPECT_FALSE(policy.startWithWindows.has_value());
    EXPECT_EQ("https://updates.example.org/hushbar/update/", policy.updateUrl);
    EXPECT_EQ(std::optional<std::uint32_t>(1), policy.selection.scripting);
    ASSERT_EQ(1u, policy.selection.categories.size());
    EXPECT_EQ(std::make_pair(Category::Animations, false), policy.selection.categories[0]);
    // Both names stay; the machine's comes first, and the first one wins where a list entry
    // takes it. The odd name is kept too: no entry of a block list can carry it.
    ASSERT_EQ(3u, policy.selection.entries.size());
    EXPECT_EQ(std::make_pair(std::string("D27CDB6E-AE6D-11cf-96B8-444553540000"), false),
              policy.selection.entries[0]);

    Settings settings;
    ApplyAdminPolicy(policy, settings);
    EXPECT_EQ(1, settings.switchedOff);
    EXPECT_EQ(1, settings.startWithWindows);  // as the user had it
}

TEST(AdminPolicyUrl, OnlyAnHttpOrHttpsUrlWithAHostIsTaken) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/", "http://h/"},
        {"HTTPS://updates.example.org/x", "HTTPS://updates.example.org/x/"},
        {"ftp://updates.example.org/", ""},
        {"https://", ""},
        {"https:///path/", ""},
        {"updates.example.org/hushbar/", ""},
        {"http://host/with space/", ""},
        {"http://host/\x7f", ""},
        {"", ""},
    };
    for (const auto& [url, taken] : cases) EXPECT_EQ(taken, UsableUpdateUrl(url)) << url;
    EXPECT_EQ("", UsableUpdateUrl("http://h/" + std::string(kMaxUpdateUrlLength, 'a')));
}

// --- The administrative template ---

std::string PolicyFile(const char* name) { return std::string(HUSHBAR_TEST_SOURCE) + "/policy/" + name; }

// "$(string.X)" or "$(presentation.X)" gives X; anything else "".
std::string Reference(const char* text, const std::string& kind) {
    const std::string value = text ? text : "";
    if (value.empty()) return "";
    const std::string head = "$(" + kind + ".";
    if (value.compare(0, head.size(), head) != 0 || value.back() != ')') return "";
    return value.substr(head.size(), value.size() - head.size() - 1);
}

// Every element below `node`, depth first.
template <typename Visit>
void ForEachElement(const TiXmlElement* node, Visit visit) {
    for (const TiXmlElement* child = node->FirstChildElement(); child; child = child->NextSiblingElement()) {
        visit(*child);
        ForEachElement(child, visit);
    }
}

using ValueKey = std::tuple<std::string, std::string, AdminValueType>;

TEST(AdministrativeTemplate, IsWellFormedResolvesEveryIdAndNamesExactlyTheValuesTheProgramReads) {
    TiXmlDocument admx(PolicyFile("hushbar.admx").c_str());
    TiXmlDocument adml(PolicyFile("en-US/hushbar.adml").c_str());
    ASSERT_TRUE(admx.LoadFile()) << admx.ErrorDesc() << " at line " << admx.ErrorRow();
    ASSERT_TRUE(adml.LoadFile()) << adml.ErrorDesc() << " at line " << adml.ErrorRow();
    const TiXmlElement* definitions = admx.RootElement();
    const TiXmlElement* resources = adml.RootElement();
    ASSERT_STREQ("policyDefinitions", definitions->Value());
    ASSERT_STREQ("policyDefinitionResources", resources->Value());

    std::set<std::string> strings;
    std::map<std::string, std::set<std::string>> presentations;  // id -> the refIds it shows
    ForEachElement(resources, [&](const TiXmlElement& element) {
        const char* id = element.Attribute("id");
        if (std::string(element.Value()) == "string" && id) {
            EXPECT_TRUE(strings.insert(id).second) << id;
        }
        if (std::string(element.Value()) == "presentation" && id)
            ForEachElement(&element, [&](const TiXmlElement& shown) {
                if (const char* refId = shown.Attribute("refId")) presentations[id].insert(refId);
            });
    });

    std::set<ValueKey> named;
    std::map<ValueKey, std::uint32_t> largest;
    std::set<std::string> categories;
    const auto note = [&](const std::string& key, const std::string& name, AdminValueType type, long number) {
        named.emplace(key, name, type);
        auto& top = largest[{key, name, type}];
        top = std::max(top, static_cast<std::uint32_t>(number));
    };
    ForEachElement(definitions, [&](const TiXmlElement& element) {
        const std::string tag = element.Value();
        for (const char* attribute : {"displayName", "explainText"})
            if (const char* text = element.Attribute(attribute)) {
                EXPECT_EQ(1u, strings.count(Reference(text, "string"))) << tag << " " << attribute << "=" << text;
            }
        if (tag == "category") categories.insert(element.Attribute("name"));
        if (tag != "policy") return;
        EXPECT_STREQ("Both", element.Attribute("class")) << element.Attribute("name");
        const TiXmlElement* parent = element.FirstChildElement("parentCategory");
        EXPECT_TRUE(parent && categories.count(parent->Attribute("ref"))) << element.Attribute("name");
        const std::string key = element.Attribute("key") ? element.Attribute("key") : "";
        std::set<std::string> ids;
        // Every number below `node` is one its value may hold.
        const auto numbers = [&](const TiXmlElement* node, const std::string& at, const char* name) {
            ForEachElement(node, [&](const TiXmlElement& value) {
                if (std::string(value.Value()) == "decimal")
                    note(at, name, AdminValueType::Dword, std::atol(value.Attribute("value")));
            });
        };
        if (const char* valueName = element.Attribute("valueName")) numbers(&element, key, valueName);
        if (const TiXmlElement* elements = element.FirstChildElement("elements"))
            for (const TiXmlElement* item = elements->FirstChildElement(); item; item = item->NextSiblingElement()) {
                const std::string kind = item->Value();
                ids.insert(item->Attribute("id"));
                const std::string itemKey = item->Attribute("key") ? item->Attribute("key") : key;
                const char* valueName = item->Attribute("valueName");
                if (kind == "list") note(itemKey, "", AdminValueType::String, 0);
                if (kind == "text") note(itemKey, valueName, AdminValueType::String, 0);
                if (kind == "enum") numbers(item, itemKey, valueName);
                EXPECT_TRUE(kind == "list" || kind == "text" || kind == "enum") << kind << ": not checked here";
            }
        const std::string presentation = Reference(element.Attribute("presentation"), "presentation");
        if (!ids.empty()) {
            EXPECT_EQ(ids, presentations[presentation]) << element.Attribute("name");
        }
    });

    std::set<ValueKey> read;
    for (const AdminPolicyValue& value : kAdminPolicyValues) {
        read.emplace(value.key, value.name, value.type);
        if (value.type == AdminValueType::Dword) {
            EXPECT_EQ(value.maximum, (largest[{value.key, value.name, value.type}])) << value.name;
        }
    }
    EXPECT_EQ(read, named);
}

}  // namespace
