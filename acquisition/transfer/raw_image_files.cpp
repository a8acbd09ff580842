#include "acquisition/transfer/raw_image_files.h"

#include <algorithm>
#include <cstdio>

#include "acquisition/transfer/transfer_layout.h"

namespace np::transfer {

void mirror_raw_lines(std::uint16_t* raw, int lines) {
    lines = std::clamp(lines, 0, kMaxImageLines);
    for (int i = 0, j = lines - 1; i < j; ++i, --j)
        std::swap_ranges(raw + std::size_t(i) * kSamplesPerLine,
                         raw + std::size_t(i + 1) * kSamplesPerLine,
                         raw + std::size_t(j) * kSamplesPerLine);
}

bool write_raw_dump(const char* path, const std::uint16_t* raw, int lines) {
    lines = std::clamp(lines, 0, kMaxImageLines);
    std::FILE* file = std::fopen(path, "w+b");
    if (!file) return false;
    const std::uint32_t head[2] = {static_cast<std::uint32_t>(kSamplesPerLine),
                                   static_cast<std::uint32_t>(lines)};
    const std::size_t samples = std::size_t(lines) * kSamplesPerLine;
    bool ok = std::fwrite(head, sizeof head, 1, file) == 1;
    if (ok && samples) ok = std::fwrite(raw, sizeof(std::uint16_t), samples, file) == samples;
    ok = std::fflush(file) == 0 && ok;
    return std::fclose(file) == 0 && ok;
}

}  // namespace np::transfer
