#pragma once
// Splitting a URL into the parts a connection needs. Plain text work: no Windows here,
// so the rules are tested directly.
#include <cstdint>
#include <string>

enum UrlScheme : int {
    kSchemeUnknown = -1,
    kSchemeFtp = 0,
    kSchemeGopher = 1,
    kSchemeHttp = 2,
    kSchemeHttps = 3,
    kSchemeFile = 4,
    kSchemeNews = 5,
    kSchemeMailto = 6,
    kSchemeSocks = 7,
};

struct UrlParts {
    // Limits in characters, terminator not counted.
    static constexpr std::size_t kMaxSchemeName = 32;
    static constexpr std::size_t kMaxHost = 256;
    static constexpr std::size_t kMaxUserName = 128;
    static constexpr std::size_t kMaxPassword = 128;
    static constexpr std::size_t kMaxPath = 2048;
    static constexpr std::size_t kMaxExtra = 2048;

    std::string schemeName;        // as written, before the first ':'
    int scheme = kSchemeUnknown;   // index in the scheme table, or kSchemeUnknown
    std::string host;
    std::uint16_t port = 0;        // from the URL, else the scheme's default
    std::string userName;
    std::string password;
    std::string path;              // from the first '/' after the host to '?' or '#'
    std::string extra;             // from that '?' or '#' to the end
};

// The scheme table: index by name without regard to case, kSchemeUnknown when absent.
int LookUpScheme(const std::string& name);
// 21, 70, 80, 443, 1080 for the network schemes; 0 for the others and unknown ones.
std::uint16_t DefaultPort(int scheme);

// Splits `url` into `parts`. Returns false, leaving `parts` unchanged, when the text has
// no scheme followed by ':', is malformed, or a part exceeds its limit. No
// percent-decoding is done.
bool SplitUrl(const std::string& url, UrlParts& parts);

// Where a redirect's Location leads from `base`: an absolute URL stays as it is, a path
// from "/" keeps the base's scheme and authority, "//host/..." keeps only the scheme,
// and any other text replaces the base's last path segment. Nothing when the result
// would not split, or when the Location leaves HTTP and HTTPS.
bool ResolveRedirect(const std::string& base, const std::string& location, std::string& resolved);
