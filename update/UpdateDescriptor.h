#pragma once
// The update descriptor: an XML file whose first top-level "hushbar" element carries the
// program version and the version of the block-list data as decimal numbers. Versions
// are numbers, not dotted strings: 2.10 is less than 2.2. The server's descriptor also
// names the package it announces: its size in bytes and its SHA-256.
#include "update/DigestText.h"

#include <cstdint>
#include <optional>
#include <string>

struct UpdateDescriptor {
    UpdateDescriptor() = default;
    UpdateDescriptor(double programVersion, double blockListVersion)
        : version(programVersion), dataVersion(blockListVersion) {}

    double version = 0.0;
    double dataVersion = 0.0;
    // Only when the "size" and "sha256" attributes are present and well-formed.
    std::optional<std::uint32_t> packageSize;
    std::optional<Sha256Digest> packageSha256;
};

// The largest descriptor the program reads; a longer file is not one.
constexpr std::size_t kMaxDescriptorBytes = 64 * 1024;

// Nothing when the file does not load, is longer than kMaxDescriptorBytes, is not
// well-formed, has no "hushbar" element, or lacks a numeric "version" or "dataversion":
// such a descriptor cannot be compared. A "size" or "sha256" that is present but
// malformed also makes the descriptor unreadable.
std::optional<UpdateDescriptor> LoadUpdateDescriptor(const std::string& path);
std::optional<UpdateDescriptor> ParseUpdateDescriptor(const std::string& xml);

// The whole file when it can be read and holds at most `maxBytes`; nothing otherwise.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes);

enum class UpdateOffer {
    NewerProgram,  // the program itself is newer: only the product page helps
    NewerData,     // same program, newer block list: fetch the package
    UpToDate,
};

// A newer program wins over newer data; equal is not newer.
UpdateOffer CompareDescriptors(const UpdateDescriptor& installed, const UpdateDescriptor& offered);
