#include "host/bmp_file.h"

#include <cstring>

#include "common/sensor_lines.h"

namespace np::host {
namespace {

#pragma pack(push, 1)
struct BmpFileHeader {
    char type[2];
    std::uint32_t size;
    std::uint16_t reserved1;
    std::uint16_t reserved2;
    std::uint32_t pixel_offset;
};
#pragma pack(pop)
static_assert(sizeof(BmpFileHeader) == 14);

void append(std::vector<std::uint8_t>& out, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

std::uint32_t read_u32(const std::uint8_t* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

}  // namespace

std::vector<std::uint8_t> bmp_file_from_dib(const std::uint8_t* block, std::size_t size) {
    if (!block || size < 40) return {};
    const std::uint32_t header_size = read_u32(block);
    const std::uint32_t bit_count = block[14] | block[15] << 8;
    std::uint32_t colours = read_u32(block + 32);
    if (colours == 0 && bit_count <= 8) colours = 1u << bit_count;
    const std::uint32_t pixel_offset = 14 + header_size + 4 * colours;
    if (header_size < 40 || pixel_offset - 14 > size) return {};
    std::vector<std::uint8_t> file;
    file.reserve(size + 14);
    const BmpFileHeader header{
        {'B', 'M'}, static_cast<std::uint32_t>(size + 14), 0, 0, pixel_offset};
    append(file, &header, sizeof header);
    append(file, block, size);
    return file;
}

std::vector<std::uint8_t> raw_dump(const std::uint16_t* samples, int lines) {
    const std::uint32_t count = samples && lines > 0 ? static_cast<std::uint32_t>(lines) : 0;
    const std::size_t sample_bytes = std::size_t(count) * kSamplesPerLine * sizeof(std::uint16_t);
    std::vector<std::uint8_t> out(8 + sample_bytes);
    const std::uint32_t head[2] = {static_cast<std::uint32_t>(kSamplesPerLine), count};
    std::memcpy(out.data(), head, sizeof head);
    if (sample_bytes) std::memcpy(out.data() + 8, samples, sample_bytes);
    return out;
}

}  // namespace np::host
