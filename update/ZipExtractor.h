#pragma once
// Unpacks a ZIP archive into a folder: full paths, missing folders created, each entry
// written to a file with its time stamp restored. An entry is unpacked into a temporary
// file beside its target and replaces the target only once it was read whole and its
// CRC matched: a damaged entry leaves the file of that name as it was. Nothing an archive names is written
// outside the output folder: an entry whose name is absolute, carries a drive or climbs
// out with ".." fails the extraction.
#include "win/UniqueHandle.h"
#include "win/Win32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <unzip.h>

struct UnzipTraits {
    using Type = unzFile;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::unzClose(h); }
};
using UniqueUnzip = UniqueHandle<UnzipTraits>;

// What the archive says about its current entry.
struct ArchiveEntryInfo {
    std::string name;  // every "/" turned into a backslash
    std::string comment;
    std::uint32_t versionMadeBy = 0;
    std::uint32_t versionNeeded = 0;
    std::uint32_t flags = 0;
    std::uint32_t compressionMethod = 0;
    std::uint32_t dosDateTime = 0;  // DOS date in the high 16 bits, time in the low 16
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    // The folder attribute, or a name that ends with a separator (archivers that keep
    // Unix modes mark folders only that way).
    bool isFolder = false;
};

class ZipExtractor {
public:
    // Decides per entry whether it is written; an entry it turns down is skipped and
    // counts neither as written nor as a failure.
    using EntryFilter = std::function<bool(const ArchiveEntryInfo&)>;

    ZipExtractor() = default;
    explicit ZipExtractor(const char* archivePath) { Open(archivePath); }
    ~ZipExtractor() { Close(); }
    ZipExtractor(const ZipExtractor&) = delete;
    ZipExtractor& operator=(const ZipExtractor&) = delete;

    // Opens the archive and makes its own folder the output folder.
    bool Open(const char* archivePath);
    bool IsOpen() const noexcept { return archive_.IsValid(); }
    void Close();

    // Fails, leaving the folder as it was, when an ordinary file has that name.
    bool SetOutputFolder(const char* folder);
    const std::string& OutputFolder() const noexcept { return outputFolder_; }

    void SetEntryFilter(EntryFilter filter) { filter_ = std::move(filter); }
    // The most bytes one entry may unpack to; a longer one fails while it is unpacked,
    // whatever its header claims. 0 means no bound.
    void SetMaxEntryBytes(std::uint64_t maxBytes) { maxEntryBytes_ = maxBytes; }
    // Asked between blocks; true stops the entry being unpacked, which then fails.
    void SetStopCheck(std::function<bool()> stop) { stop_ = std::move(stop); }

    // Every entry into the output folder; stops at the first entry that fails (files
    // written before it stay). An archive without entries fails.
    bool ExtractAll(bool ignoreFolderNames);
    // The current entry into `folder`, or into the output folder when it is null. With
    // folder names ignored a file lands directly in the folder; a folder entry is still
    // created.
    bool ExtractCurrent(const char* folder, bool ignoreFolderNames);

    unsigned long GetEntryCount() const;
    bool GoToFirst();
    bool GoToNext();
    bool GetCurrentEntryInfo(ArchiveEntryInfo& info) const;

    // The current entry into a new temporary file in `folder` ("hbu....tmp"), whose path
    // goes into `temporaryPath`. The file stays only when the entry was read whole, its
    // CRC matched and it kept to the size bound; otherwise it is removed and the result
    // is false. Nothing else in the folder is touched.
    bool ExtractCurrentToTemporary(const std::string& folder, std::string& temporaryPath);

    // Full paths of the files written since the archive was opened.
    const std::vector<std::string>& WrittenFiles() const noexcept { return written_; }

private:
    bool CopyCurrentEntry(const std::string& target, const ArchiveEntryInfo& info);
    bool UnpackCurrentInto(HANDLE file);

    UniqueUnzip archive_;
    std::string outputFolder_;
    EntryFilter filter_;
    std::uint64_t maxEntryBytes_ = 0;
    std::function<bool()> stop_;
    std::vector<std::string> written_;
};

// Creates a folder and any missing parents. True when the folder exists afterwards;
// false when the path, or one of its parents, is an ordinary file.
bool CreateFolderPath(const char* path);

// Sets a file's creation and last-write times to a DOS date and time taken as local time;
// the last-access time stays as it was.
bool SetFileTimeFromDos(const char* path, std::uint32_t dosDateTime);

// Whether an entry name stays inside the folder it is unpacked into: not empty, not
// absolute, no drive or stream colon, and no component that the system would read as a
// step up (".." and its variants with trailing dots or blanks).
bool IsSafeEntryName(const std::string& name);
