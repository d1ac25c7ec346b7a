#pragma once
// Test helpers: ZIP archives written byte by byte (stored or deflated entries, folder
// entries, a deliberately wrong CRC), scratch folders that clean up after themselves, and
// small file utilities.
#include <cstdint>
#include <string>
#include <vector>

class ZipArchiveWriter {
public:
    // 2021-06-15 13:45:30 in DOS form: date in the high word, time in the low word.
    static constexpr std::uint32_t kDefaultDosTime = (((2021 - 1980) << 9 | 6 << 5 | 15) << 16) | (13 << 11 | 45 << 5 | 15);

    ZipArchiveWriter& AddFile(const std::string& name, const std::string& data, std::uint32_t dosDateTime = kDefaultDosTime,
                              bool deflate = false);
    ZipArchiveWriter& AddFolder(const std::string& name);
    // The last entry added claims a CRC its data does not have.
    ZipArchiveWriter& BreakLastCrc();
    // One byte of the last entry's data as it lies in the archive is flipped; its CRC
    // stays the one of the good data.
    ZipArchiveWriter& FlipLastByte(std::size_t offset);

    std::string Bytes() const;
    bool WriteTo(const std::string& path) const;

private:
    struct Entry {
        std::string name;
        std::string stored;  // the bytes as they lie in the archive
        std::uint32_t crc = 0;
        std::uint32_t size = 0;
        std::uint16_t method = 0;
        std::uint32_t dosDateTime = 0;
        std::uint32_t externalAttributes = 0;
    };
    std::vector<Entry> entries_;
};

// A fresh, empty folder under the temporary folder, removed with all it holds at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Ends with a backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

bool WriteTextFile(const std::string& path, const std::string& data);
// The whole file; empty when it cannot be opened.
std::string ReadFileText(const std::string& path);
// The whole file, or "<missing>" when there is none.
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
void RemoveTree(const std::string& path);
