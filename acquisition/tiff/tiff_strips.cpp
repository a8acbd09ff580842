#include <new>
#include <vector>

#include "acquisition/tiff/tiff_lzw.h"
#include "acquisition/tiff/tiff_reader.h"

namespace np::tiff {
namespace {

struct StripTable {
    std::vector<uint32_t> offsets;
    std::vector<uint32_t> byte_counts;  // empty for a single uncompressed strip without them
    uint32_t rows_per_strip = 0;
    uint32_t strips = 0;  // strips that hold the image's rows
};

TiffStatus read_strip_table(ByteSource& file, const Directory& dir, const ImageLayout& image,
                            uint32_t first_row, StripTable& table) {
    const Entry* offsets = dir.find(Tag::strip_offsets);
    if (offsets == nullptr || offsets->count == 0) return TiffStatus::bad_format;
    uint32_t count = offsets->count;

    if (dir.has(Tag::rows_per_strip)) {
        table.rows_per_strip = dir.value(Tag::rows_per_strip);
        if (table.rows_per_strip == 0) return TiffStatus::bad_format;
    } else if (count == 1) {
        table.rows_per_strip = image.height;
    } else {
        return TiffStatus::bad_format;
    }
    if (table.rows_per_strip > image.height) table.rows_per_strip = image.height;
    table.strips = (image.height - 1) / table.rows_per_strip + 1;
    if (count < table.strips) return TiffStatus::bad_format;
    // Strips above the rows wanted are never read. More strips than the reader takes below
    // them would leave rows missing: refuse the file instead.
    if (table.strips - first_row / table.rows_per_strip > kMaxStrips) return TiffStatus::bad_format;

    if (TiffStatus s = read_numbers(file, *offsets, table.strips, table.offsets);
        s != TiffStatus::ok) {
        return s;
    }
    const Entry* counts = dir.find(Tag::strip_byte_counts);
    if (counts == nullptr) {
        if (count == 1 && image.compression == Compression::none) return TiffStatus::ok;
        return TiffStatus::bad_format;
    }
    if (counts->count < table.strips) return TiffStatus::bad_format;
    return read_numbers(file, *counts, table.strips, table.byte_counts);
}

template <typename T>
TiffStatus allocate(std::vector<T>& buffer, uint64_t size) {
    if (size > kMaxStripBytes) return TiffStatus::no_memory;
    try {
        if (buffer.size() < size) buffer.resize(size);
    } catch (const std::bad_alloc&) {
        return TiffStatus::no_memory;
    }
    return TiffStatus::ok;
}

class StripDecoder {
  public:
    StripDecoder(ByteSource& file, const ImageLayout& image, RowHandler& rows)
        : file_(file),
          image_(image),
          rows_(rows),
          stored_is_grey_(image.layout == SampleLayout::grey && image.bits[0] == 8 &&
                          !image.white_is_zero && !image.palette) {}

    TiffStatus decode(uint32_t offset, uint32_t byte_count, uint32_t first_row,
                      uint32_t row_count) {
        uint64_t wanted = uint64_t{row_count} * image_.bytes_per_row;
        if (image_.compression == Compression::none && !file_.contains(offset, wanted)) {
            // The rows themselves; their size follows from the geometry, whatever the count says.
            return TiffStatus::cannot_read;
        }
        if (image_.compression == Compression::lzw) {
            if (!file_.contains(offset, byte_count)) return TiffStatus::cannot_read;
            if (wanted > lzw_expansion_limit(byte_count)) return TiffStatus::lzw_error;
        }
        if (wanted > kMaxStripBytes) return TiffStatus::no_memory;
        size_t size = static_cast<size_t>(wanted);
        if (image_.compression == Compression::none) {
            if (TiffStatus s = allocate(decoded_, size); s != TiffStatus::ok) return s;
            if (!file_.read(offset, {decoded_.data(), size})) return TiffStatus::cannot_read;
        } else {
            if (TiffStatus s = allocate(compressed_, byte_count); s != TiffStatus::ok) return s;
            if (TiffStatus s = allocate(decoded_, size); s != TiffStatus::ok) return s;
            if (!file_.read(offset, {compressed_.data(), byte_count}))
                return TiffStatus::cannot_read;
            if (decode_lzw({compressed_.data(), byte_count}, {decoded_.data(), size}) !=
                LzwResult::ok) {
                return TiffStatus::lzw_error;
            }
        }
        deliver(first_row, row_count);
        return TiffStatus::ok;
    }

  private:
    void deliver(uint32_t first_row, uint32_t row_count) {
        if (grey_.size() != image_.width) grey_.resize(image_.width);
        for (uint32_t r = 0; r < row_count; ++r) {
            std::span<uint8_t> stored(decoded_.data() + r * image_.bytes_per_row,
                                      image_.bytes_per_row);
            if (image_.predictor) undo_predictor(image_, stored);
            if (stored_is_grey_) {
                rows_.row(first_row + r, stored);
                continue;
            }
            grey_row(image_, stored, grey_);
            rows_.row(first_row + r, grey_);
        }
    }

    ByteSource& file_;
    const ImageLayout& image_;
    RowHandler& rows_;
    const bool stored_is_grey_;  // 8-bit grey rows go out as they are
    std::vector<uint8_t> compressed_;
    std::vector<uint8_t> decoded_;
    std::vector<uint8_t> grey_;
};

}  // namespace

TiffStatus decode_strips(ByteSource& file, const Directory& dir, const ImageLayout& image,
                         uint32_t first_row, RowHandler& rows) {
    StripTable table;
    if (TiffStatus s = read_strip_table(file, dir, image, first_row, table); s != TiffStatus::ok)
        return s;
    StripDecoder decoder(file, image, rows);
    for (uint32_t strip = 0; strip < table.strips; ++strip) {
        uint32_t top = strip * table.rows_per_strip;
        uint32_t count = std::min(table.rows_per_strip, image.height - top);
        if (top + count <= first_row) continue;
        uint32_t bytes = table.byte_counts.empty() ? 0 : table.byte_counts[strip];
        if (TiffStatus s = decoder.decode(table.offsets[strip], bytes, top, count);
            s != TiffStatus::ok) {
            return s;
        }
    }
    return TiffStatus::ok;
}

}  // namespace np::tiff
