// Values inside the unit's parameter blocks: texts stored two characters a word
// (the first in the low byte), 32-bit numbers and floats with the low word first.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace np::ventra {

// The text in bytes [first, first + width) of a block, up to its first NUL.
std::string block_text(std::span<const std::uint16_t> words, std::size_t first, std::size_t width);
std::int32_t block_int32(std::span<const std::uint16_t> words, std::size_t word);
float block_float(std::span<const std::uint16_t> words, std::size_t word);

}  // namespace np::ventra
