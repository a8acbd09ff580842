#include "acquisition/tiff/tiff_directory.h"

#include <algorithm>
#include <new>
#include <set>

namespace np::tiff {
namespace {

constexpr uint32_t kEntrySize = 12;

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::optional<size_t> slot_of(uint16_t tag) {
    for (size_t i = 0; i < kKnownTags.size(); ++i) {
        if (static_cast<uint16_t>(kKnownTags[i]) == tag) return i;
    }
    return std::nullopt;
}

TiffStatus read_directory(ByteSource& file, uint32_t offset, Directory& dir, uint32_t& next) {
    uint8_t count_bytes[2];
    if (!file.read(offset, count_bytes)) return TiffStatus::cannot_read;
    uint32_t count = u16(count_bytes);
    std::vector<uint8_t> block;
    try {
        block.resize(count * kEntrySize + 4);
    } catch (const std::bad_alloc&) {
        return TiffStatus::no_memory;
    }
    if (!file.read(uint64_t{offset} + 2, block)) return TiffStatus::cannot_read;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = block.data() + i * kEntrySize;
        dir.store(Entry{u16(e), u16(e + 2), u32(e + 4), u32(e + 8)});
    }
    next = u32(block.data() + count * kEntrySize);
    return TiffStatus::ok;
}

}  // namespace

void Directory::store(const Entry& entry) {
    if (auto slot = slot_of(entry.tag)) slots_[*slot] = entry;
}

const Entry* Directory::find(Tag tag) const {
    auto slot = slot_of(static_cast<uint16_t>(tag));
    return slot && slots_[*slot] ? &*slots_[*slot] : nullptr;
}

uint32_t Directory::value(Tag tag) const {
    const Entry* e = find(tag);
    if (e == nullptr) return 0;
    switch (e->type) {
        case static_cast<uint16_t>(FieldType::byte):
            return e->value & 0xFF;
        case static_cast<uint16_t>(FieldType::short_):
            return e->value & 0xFFFF;
        default:
            return e->value;
    }
}

uint32_t field_size(uint16_t type) {
    switch (static_cast<FieldType>(type)) {
        case FieldType::byte:
        case FieldType::ascii:
            return 1;
        case FieldType::short_:
            return 2;
        case FieldType::long_:
            return 4;
        case FieldType::rational:
            return 8;
    }
    return 0;
}

TiffStatus read_directories(ByteSource& file, std::vector<Directory>& directories) {
    uint8_t header[8];
    if (!file.read(0, header)) return TiffStatus::cannot_read;
    std::set<uint32_t> seen;
    uint32_t offset = u32(header + 4);
    while (offset != 0 && directories.size() < kMaxDirectories && seen.insert(offset).second) {
        Directory dir;
        uint32_t next = 0;
        if (TiffStatus s = read_directory(file, offset, dir, next); s != TiffStatus::ok) return s;
        directories.push_back(dir);
        offset = next;
    }
    return TiffStatus::ok;
}

const Directory* select_image(const std::vector<Directory>& directories) {
    auto it = std::find_if(directories.begin(), directories.end(),
                           [](const Directory& d) { return d.value(Tag::new_subfile_type) == 0; });
    return it == directories.end() ? nullptr : &*it;
}

TiffStatus read_numbers(ByteSource& file, const Entry& entry, uint32_t limit,
                        std::vector<uint32_t>& numbers) {
    uint32_t size = field_size(entry.type);
    if (entry.type != static_cast<uint16_t>(FieldType::short_) &&
        entry.type != static_cast<uint16_t>(FieldType::long_)) {
        return TiffStatus::bad_format;
    }
    uint32_t count = std::min(entry.count, limit);
    uint8_t inline_bytes[4] = {
        static_cast<uint8_t>(entry.value), static_cast<uint8_t>(entry.value >> 8),
        static_cast<uint8_t>(entry.value >> 16), static_cast<uint8_t>(entry.value >> 24)};
    std::vector<uint8_t> raw;
    const uint8_t* bytes = inline_bytes;
    if (uint64_t{entry.count} * size > 4) {
        if (!file.contains(entry.value, uint64_t{count} * size)) return TiffStatus::cannot_read;
        raw.resize(uint64_t{count} * size);
        if (!file.read(entry.value, raw)) return TiffStatus::cannot_read;
        bytes = raw.data();
    }
    numbers.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        numbers[i] = size == 2 ? u16(bytes + 2 * i) : u32(bytes + 4 * i);
    }
    return TiffStatus::ok;
}

}  // namespace np::tiff
