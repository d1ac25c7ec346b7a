#include "update/ZipExtractor.h"

#include <cstring>

namespace {

constexpr std::size_t kMaxPath = MAX_PATH;  // 260 characters without the terminator
constexpr std::size_t kMaxComment = 255;
constexpr unsigned kCopyBlock = 0x800;
constexpr std::uint32_t kFolderAttribute = 0x10;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

std::string FullPath(const std::string& path) {
    char buffer[kMaxPath + 1];
    char* filePart = nullptr;
    DWORD length = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &filePart);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return std::string(buffer, length);
}

std::string WithTrailingBackslash(std::string folder) {
    if (!folder.empty() && !IsSeparator(folder.back())) folder += '\\';
    return folder;
}

// The resolved target must lie below the resolved folder: the system's own reading of
// the path is the last word on where a name leads (device names, trailing dots).
bool LiesInside(const std::string& folder, const std::string& target) {
    std::string fullFolder = WithTrailingBackslash(FullPath(folder));
    std::string fullTarget = FullPath(target);
    if (fullFolder.empty() || fullTarget.size() <= fullFolder.size()) return false;
    return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, fullFolder.c_str(),
                            static_cast<int>(fullFolder.size()), fullTarget.c_str(),
                            static_cast<int>(fullFolder.size())) == CSTR_EQUAL;
}

bool CreateParentFolder(const std::string& filePath) {
    std::string::size_type slash = filePath.find_last_of('\\');
    if (slash == std::string::npos) return false;
    return CreateFolderPath(filePath.substr(0, slash).c_str());
}

}  // namespace

bool IsSafeEntryName(const std::string& name) {
    if (name.empty() || IsSeparator(name.front())) return false;
    if (name.find(':') != std::string::npos) return false;
    bool anyComponent = false;
    std::string::size_type start = 0;
    while (start <= name.size()) {
        std::string::size_type end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (end > start) {
            // The system drops trailing dots and blanks of a component, so ". ." and
            // "..." read as "." and ".." do.
            std::string::size_type kept = end;
            while (kept > start && (name[kept - 1] == '.' || name[kept - 1] == ' ')) --kept;
            if (kept == start) return false;
            anyComponent = true;
        }
        start = end + 1;
    }
    return anyComponent;
}

