#include "acquisition/transfer/raw_image_files.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "acquisition/transfer/transfer_layout.h"

namespace np::transfer {

void mirror_raw_lines(std::uint16_t* raw, int lines) {
    lines = std::clamp(lines, 0, kMaxImageLines);
    for (int i = 0, j = lines - 1; i < j; ++i, --j)
        std::swap_ranges(raw + std::size_t(i) * kSamplesPerLine,
                         raw + std::size_t(i + 1) * kSamplesPerLine,
                         raw + std::size_t(j) * kSamplesPerLine);
}

namespace {

// An existing dump is written over rather than truncated first: the file system then
// reuses its pages instead of freeing and allocating them again, which halves the
// time of each dump. Whatever lay beyond the new end is cut off afterwards.
std::FILE* open_for_overwrite(const char* path) {
    if (std::FILE* existing = std::fopen(path, "r+b")) return existing;
    return std::fopen(path, "w+b");
}

bool cut_after(std::FILE* file, long long size) {
#ifdef _WIN32
    return _chsize_s(_fileno(file), size) == 0;
#else
    return ::ftruncate(::fileno(file), static_cast<off_t>(size)) == 0;
#endif
}

}  // namespace

bool write_raw_dump(const char* path, const std::uint16_t* raw, int lines) {
    lines = std::clamp(lines, 0, kMaxImageLines);
    std::FILE* file = open_for_overwrite(path);
    if (!file) return false;
    const std::uint32_t head[2] = {static_cast<std::uint32_t>(kSamplesPerLine),
                                   static_cast<std::uint32_t>(lines)};
    const std::size_t samples = std::size_t(lines) * kSamplesPerLine;
    bool ok = std::fwrite(head, sizeof head, 1, file) == 1;
    if (ok && samples) ok = std::fwrite(raw, sizeof(std::uint16_t), samples, file) == samples;
    ok = std::fflush(file) == 0 && ok;
    const long long size = static_cast<long long>(sizeof head + samples * sizeof(std::uint16_t));
    // A dump that failed part way leaves an empty file, never the head of this
    // image followed by the tail of an earlier one.
    if (ok)
        ok = cut_after(file, size);
    else
        cut_after(file, 0);
    return std::fclose(file) == 0 && ok;
}

}  // namespace np::transfer
