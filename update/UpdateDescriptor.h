#pragma once
// The update descriptor: an XML file whose first top-level "hushbar" element carries the
// program version and the version of the block-list data as decimal numbers. Versions
// are numbers, not dotted strings: 2.10 is less than 2.2.
#include <optional>
#include <string>

struct UpdateDescriptor {
    double version = 0.0;
    double dataVersion = 0.0;
};

// Nothing when the file does not load, is not well-formed, has no "hushbar" element, or
// lacks a numeric "version" or "dataversion": such a descriptor cannot be compared.
std::optional<UpdateDescriptor> LoadUpdateDescriptor(const std::string& path);
std::optional<UpdateDescriptor> ParseUpdateDescriptor(const std::string& xml);

enum class UpdateOffer {
    NewerProgram,  // the program itself is newer: only the product page helps
    NewerData,     // same program, newer block list: fetch the package
    UpToDate,
};

// A newer program wins over newer data; equal is not newer.
UpdateOffer CompareDescriptors(const UpdateDescriptor& installed, const UpdateDescriptor& offered);
