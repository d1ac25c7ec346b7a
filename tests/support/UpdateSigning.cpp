#include "support/UpdateSigning.h"

#include "support/TestHttpServer.h"
#include "support/ZipTestFiles.h"
#include "update/UpdateVerifier.h"
#include "win/Win32.h"

#include <cstdio>

namespace {

constexpr char kBash[] = "Z:\\bin\\bash";
constexpr DWORD kSignWaitMs = 20000;

std::string Hex(const Sha256Digest& digest) {
    std::string text;
    char pair[3];
    for (std::uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

}  // namespace

std::string OfferedDescriptor(const std::string& version, const std::string& dataVersion, const std::string* package) {
    std::string attributes = "version=\"" + version + "\" dataversion=\"" + dataVersion + "\"";
    if (package) {
        std::optional<Sha256Digest> digest = Sha256Of(*package);
        attributes += " size=\"" + std::to_string(package->size()) + "\" sha256=\"" + (digest ? Hex(*digest) : "") + "\"";
    }
    return "<?xml version=\"1.0\" ?>\n<hushbar " + attributes + " />\n";
}

bool SignWithBuildKey(const std::string& windowsPath) {
    const std::string signature = windowsPath + ".sig";
    ::DeleteFileA(signature.c_str());
    std::string command = std::string("bash \"") + HUSHBAR_TEST_SIGN_SCRIPT + "\" \"" + UnixPathOf(windowsPath) +
                          "\" \"" + HUSHBAR_TEST_SIGNING_KEY + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(kBash, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hThread) ::CloseHandle(process.hThread);
    if (process.hProcess) ::CloseHandle(process.hProcess);
    // A Unix program comes back without a handle to wait on; the script moves the
    // finished signature into place in one step.
    for (DWORD waited = 0; waited < kSignWaitMs; waited += 20) {
        if (FileExists(signature)) return true;
        ::Sleep(20);
    }
    return false;
}
