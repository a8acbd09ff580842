// The raw image after a transfer: mirroring of its lines and the diagnostic dumps.
#pragma once

#include <cstdint>

namespace np::transfer {

inline constexpr const char* kRawDumpAfterTransfer = "c:\\Buffer1.raw";
inline constexpr const char* kRawDumpAfterMirroring = "c:\\Buffer2.raw";
inline constexpr const char* kRawDumpWithBitmap = "c:\\Buffer3.raw";

// Line i swaps with line lines - 1 - i.
void mirror_raw_lines(std::uint16_t* raw, int lines);

// u32 1244, u32 lines, then the lines. False when the file cannot be written.
bool write_raw_dump(const char* path, const std::uint16_t* raw, int lines);

}  // namespace np::transfer
