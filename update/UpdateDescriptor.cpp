#include "update/UpdateDescriptor.h"

#include <cmath>
#include <cstdio>

#include <tinyxml.h>

namespace {

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
    return descriptor;
}

}  // namespace

std::optional<UpdateDescriptor> LoadUpdateDescriptor(const std::string& path) {
    TiXmlDocument document;
    if (!document.LoadFile(path.c_str())) return std::nullopt;
    return FromDocument(document);
}

std::optional<UpdateDescriptor> ParseUpdateDescriptor(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    if (document.Error()) return std::nullopt;
    return FromDocument(document);
}

UpdateOffer CompareDescriptors(const UpdateDescriptor& installed, const UpdateDescriptor& offered) {
    if (offered.version > installed.version) return UpdateOffer::NewerProgram;
    if (offered.dataVersion > installed.dataVersion) return UpdateOffer::NewerData;
    return UpdateOffer::UpToDate;
}