bool CreateFolderPath(const char* path) {
    if (!path || !*path) return false;
    std::string folder(path);
    // "C:\dir\" names the same folder as "C:\dir"; only a root keeps its separator.
    while (folder.size() > 1 && IsSeparator(folder.back()) && folder[folder.size() - 2] != ':') folder.pop_back();

    DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

    std::string::size_type slash = folder.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && !CreateFolderPath(folder.substr(0, slash).c_str())) return false;
    if (::CreateDirectoryA(folder.c_str(), nullptr)) return true;
    // Someone else may have made it in the meantime.
    attributes = ::GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SetFileTimeFromDos(const char* path, std::uint32_t dosDateTime) {
    UniqueFile file(::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    FILETIME created{}, accessed{}, written{};
    if (!::GetFileTime(file.Get(), &created, &accessed, &written)) return false;
    FILETIME local{}, utc{};
    if (!::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return false;
    if (!::LocalFileTimeToFileTime(&local, &utc)) return false;
    return ::SetFileTime(file.Get(), &utc, &accessed, &utc) != FALSE;
}

bool ZipExtractor::Open(const char* archivePath) {
    Close();
    if (!archivePath || !*archivePath) return false;
    std::string full = FullPath(archivePath);
    if (full.empty()) return false;
    archive_.Reset(::unzOpen(full.c_str()));
    if (!archive_) return false;
    outputFolder_ = full.substr(0, full.find_last_of('\\') + 1);
    return true;
}

void ZipExtractor::Close() {
    if (archive_) ::unzCloseCurrentFile(archive_.Get());
    archive_.Reset();
    outputFolder_.clear();
    written_.clear();
}

bool ZipExtractor::SetOutputFolder(const char* folder) {
    if (!folder || !*folder || std::strlen(folder) > kMaxPath) return false;
    DWORD attributes = ::GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    outputFolder_ = folder;
    return CreateFolderPath(folder);
}

unsigned long ZipExtractor::GetEntryCount() const {
    if (!archive_) return 0;
    unz_global_info global{};
    if (::unzGetGlobalInfo(archive_.Get(), &global) != UNZ_OK) return 0;
    return global.number_entry;
}

bool ZipExtractor::GoToFirst() {
    return archive_ && ::unzGoToFirstFile(archive_.Get()) == UNZ_OK;
}

bool ZipExtractor::GoToNext() {
    return archive_ && ::unzGoToNextFile(archive_.Get()) == UNZ_OK;
}

bool ZipExtractor::GetCurrentEntryInfo(ArchiveEntryInfo& info) const {
    if (!archive_) return false;
    unz_file_info raw{};
    char name[kMaxPath + 1] = {};
    char comment[kMaxComment + 1] = {};
    if (::unzGetCurrentFileInfo(archive_.Get(), &raw, name, kMaxPath, nullptr, 0, comment, kMaxComment) != UNZ_OK)
        return false;
    // A cut name would write some other file than the one the archive means.
    if (raw.size_filename >= kMaxPath) return false;
    name[raw.size_filename] = '\0';
    comment[raw.size_file_comment < kMaxComment ? raw.size_file_comment : kMaxComment] = '\0';

    info.name = name;
    for (char& c : info.name)
        if (c == '/') c = '\\';
    info.comment = comment;
    info.versionMadeBy = static_cast<std::uint32_t>(raw.version);
    info.versionNeeded = static_cast<std::uint32_t>(raw.version_needed);
    info.flags = static_cast<std::uint32_t>(raw.flag);
    info.compressionMethod = static_cast<std::uint32_t>(raw.compression_method);
    info.dosDateTime = static_cast<std::uint32_t>(raw.dosDate);
    info.crc32 = static_cast<std::uint32_t>(raw.crc);
    info.compressedSize = static_cast<std::uint32_t>(raw.compressed_size);
    info.uncompressedSize = static_cast<std::uint32_t>(raw.uncompressed_size);
    info.internalAttributes = static_cast<std::uint32_t>(raw.internal_fa);
    info.externalAttributes = static_cast<std::uint32_t>(raw.external_fa);
    info.isFolder = (info.externalAttributes & kFolderAttribute) != 0 || (!info.name.empty() && info.name.back() == '\\');
    return true;
}

bool ZipExtractor::ExtractAll(bool ignoreFolderNames) {
    if (!archive_ || !CreateFolderPath(outputFolder_.c_str()) || GetEntryCount() == 0 || !GoToFirst()) return false;
    for (;;) {
        if (!ExtractCurrent(outputFolder_.c_str(), ignoreFolderNames)) return false;
        if (!GoToNext()) return true;
    }
}

bool ZipExtractor::ExtractCurrent(const char* folder, bool ignoreFolderNames) {
    if (!archive_) return false;
    const std::string base = folder ? std::string(folder) : outputFolder_;
    if (!CreateFolderPath(base.c_str())) return false;

    ArchiveEntryInfo info;
    if (!GetCurrentEntryInfo(info)) return false;
    if (!IsSafeEntryName(info.name)) return false;
    if (filter_ && !filter_(info)) return true;

    if (info.isFolder) {
        std::string path = WithTrailingBackslash(base) + info.name;
        return LiesInside(base, path) && CreateFolderPath(path.c_str());
    }

    std::string name = info.name;
    if (ignoreFolderNames) name = name.substr(name.find_last_of('\\') + 1);
    const std::string target = WithTrailingBackslash(base) + name;
    if (!LiesInside(base, target) || !CreateParentFolder(target)) return false;
    return CopyCurrentEntry(target, info);
}

bool ZipExtractor::UnpackCurrentInto(HANDLE file) {
    if (::unzOpenCurrentFile(archive_.Get()) != UNZ_OK) return false;
    bool clean = true;
    std::uint64_t total = 0;
    char buffer[kCopyBlock];
    for (;;) {
        if (stop_ && stop_()) {
            clean = false;
            break;
        }
        int read = ::unzReadCurrentFile(archive_.Get(), buffer, kCopyBlock);
        if (read == 0) break;
        if (read < 0) {
            clean = false;
            break;
        }
        // Counted as it comes: the sizes in the entry's header are the archive's word only.
        total += static_cast<std::uint64_t>(read);
        if (maxEntryBytes_ != 0 && total > maxEntryBytes_) {
            clean = false;
            break;
        }
        DWORD wrote = 0;
        if (!::WriteFile(file, buffer, static_cast<DWORD>(read), &wrote, nullptr) ||
            wrote != static_cast<DWORD>(read)) {
            clean = false;
            break;
        }
    }
    // The library checks the CRC only here, when the whole entry has been read.
    if (::unzCloseCurrentFile(archive_.Get()) != UNZ_OK) clean = false;
    return clean;
}

bool ZipExtractor::ExtractCurrentToTemporary(const std::string& folder, std::string& temporaryPath) {
    if (!archive_) return false;
    char name[kMaxPath + 1] = {};
    if (::GetTempFileNameA(folder.c_str(), "hbu", 0, name) == 0) return false;
    UniqueFile file(::CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool clean = file && UnpackCurrentInto(file.Get());
    file.Reset();
    if (!clean) {
        ::DeleteFileA(name);
        return false;
    }
    temporaryPath = name;
    return true;
}

bool ZipExtractor::CopyCurrentEntry(const std::string& target, const ArchiveEntryInfo& info) {
    std::string temporary;
    const std::string folder = target.substr(0, target.find_last_of('\\') + 1);
    if (!ExtractCurrentToTemporary(folder, temporary)) return false;
    // One replacing move: if it fails, the file that was there is still there.
    if (!::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    SetFileTimeFromDos(target.c_str(), info.dosDateTime);
    written_.push_back(FullPath(target));
    return true;
}
