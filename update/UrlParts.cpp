#include "update/UrlParts.h"

#include <cctype>
#include <utility>

namespace {

struct SchemeEntry {
    const char* name;
    std::uint16_t defaultPort;
};

// The index of an entry is its scheme value.
constexpr SchemeEntry kSchemes[] = {
    {"ftp", 21}, {"gopher", 70}, {"http", 80},   {"https", 443},
    {"file", 0}, {"news", 0},    {"mailto", 0},  {"socks", 1080},
};

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// Letters, then letters, digits, '+', '-' or '.': anything else before the first ':' is
// not a scheme (a bare "host:port/path", a drive letter path with backslashes...).
bool IsSchemeName(const std::string& name) {
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// Blanks and control characters end a URL's text; they cannot stand in any part of it.
bool HasForbiddenCharacter(const std::string& text) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) return true;
    }
    return false;
}

bool ParsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    unsigned long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value > 0xFFFF) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

// [user[:password]@]host[:port], or an IPv6 literal in brackets for the host.
bool SplitAuthority(const std::string& authority, int scheme, UrlParts& out) {
    std::string hostAndPort = authority;
    std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string userInfo = authority.substr(0, at);
        hostAndPort = authority.substr(at + 1);
        std::size_t colon = userInfo.find(':');
        out.userName = userInfo.substr(0, colon);
        if (colon != std::string::npos) out.password = userInfo.substr(colon + 1);
        if (out.userName.empty() && !out.password.empty()) return false;
        if (out.userName.size() > UrlParts::kMaxUserName) return false;
        if (out.password.size() > UrlParts::kMaxPassword) return false;
    }

    std::string portText;
    bool hasPort = false;
    if (!hostAndPort.empty() && hostAndPort[0] == '[') {
        std::size_t close = hostAndPort.find(']');
        if (close == std::string::npos) return false;
        out.host = hostAndPort.substr(1, close - 1);
        std::string rest = hostAndPort.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return false;
            hasPort = true;
            portText = rest.substr(1);
        }
    } else {
        std::size_t colon = hostAndPort.find(':');
        out.host = hostAndPort.substr(0, colon);
        if (colon != std::string::npos) {
            hasPort = true;
            portText = hostAndPort.substr(colon + 1);
        }
    }
    if (out.host.size() > UrlParts::kMaxHost) return false;
    if (out.host.empty() && scheme != kSchemeFile) return false;

    out.port = DefaultPort(scheme);
    // "host:" with nothing after the colon keeps the default port.
    if (hasPort && !portText.empty()) {
        std::uint16_t port = 0;
        if (!ParsePort(portText, port)) return false;
        out.port = port;
    }
    if (scheme == kSchemeFile || scheme == kSchemeNews || scheme == kSchemeMailto) out.port = 0;
    return true;
}

// Path up to the first '?' or '#', the rest as extra; "file" keeps everything as path.
bool SplitPathAndExtra(const std::string& text, int scheme, UrlParts& out) {
    std::size_t mark = scheme == kSchemeFile ? std::string::npos : text.find_first_of("?#");
    out.path = text.substr(0, mark);
    if (mark != std::string::npos) out.extra = text.substr(mark);
    return out.path.size() <= UrlParts::kMaxPath && out.extra.size() <= UrlParts::kMaxExtra;
}

}  // namespace

int LookUpScheme(const std::string& name) {
    for (int i = 0; i < static_cast<int>(sizeof kSchemes / sizeof kSchemes[0]); ++i) {
        if (EqualsIgnoringCase(name, kSchemes[i].name)) return i;
    }
    return kSchemeUnknown;
}

std::uint16_t DefaultPort(int scheme) {
    if (scheme < 0 || scheme >= static_cast<int>(sizeof kSchemes / sizeof kSchemes[0])) return 0;
    return kSchemes[scheme].defaultPort;
}

bool SplitUrl(const std::string& url, UrlParts& parts) {
    if (HasForbiddenCharacter(url)) return false;
    std::size_t colon = url.find(':');
    if (colon == std::string::npos) return false;

    UrlParts out;
    out.schemeName = url.substr(0, colon);
    if (out.schemeName.size() > UrlParts::kMaxSchemeName || !IsSchemeName(out.schemeName))
        return false;
    out.scheme = LookUpScheme(out.schemeName);

    std::string rest = url.substr(colon + 1);
    if (rest.compare(0, 2, "//") == 0) {
        rest.erase(0, 2);
        std::size_t end = out.scheme == kSchemeFile ? rest.find('/') : rest.find_first_of("/?#");
        if (!SplitAuthority(rest.substr(0, end), out.scheme, out)) return false;
        rest = end == std::string::npos ? std::string() : rest.substr(end);
    } else if (out.scheme == kSchemeFile || out.scheme == kSchemeNews ||
               out.scheme == kSchemeMailto) {
        // These name no server: what follows the colon is all path ("mailto:a@b").
        out.port = 0;
    } else {
        // A network scheme without "//" is a bare "host:port" misread as a scheme.
        return false;
    }
    if (!SplitPathAndExtra(rest, out.scheme, out)) return false;

    parts = std::move(out);
    return true;
}

bool ResolveRedirect(const std::string& base, const std::string& location, std::string& resolved) {
    UrlParts baseParts;
    if (location.empty() || !SplitUrl(base, baseParts)) return false;
    std::string target;
    const std::size_t schemeEnd = base.find("://");
    if (schemeEnd == std::string::npos) return false;
    const std::size_t authorityEnd = base.find_first_of("/?#", schemeEnd + 3);
    const std::string origin = base.substr(0, authorityEnd);

    UrlParts locationParts;
    if (SplitUrl(location, locationParts) && location.find("://") != std::string::npos) {
        target = location;
    } else if (location.compare(0, 2, "//") == 0) {
        target = base.substr(0, schemeEnd + 1) + location;
    } else if (location[0] == '/') {
        target = origin + location;
    } else {
        std::string folder = baseParts.path.empty() ? std::string("/") : baseParts.path;
        folder.erase(folder.find_last_of('/') + 1);
        target = origin + folder + location;
    }
    UrlParts targetParts;
    if (!SplitUrl(target, targetParts)) return false;
    if (targetParts.scheme != kSchemeHttp && targetParts.scheme != kSchemeHttps) return false;
    resolved = target;
    return true;
}
