#include "engine/PolicyExport.h"

#include "engine/PolicyTargets.h"

#include <cstdio>

namespace {

constexpr char kMachine[] = "HKEY_LOCAL_MACHINE\\";
constexpr char kUser[] = "HKEY_CURRENT_USER\\";
// The 32-bit view of HKLM\SOFTWARE as a 64-bit reg import sees it.
constexpr char kWow64Software[] = "SOFTWARE\\WOW6432Node\\";

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Dword(std::uint32_t value) {
    char text[20];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
    return text;
}

void Key(std::string& out, const std::string& path) { out += "\r\n[" + path + "]\r\n"; }

void Value(std::string& out, const char* name, const std::string& data) { out += Quoted(name) + "=" + data + "\r\n"; }

}  // namespace

std::string FormatPolicyRegFile(const Selection& selection) {
    std::string out = "REGEDIT4\r\n";
    const std::string wowParent = std::string(kWow64Software) + (kKillBitParentPath + sizeof "SOFTWARE");
    // The list loader already turned down class ids that cannot name a key.
    for (const BlockItem& item : selection.Items()) {
        if (!selection.IsChecked(item) || item.classId().empty()) continue;
        const std::string name = KillBitKeyName(item.classId());
        Key(out, kMachine + KillBitKeyPath(item.classId()));
        Value(out, kKillBitValueName, Dword(kKillBitFlag));
        Key(out, kMachine + wowParent + "\\" + name);
        Value(out, kKillBitValueName, Dword(kKillBitFlag));
        Key(out, kUser + std::string(kAddonSettingsPath) + "\\" + name);
        Value(out, kAddonFlagsValueName, Dword(kAddonDisabledFlag));
    }
    const char* openKey = nullptr;
    for (const PolicyTarget& target : kPolicyTargets) {
        PolicyData data = target.neutral;
        if (target.trigger == PolicyTrigger::ScriptingChoice)
            data = PolicyData{ScriptingPolicyValue(selection.ScriptingIndex()), nullptr};
        else if (selection.IsChecked(target.category))
            data = target.blocking;
        if (openKey != target.keyPath) Key(out, kUser + std::string(target.keyPath));
        openKey = target.keyPath;
        for (const char* value : target.values) {
            if (!value) break;
            Value(out, value, target.type == PolicyValueType::Dword ? Dword(data.number) : Quoted(data.text));
        }
    }
    return out;
}
