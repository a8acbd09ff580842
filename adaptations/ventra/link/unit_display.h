// What the console writes to the unit's own display: the 40-character state text
// (translated into the display's character set) and the 4-byte code field.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace np::ventra {

inline constexpr std::size_t kDisplayChars = 20;  // what the display shows of a text
inline constexpr std::size_t kDisplayTextBytes = 40;

// The display's character set, byte by byte, for the state text.
std::uint8_t display_character(std::uint8_t byte);

using DisplayWords = std::array<std::uint16_t, kDisplayTextBytes / 2>;

// The first 20 characters of the text, padded with blanks to 39 and ended by a
// NUL, two characters a word (the first in the low byte). The start-up text goes
// out untranslated; state texts through the display's character set.
DisplayWords display_text(std::string_view text, bool translate);

enum class CodeKind { information, error };

// "I05", "E12" and a NUL; code 0 clears the field (three blanks and a NUL).
std::array<std::uint16_t, 2> code_field(int code, CodeKind kind);
std::array<char, 4> code_text(int code, CodeKind kind);

}  // namespace np::ventra
