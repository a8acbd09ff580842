// Image file directories: the entries of the tags the reader knows, one record per directory.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "acquisition/tiff/byte_source.h"
#include "acquisition/tiff/tiff_status.h"

namespace np::tiff {

enum class Tag : uint16_t {
    new_subfile_type = 254,
    image_width = 256,
    image_length = 257,
    bits_per_sample = 258,
    compression = 259,
    photometric = 262,
    image_description = 270,
    model = 272,
    strip_offsets = 273,
    samples_per_pixel = 277,
    rows_per_strip = 278,
    strip_byte_counts = 279,
    x_resolution = 282,
    y_resolution = 283,
    planar_configuration = 284,
    resolution_unit = 296,
    page_number = 297,
    predictor = 317,
    color_map = 320,
    jpeg_proc = 512,
    jpeg_interchange_format = 513,
    jpeg_interchange_format_length = 514,
    jpeg_q_tables = 519,
    jpeg_dc_tables = 520,
    jpeg_ac_tables = 521,
    private_text = 32956,
};

inline constexpr std::array<Tag, 26> kKnownTags = {Tag::new_subfile_type,
                                                   Tag::image_width,
                                                   Tag::image_length,
                                                   Tag::bits_per_sample,
                                                   Tag::compression,
                                                   Tag::photometric,
                                                   Tag::image_description,
                                                   Tag::model,
                                                   Tag::strip_offsets,
                                                   Tag::samples_per_pixel,
                                                   Tag::rows_per_strip,
                                                   Tag::strip_byte_counts,
                                                   Tag::x_resolution,
                                                   Tag::y_resolution,
                                                   Tag::planar_configuration,
                                                   Tag::resolution_unit,
                                                   Tag::page_number,
                                                   Tag::predictor,
                                                   Tag::color_map,
                                                   Tag::jpeg_proc,
                                                   Tag::jpeg_interchange_format,
                                                   Tag::jpeg_interchange_format_length,
                                                   Tag::jpeg_q_tables,
                                                   Tag::jpeg_dc_tables,
                                                   Tag::jpeg_ac_tables,
                                                   Tag::private_text};

enum class FieldType : uint16_t { byte = 1, ascii = 2, short_ = 3, long_ = 4, rational = 5 };

// One 12-byte directory entry. `value` holds the raw last four bytes (little-endian).
struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;
};

// Directories followed in one file at most. A demonstration file holds one image, maybe a
// thumbnail or two; the limit keeps a chain of directories, or a loop, from running long.
inline constexpr int kMaxDirectories = 64;

class Directory {
  public:
    void store(const Entry& entry);
    const Entry* find(Tag tag) const;
    bool has(Tag tag) const { return find(tag) != nullptr; }
    // The tag's single value (a SHORT or BYTE read at its own size); absent reads as 0.
    uint32_t value(Tag tag) const;

  private:
    std::array<std::optional<Entry>, kKnownTags.size()> slots_{};
};

// Element size of a field type in an array, 0 for a type the reader does not know.
uint32_t field_size(uint16_t type);

// Reads the header and follows the chain of directories (at most kMaxDirectories; a
// directory seen before ends the chain).
TiffStatus read_directories(ByteSource& file, std::vector<Directory>& directories);

// The first directory whose NewSubfileType is 0, or null.
const Directory* select_image(const std::vector<Directory>& directories);

// The numbers of an array of SHORT or LONG elements (inline when they fit in the entry),
// at most `limit` of them. -4 for another element type, -2 when outside the file.
TiffStatus read_numbers(ByteSource& file, const Entry& entry, uint32_t limit,
                        std::vector<uint32_t>& numbers);

}  // namespace np::tiff
