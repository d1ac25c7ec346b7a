#include "win/ShellOpen.h"

#include <shellapi.h>

namespace {

bool ShellExecuteOpen(const char* target) {
    const auto result =
        reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

ShellOpener opener = &ShellExecuteOpen;

}  // namespace

bool OpenWithShell(const char* target) { return opener(target); }

ShellOpener SetShellOpenerForTesting(ShellOpener replacement) {
    ShellOpener previous = opener;
    opener = replacement ? replacement : &ShellExecuteOpen;
    return previous;
}
