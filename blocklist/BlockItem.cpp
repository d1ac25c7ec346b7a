#include "blocklist/BlockItem.h"

#include <cstring>

namespace {

std::size_t LengthBytes(std::size_t length) noexcept {
    std::size_t bytes = 1;
    while (length >>= 7) ++bytes;
    return bytes;
}

char* PutLength(char* at, std::size_t length) noexcept {
    do {
        const auto low = static_cast<unsigned char>(length & 0x7f);
        length >>= 7;
        *at++ = static_cast<char>(length ? low | 0x80 : low);
    } while (length);
    return at;
}

const char* GetLength(const char* at, std::size_t& length) noexcept {
    length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*at++);
        length |= static_cast<std::size_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80)) return at;
    }
}

}  // namespace

BlockItem::BlockItem(bool enabledFlag, std::string_view name, std::string_view classId, std::string_view comment)
    : enabled(enabledFlag) {
    const std::string_view texts[] = {name, classId, comment};
    if (name.empty() && classId.empty() && comment.empty()) return;
    std::size_t size = 0;
    for (std::string_view text : texts) size += LengthBytes(text.size()) + text.size() + 1;
    texts_.reset(new char[size]);
    char* at = texts_.get();
    for (std::string_view text : texts) at = PutLength(at, text.size());
    for (std::string_view text : texts) {
        if (!text.empty()) std::memcpy(at, text.data(), text.size());
        at += text.size();
        *at++ = '\0';
    }
}

BlockItem::BlockItem(const BlockItem& other)
    : enabled(other.enabled), treeItem(other.treeItem), texts_(other.CopyTexts()) {}

BlockItem& BlockItem::operator=(const BlockItem& other) {
    if (this != &other) {
        texts_ = other.CopyTexts();
        enabled = other.enabled;
        treeItem = other.treeItem;
    }
    return *this;
}

std::string_view BlockItem::Text(int which) const noexcept {
    if (!texts_) return {};
    std::size_t lengths[3] = {};
    const char* at = texts_.get();
    for (std::size_t& length : lengths) at = GetLength(at, length);
    for (int earlier = 0; earlier < which; ++earlier) at += lengths[earlier] + 1;
    return {at, lengths[which]};
}

std::unique_ptr<char[]> BlockItem::CopyTexts() const {
    if (!texts_) return nullptr;
    // The block ends with the comment's NUL.
    const std::string_view last = comment();
    const auto size = static_cast<std::size_t>(last.data() + last.size() + 1 - texts_.get());
    std::unique_ptr<char[]> copy(new char[size]);
    std::memcpy(copy.get(), texts_.get(), size);
    return copy;
}

const char* BlockItem::ClassIdText() const noexcept {
    // Each text is followed by a NUL; the empty id of an empty record is the literal's.
    return texts_ ? classId().data() : "";
}

bool BlockItem::SameRecord(const BlockItem& other) const noexcept {
    return enabled == other.enabled && name() == other.name() && classId() == other.classId() &&
           comment() == other.comment();
}
