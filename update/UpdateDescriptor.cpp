#include "update/UpdateDescriptor.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include <tinyxml.h>

namespace {

// TinyXML steps over a UTF-8 sequence by the length its lead byte announces, so a text
// that ends inside one would be read past its end: the parser gets a copy with enough
// NUL bytes behind it to stop on whatever it skips to.
constexpr std::size_t kParsePadding = 8;

bool ReadNumber(const TiXmlElement& element, const char* name, double& value) {
    const char* text = element.Attribute(name);
    if (!text) return false;
    double number = 0.0;
    // Whatever follows the number is ignored, as "%lf" does; "nan" and "inf" are not
    // versions anything could be compared with.
    if (std::sscanf(text, "%lf", &number) != 1 || !std::isfinite(number)) return false;
    value = number;
    return true;
}

std::optional<UpdateDescriptor> FromDocument(const TiXmlDocument& document) {
    const TiXmlNode* node = document.FirstChild("hushbar");
    const TiXmlElement* element = node ? node->ToElement() : nullptr;
    if (!element) return std::nullopt;
    UpdateDescriptor descriptor;
    if (!ReadNumber(*element, "version", descriptor.version) ||
        !ReadNumber(*element, "dataversion", descriptor.dataVersion))
        return std::nullopt;
    if (const char* size = element->Attribute("size")) {
        descriptor.packageSize = ParseByteCount(size);
        if (!descriptor.packageSize) return std::nullopt;
    }
    if (const char* sha256 = element->Attribute("sha256")) {
        descriptor.packageSha256 = ParseSha256Hex(sha256);
        if (!descriptor.packageSha256) return std::nullopt;
    }
    return descriptor;
}

}  // namespace

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text;
    char block[4096];
    while (file.read(block, sizeof block) || file.gcount() > 0) {
        text.append(block, static_cast<std::size_t>(file.gcount()));
        if (text.size() > maxBytes) return std::nullopt;
    }
    if (file.bad()) return std::nullopt;
    return text;
}

std::optional<UpdateDescriptor> LoadUpdateDescriptor(const std::string& path) {
    std::optional<std::string> text = ReadSmallFile(path, kMaxDescriptorBytes);
    if (!text) return std::nullopt;
    return ParseUpdateDescriptor(*text);
}

std::optional<UpdateDescriptor> ParseUpdateDescriptor(const std::string& xml) {
    if (xml.size() > kMaxDescriptorBytes) return std::nullopt;
    std::vector<char> padded(xml.begin(), xml.end());
    padded.resize(xml.size() + kParsePadding, '\0');
    TiXmlDocument document;
    document.Parse(padded.data());
    if (document.Error()) return std::nullopt;
    return FromDocument(document);
}

UpdateOffer CompareDescriptors(const UpdateDescriptor& installed, const UpdateDescriptor& offered) {
    if (offered.version > installed.version) return UpdateOffer::NewerProgram;
    if (offered.dataVersion > installed.dataVersion) return UpdateOffer::NewerData;
    return UpdateOffer::UpToDate;
}
