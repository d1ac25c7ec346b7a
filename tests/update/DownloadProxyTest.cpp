// The system's proxy setting, as the downloader honours it: the end-to-end tests reach the
// test server under the program's fixed update host through it.
#include "tests/update/DownloadFixture.h"

#include <wininet.h>

namespace {

constexpr char kInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string ReadSetting(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[512];
    DWORD size = sizeof data;
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "<absent>";
    if (type == REG_DWORD) return "dword:" + std::to_string(*reinterpret_cast<DWORD*>(data));
    return std::string(data, size > 0 ? size - 1 : 0);
}

void WriteSetting(const char* name, const char* text) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_WRITE, nullptr,
                    &key, nullptr);
    if (text != nullptr)
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(strlen(text) + 1));
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

}  // namespace

TEST_F(DownloadTest, SystemProxySettingIsHonouredWhileOverriddenAndRestoredAfter) {
    const std::string enableBefore = ReadSetting("ProxyEnable");
    const std::string serverBefore = ReadSetting("ProxyServer");
    const std::string bypassBefore = ReadSetting("ProxyOverride");
    WriteSetting("ProxyServer", "previous.invalid:1");
    WriteSetting("ProxyOverride", "<local>");

    {
        ProxyOverride proxy(Port());
        EXPECT_EQ("dword:1", ReadSetting("ProxyEnable"));
        EXPECT_EQ("127.0.0.1:" + std::to_string(Port()), ReadSetting("ProxyServer"));
        HttpDownloader downloader;  // the system's configuration, as the program uses it
        downloader.SetUrl("http://updates.hushbar.example/gen/64");
        downloader.SetDestinationPath(Destination());
        DownloadRecorder recorder;
        EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
        EXPECT_EQ(GeneratedBytes(64), ReadFileText(Destination()));
        std::vector<LoggedRequest> log = server_->RequestLog();
        ASSERT_EQ(1u, log.size());
        EXPECT_TRUE(IsProxiedRequestFor("/gen/64", log[0].target)) << log[0].target;
    }
    EXPECT_EQ(enableBefore, ReadSetting("ProxyEnable"));
    EXPECT_EQ("previous.invalid:1", ReadSetting("ProxyServer"));
    EXPECT_EQ("<local>", ReadSetting("ProxyOverride"));

    WriteSetting("ProxyServer", serverBefore[0] == '<' ? nullptr : serverBefore.c_str());
    WriteSetting("ProxyOverride", bypassBefore[0] == '<' ? nullptr : bypassBefore.c_str());
}
