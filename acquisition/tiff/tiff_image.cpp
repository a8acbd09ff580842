#include "acquisition/tiff/tiff_image.h"

#include <algorithm>
#include <vector>

namespace np::tiff {
namespace {

constexpr uint16_t kWhiteIsZero = 0;
constexpr uint16_t kPalette = 3;
constexpr uint16_t kYCbCr = 6;
constexpr uint16_t kPlanar = 2;
constexpr uint16_t kHorizontalDifferencing = 2;

Compression compression_of(uint32_t number) {
    switch (number) {
        case 0:
        case 1:
            return Compression::none;
        case 5:
            return Compression::lzw;
        case 6:
            return Compression::jpeg;
        default:
            return Compression::unsupported;
    }
}

// ITU-R BT.601 weights, 16-bit fixed point.
uint8_t luma(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint8_t>((19595 * r + 38470 * g + 7471 * b + 32768) >> 16);
}

uint8_t scale_to_byte(uint32_t v, uint32_t bits) {
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

// Samples packed most significant bit first, as TIFF stores widths other than 8 and 16.
class BitCursor {
  public:
    explicit BitCursor(std::span<const uint8_t> row) : row_(row) {}
    uint32_t take(uint32_t bits) {
        uint32_t v = 0;
        for (uint32_t i = 0; i < bits; ++i, ++bit_) {
            uint64_t byte = bit_ >> 3;
            uint32_t b = byte < row_.size() ? (row_[byte] >> (7 - (bit_ & 7))) & 1 : 0;
            v = v << 1 | b;
        }
        return v;
    }

  private:
    std::span<const uint8_t> row_;
    uint64_t bit_ = 0;
};

TiffStatus read_bits(ByteSource& file, const Directory& dir, ImageLayout& image) {
    const Entry* bps = dir.find(Tag::bits_per_sample);
    if (bps == nullptr) return TiffStatus::bad_format;
    if (bps->count == 1) {
        uint32_t b = dir.value(Tag::bits_per_sample);
        if (b != 6 && b != 8 && b != 12 && b != 16) return TiffStatus::bad_format;
        image.layout = SampleLayout::grey;
        image.bits = {b, 0, 0};
        image.bits_per_pixel = b;
        return TiffStatus::ok;
    }
    if (bps->count != 3) return TiffStatus::bad_format;
    std::vector<uint32_t> bits;
    if (TiffStatus s = read_numbers(file, *bps, 3, bits); s != TiffStatus::ok) return s;
    uint32_t sum = 0;
    for (uint32_t b : bits) {
        if (b == 0 || b > 16) return TiffStatus::bad_format;
        sum += b;
    }
    if (sum != 16 && sum != 24) return TiffStatus::bad_format;
    image.layout = SampleLayout::rgb;
    image.bits = {bits[0], bits[1], bits[2]};
    image.bits_per_pixel = sum;
    return TiffStatus::ok;
}

// Palette images of 8-bit indices: each entry's luma. Levels are 16-bit, unless every one
// is below 256 (as some writers store 8-bit levels; libtiff reads them so too).
TiffStatus read_palette(ByteSource& file, const Directory& dir, ImageLayout& image) {
    constexpr uint32_t kEntries = 256;
    const Entry* map = dir.find(Tag::color_map);
    if (map == nullptr || map->count != 3 * kEntries ||
        map->type != static_cast<uint16_t>(FieldType::short_) ||
        image.layout != SampleLayout::grey || image.bits[0] != 8 ||
        image.compression == Compression::jpeg) {
        return TiffStatus::bad_format;
    }
    std::vector<uint32_t> levels;
    if (TiffStatus s = read_numbers(file, *map, 3 * kEntries, levels); s != TiffStatus::ok) {
        return s;
    }
    const bool eight_bit =
        std::all_of(levels.begin(), levels.end(), [](uint32_t level) { return level < 256; });
    const uint32_t shift = eight_bit ? 0 : 8;
    bool grey_ramp = true;
    for (uint32_t i = 0; i < kEntries; ++i) {
        image.palette_grey[i] = luma(levels[i] >> shift, levels[kEntries + i] >> shift,
                                     levels[2 * kEntries + i] >> shift);
        grey_ramp = grey_ramp && image.palette_grey[i] == i;
    }
    // A grey ramp (as editors save grey pictures) changes nothing: the indices are the greys.
    image.palette = !grey_ramp;
    return TiffStatus::ok;
}

// Layouts whose stored bytes would not render as the picture: refuse them rather than show
// a scrambled image.
TiffStatus check_rendering(ByteSource& file, const Directory& dir, ImageLayout& image) {
    uint32_t samples = dir.has(Tag::samples_per_pixel) ? dir.value(Tag::samples_per_pixel) : 0;
    uint32_t expected = image.layout == SampleLayout::grey ? 1 : 3;
    if (samples != 0 && samples != expected) return TiffStatus::bad_format;
    if (dir.value(Tag::planar_configuration) == kPlanar && image.layout == SampleLayout::rgb) {
        return TiffStatus::bad_format;
    }
    uint32_t photometric = dir.value(Tag::photometric);
    if (photometric == kPalette) {
        if (TiffStatus s = read_palette(file, dir, image); s != TiffStatus::ok) return s;
    }
    if (image.compression != Compression::jpeg && photometric == kYCbCr) {
        return TiffStatus::bad_format;
    }
    image.white_is_zero = image.layout == SampleLayout::grey && dir.has(Tag::photometric) &&
                          photometric == kWhiteIsZero && image.compression != Compression::jpeg;
    uint32_t predictor = dir.value(Tag::predictor);
    if (image.compression == Compression::lzw && predictor > 1) {
        bool bytes = image.layout == SampleLayout::grey
                         ? image.bits[0] == 8 || image.bits[0] == 16
                         : image.bits == std::array<uint32_t, 3>{8, 8, 8};
        if (predictor != kHorizontalDifferencing || !bytes) return TiffStatus::bad_format;
        image.predictor = true;
    }
    if (image.compression == Compression::jpeg &&
        !(image.bits_per_pixel == 8 || image.bits == std::array<uint32_t, 3>{8, 8, 8})) {
        return TiffStatus::bad_format;
    }
    return TiffStatus::ok;
}

}  // namespace

TiffStatus describe_image(ByteSource& file, const Directory& dir, ImageLayout& image) {
    image = ImageLayout{};
    image.width = dir.value(Tag::image_width);
    image.height = dir.value(Tag::image_length);
    if (image.width == 0 || image.height == 0) return TiffStatus::bad_format;
    image.compression = compression_of(dir.value(Tag::compression));
    if (TiffStatus s = read_bits(file, dir, image); s != TiffStatus::ok) return s;
    // Rows start on a byte boundary; samples narrower than a byte are packed.
    image.bytes_per_row = (uint64_t{image.bits_per_pixel} * image.width + 7) / 8;
    if (image.compression == Compression::unsupported) return TiffStatus::ok;
    return check_rendering(file, dir, image);
}

void grey_row(const ImageLayout& image, std::span<const uint8_t> stored, std::span<uint8_t> grey) {
    const uint32_t w = image.width;
    const uint8_t* s = stored.data();
    uint8_t* g = grey.data();
    if (image.palette) {
        for (uint32_t x = 0; x < w; ++x)
            g[x] = image.palette_grey[s[x]];
        return;
    }
    if (image.layout == SampleLayout::grey) {
        switch (image.bits[0]) {
            case 8:
                std::copy_n(s, w, g);
                break;
            case 16:  // little-endian: the high byte is the second
                for (uint32_t x = 0; x < w; ++x)
                    g[x] = s[2 * x + 1];
                break;
            default: {
                BitCursor bits(stored);
                for (uint32_t x = 0; x < w; ++x)
                    g[x] = scale_to_byte(bits.take(image.bits[0]), image.bits[0]);
            }
        }
        if (image.white_is_zero) {
            for (uint32_t x = 0; x < w; ++x)
                g[x] = static_cast<uint8_t>(255 - g[x]);
        }
        return;
    }
    if (image.bits == std::array<uint32_t, 3>{8, 8, 8}) {
        for (uint32_t x = 0; x < w; ++x)
            g[x] = luma(s[3 * x], s[3 * x + 1], s[3 * x + 2]);
        return;
    }
    BitCursor bits(stored);
    for (uint32_t x = 0; x < w; ++x) {
        uint32_t r = scale_to_byte(bits.take(image.bits[0]), image.bits[0]);
        uint32_t gr = scale_to_byte(bits.take(image.bits[1]), image.bits[1]);
        uint32_t b = scale_to_byte(bits.take(image.bits[2]), image.bits[2]);
        g[x] = luma(r, gr, b);
    }
}

void undo_predictor(const ImageLayout& image, std::span<uint8_t> row) {
    if (image.layout == SampleLayout::grey && image.bits[0] == 16) {
        // Differences are of whole 16-bit samples; carries cross into the high byte.
        for (size_t i = 2; i + 1 < row.size(); i += 2) {
            uint32_t prev = row[i - 2] | row[i - 1] << 8;
            uint32_t cur = (row[i] | row[i + 1] << 8) + prev;
            row[i] = static_cast<uint8_t>(cur);
            row[i + 1] = static_cast<uint8_t>(cur >> 8);
        }
        return;
    }
    // Running sums kept in registers: reading each sum back from the row would chain every
    // byte through a store and a load.
    if (image.layout == SampleLayout::grey) {
        uint8_t sum = row.empty() ? 0 : row[0];
        for (size_t i = 1; i < row.size(); ++i)
            row[i] = sum = static_cast<uint8_t>(sum + row[i]);
        return;
    }
    uint8_t r = 0, g = 0, b = 0;
    for (size_t i = 0; i + 2 < row.size(); i += 3) {
        row[i] = r = static_cast<uint8_t>(r + row[i]);
        row[i + 1] = g = static_cast<uint8_t>(g + row[i + 1]);
        row[i + 2] = b = static_cast<uint8_t>(b + row[i + 2]);
    }
}

}  // namespace np::tiff
