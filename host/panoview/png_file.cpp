#include "host/panoview/png_file.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace np::panoview {
namespace {

class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    // Value bits, least significant first (deflate's extra bits and headers).
    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bit((value >> i) & 1u);
    }
    // A Huffman code, most significant bit first.
    void code(std::uint32_t value, int length) {
        for (int i = length - 1; i >= 0; --i)
            bit((value >> i) & 1u);
    }
    void flush() {
        if (used_) out_.push_back(pending_);
        pending_ = 0;
        used_ = 0;
    }

  private:
    void bit(std::uint32_t b) {
        pending_ = static_cast<std::uint8_t>(pending_ | (b << used_));
        if (++used_ == 8) flush();
    }
    std::vector<std::uint8_t>& out_;
    std::uint8_t pending_ = 0;
    int used_ = 0;
};

// The fixed literal/length code of deflate.
void put_symbol(BitWriter& w, int symbol) {
    if (symbol < 144)
        w.code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.code(symbol - 256, 7);
    else
        w.code(0xC0 + symbol - 280, 8);
}

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

template <std::size_t N>
int table_index(const std::array<int, N>& base, int value) {
    int k = 0;
    while (k + 1 < static_cast<int>(N) && base[k + 1] <= value)
        ++k;
    return k;
}

void put_match(BitWriter& w, int length, int distance) {
    const int l = table_index(kLengthBase, length);
    put_symbol(w, 257 + l);
    w.bits(static_cast<std::uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
    const int d = table_index(kDistanceBase, distance);
    w.code(static_cast<std::uint32_t>(d), 5);
    w.bits(static_cast<std::uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

constexpr int kWindow = 32768;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kHashBits = 15;
constexpr int kChainLimit = 48;

std::uint32_t hash3(const std::uint8_t* p) {
    return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & ((1u << kHashBits) - 1);
}

// Deflate in one final block with the fixed codes; matches found through hash chains.
void deflate_fixed(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    BitWriter w(out);
    w.bits(1, 1);  // final block
    w.bits(1, 2);  // fixed Huffman codes
    const int size = static_cast<int>(data.size());
    std::vector<int> head(std::size_t{1} << kHashBits, -1), previous(kWindow, -1);
    auto insert = [&](int at) {
        if (at + kMinMatch > size) return;
        const std::uint32_t h = hash3(&data[at]);
        previous[at % kWindow] = head[h];
        head[h] = at;
    };
    int at = 0;
    while (at < size) {
        int best_length = 0, best_distance = 0;
        if (at + kMinMatch <= size) {
            const int limit = std::min(kMaxMatch, size - at);
            int candidate = head[hash3(&data[at])];
            for (int chain = 0;
                 candidate >= 0 && at - candidate <= kWindow - 1 && chain < kChainLimit; ++chain) {
                int length = 0;
                while (length < limit && data[candidate + length] == data[at + length])
                    ++length;
                if (length > best_length) {
                    best_length = length;
                    best_distance = at - candidate;
                    if (length == limit) break;
                }
                const int next = previous[candidate % kWindow];
                if (next >= candidate) break;  // the slot was reused by a newer position
                candidate = next;
            }
        }
        if (best_length >= kMinMatch) {
            put_match(w, best_length, best_distance);
            for (int k = 0; k < best_length; ++k)
                insert(at + k);
            at += best_length;
        } else {
            put_symbol(w, data[at]);
            insert(at);
            ++at;
        }
    }
    put_symbol(w, 256);
    w.flush();
}

std::uint32_t adler32(std::span<const std::uint8_t> data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::uint32_t crc32(std::span<const std::uint8_t> data, std::uint32_t crc = 0xFFFFFFFFu) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    for (std::uint8_t byte : data)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc;
}

void put_be32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void put_chunk(std::vector<std::uint8_t>& out, std::string_view type,
               std::span<const std::uint8_t> data) {
    put_be32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t type_at = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const std::uint32_t crc =
        crc32(std::span<const std::uint8_t>(out).subspan(type_at)) ^ 0xFFFFFFFFu;
    put_be32(out, crc);
}

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Each row behind the filter that makes its bytes smallest as signed values, the
// usual heuristic; X-ray images compress best with Sub, Up or Paeth.
std::vector<std::uint8_t> filtered_rows(const RasterImage& image, int bytes_per_pixel) {
    const std::size_t row_bytes = std::size_t(image.width) * bytes_per_pixel;
    std::vector<std::uint8_t> out, candidate(row_bytes), best(row_bytes);
    out.reserve((row_bytes + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = &image.pixels[y * row_bytes];
        const std::uint8_t* up = y ? row - row_bytes : nullptr;
        long best_cost = -1;
        std::uint8_t best_filter = 0;
        for (std::uint8_t filter = 0; filter < 5; ++filter) {
            long cost = 0;
            for (std::size_t i = 0; i < row_bytes; ++i) {
                const int a = i >= std::size_t(bytes_per_pixel) ? row[i - bytes_per_pixel] : 0;
                const int b = up ? up[i] : 0;
                const int c = up && i >= std::size_t(bytes_per_pixel) ? up[i - bytes_per_pixel] : 0;
                const int predictor = filter == 1   ? a
                                      : filter == 2 ? b
                                      : filter == 3 ? (a + b) / 2
                                      : filter == 4 ? paeth(a, b, c)
                                                    : 0;
                candidate[i] = static_cast<std::uint8_t>(row[i] - predictor);
                cost += std::abs(static_cast<std::int8_t>(candidate[i]));
            }
            if (best_cost < 0 || cost < best_cost) {
                best_cost = cost;
                best_filter = filter;
                best.swap(candidate);
            }
        }
        out.push_back(best_filter);
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> zlib_compress(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out = {0x78, 0x01};  // deflate, 32 KiB window, no dictionary
    deflate_fixed(data, out);
    put_be32(out, adler32(data));
    return out;
}

std::vector<std::uint8_t> png_file(const RasterImage& image) {
    const int bytes_per_pixel = image.colour == PngColour::rgb ? 3 : 1;
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != std::size_t(image.width) * image.height * bytes_per_pixel)
        return {};
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    put_be32(header, static_cast<std::uint32_t>(image.width));
    put_be32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, static_cast<std::uint8_t>(image.colour), 0, 0, 0});
    put_chunk(out, "IHDR", header);
    put_chunk(out, "IDAT", zlib_compress(filtered_rows(image, bytes_per_pixel)));
    put_chunk(out, "IEND", {});
    return out;
}

}  // namespace np::panoview
