// The URL splitter and the resolution of a redirect's Location against a base: the
// input is split at its first newline into base and location.
#include "update/UrlParts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    UrlParts parts;
    if (SplitUrl(text, parts)) {
        if (parts.host.size() > UrlParts::kMaxHost || parts.path.size() > UrlParts::kMaxPath ||
            parts.extra.size() > UrlParts::kMaxExtra)
            std::abort();
    }
    const std::size_t newline = text.find('\n');
    if (newline != std::string::npos) {
        std::string resolved;
        if (ResolveRedirect(text.substr(0, newline), text.substr(newline + 1), resolved)) {
            UrlParts target;
            if (!SplitUrl(resolved, target)) std::abort();
        }
    }
    LookUpScheme(text);
    return 0;
}
