// LZW decoding as TIFF uses it: codes of 9 to 12 bits, most significant bit first, Clear 256,
// EndOfInformation 257, the code width growing one code early.
#pragma once

#include <cstdint>
#include <span>

namespace np::tiff {

enum class LzwResult { ok, bad_code, too_long, too_short };

// Decodes `in` into exactly out.size() bytes.
LzwResult decode_lzw(std::span<const uint8_t> in, std::span<uint8_t> out);

// The most bytes a strip of `compressed` bytes can expand to; a strip that claims more
// cannot be valid.
uint64_t lzw_expansion_limit(uint64_t compressed);

}  // namespace np::tiff
