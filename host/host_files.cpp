#include "host/host_files.h"

#include <cstring>

#include "common/sensor_lines.h"
#include "common/text_numbers.h"

namespace np::host {
namespace {

std::uint32_t read_u32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t read_i32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(read_u32(p));
}
std::uint16_t read_u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void put_u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xFF);
}

bool parse_count(const std::string& text, int& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = decimal_value(text);
    return true;
}

}  // namespace

std::optional<std::size_t> packed_bitmap_size(std::span<const std::uint8_t> packed) {
    constexpr std::size_t kInfoHeader = 40;
    if (packed.size() < kInfoHeader) return std::nullopt;
    const std::uint32_t header_size = read_u32(packed.data());
    const std::int32_t width = read_i32(packed.data() + 4);
    const std::int32_t height = read_i32(packed.data() + 8);
    const std::uint16_t bit_count = read_u16(packed.data() + 14);
    const std::uint32_t colours_used = read_u32(packed.data() + 32);
    if (header_size < kInfoHeader || bit_count != 8 || width <= 0 || height == 0)
        return std::nullopt;
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) + 3) & ~std::uint64_t{3};
    const std::uint64_t colours = colours_used ? colours_used : 256;
    const std::uint64_t size = header_size + 4 * colours + stride * rows;
    if (size > packed.size()) return std::nullopt;
    return static_cast<std::size_t>(size);
}

std::vector<std::uint8_t> bmp_file(std::span<const std::uint8_t> packed) {
    const auto size = packed_bitmap_size(packed);
    if (!size) return {};
    const std::uint32_t header_size = read_u32(packed.data());
    const std::uint32_t colours_used = read_u32(packed.data() + 32);
    const std::uint32_t bits_offset = 14 + header_size + 4 * (colours_used ? colours_used : 256);
    std::vector<std::uint8_t> file;
    file.reserve(14 + *size);
    file.push_back('B');
    file.push_back('M');
    put_u32(file, static_cast<std::uint32_t>(14 + *size));
    put_u16(file, 0);
    put_u16(file, 0);
    put_u32(file, bits_offset);
    file.insert(file.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(*size));
    return file;
}

std::vector<std::uint8_t> raw_image_file(const std::uint16_t* samples, std::uint32_t lines) {
    std::vector<std::uint8_t> file;
    const std::size_t count = static_cast<std::size_t>(lines) * kSamplesPerLine;
    file.reserve(8 + 2 * count);
    put_u32(file, kSamplesPerLine);
    put_u32(file, lines);
    for (std::size_t i = 0; i < count; ++i)
        put_u16(file, samples[i]);
    return file;
}

std::optional<Options> parse_options(const std::vector<std::string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (i + 1 >= args.size()) return std::nullopt;
        const std::string& value = args[++i];
        if (flag == "--driver" && !value.empty())
            options.driver = value;
        else if (flag == "--out" && !value.empty())
            options.out_dir = value;
        else if (flag == "--count" && parse_count(value, options.count) && options.count > 0)
            continue;
        else if (flag == "--host-code" && parse_count(value, options.host_code))
            continue;
        else
            return std::nullopt;
    }
    return options;
}

}  // namespace np::host
