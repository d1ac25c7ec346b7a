#include "support/ZipTestFiles.h"

#include "win/Win32.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include <zlib.h>

namespace {

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::string RawDeflate(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace

ZipArchiveWriter& ZipArchiveWriter::AddFile(const std::string& name, const std::string& data, std::uint32_t dosDateTime,
                                            bool deflate) {
    Entry entry;
    entry.name = name;
    entry.crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                 static_cast<uInt>(data.size())));
    entry.size = static_cast<std::uint32_t>(data.size());
    entry.method = deflate ? 8 : 0;
    entry.stored = deflate ? RawDeflate(data) : data;
    entry.dosDateTime = dosDateTime;
    entry.externalAttributes = 0x20;  // archive bit, as DOS archivers write it
    entries_.push_back(entry);
    return *this;
}

ZipArchiveWriter& ZipArchiveWriter::AddFolder(const std::string& name) {
    Entry entry;
    entry.name = name;
    entry.dosDateTime = kDefaultDosTime;
    entry.externalAttributes = 0x10;
    entries_.push_back(entry);
    return *this;
}

ZipArchiveWriter& ZipArchiveWriter::BreakLastCrc() {
    if (!entries_.empty()) entries_.back().crc ^= 0x5A5A5A5Au;
    return *this;
}

ZipArchiveWriter& ZipArchiveWriter::FlipLastByte(std::size_t offset) {
    if (!entries_.empty() && offset < entries_.back().stored.size()) entries_.back().stored[offset] ^= 0x01;
    return *this;
}

std::string ZipArchiveWriter::Bytes() const {
    std::string out;
    std::string central;
    for (const Entry& e : entries_) {
        const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, 0);
        Put16(out, e.method);
        Put32(out, e.dosDateTime);  // time then date, little-endian: the same as DOS date/time packed
        Put32(out, e.crc);
        Put32(out, static_cast<std::uint32_t>(e.stored.size()));
        Put32(out, e.size);
        Put16(out, static_cast<std::uint32_t>(e.name.size()));
        Put16(out, 0);
        out += e.name;
        out += e.stored;

        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, 0);
        Put16(central, e.method);
        Put32(central, e.dosDateTime);
        Put32(central, e.crc);
        Put32(central, static_cast<std::uint32_t>(e.stored.size()));
        Put32(central, e.size);
        Put16(central, static_cast<std::uint32_t>(e.name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, e.externalAttributes);
        Put32(central, offset);
        central += e.name;
    }
    const std::uint32_t centralOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(entries_.size()));
    Put16(out, static_cast<std::uint32_t>(entries_.size()));
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

bool ZipArchiveWriter::WriteTo(const std::string& path) const {
    return WriteTextFile(path, Bytes());
}

ScratchFolder::ScratchFolder(const char* tag) {
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    std::ostringstream name;
    name << temp << "hushbar-" << tag << '-' << ::GetCurrentProcessId() << '-' << ::GetTickCount() << '\\';
    path_ = name.str();
    RemoveTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    RemoveTree(path_);
}

bool WriteTextFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

std::string ReadFileText(const std::string& path) {
    // Shared every way: the test server appends to its log while tests read it.
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char block[4096];
    DWORD got = 0;
    // Bounded by the file's size: a read past the end returns 0 bytes.
    while (::ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) text.append(block, got);
    ::CloseHandle(file);
    return text;
}

std::string ReadTextFile(const std::string& path) {
    return FileExists(path) ? ReadFileText(path) : "<missing>";
}

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(child.c_str());
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}
