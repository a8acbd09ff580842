#include "adaptations/ventra/files/unit_blocks.h"

#include <bit>

namespace np::ventra {

std::string block_text(std::span<const std::uint16_t> words, std::size_t first, std::size_t width) {
    std::string text;
    for (std::size_t i = first; i < first + width && i / 2 < words.size(); ++i) {
        const std::uint16_t word = words[i / 2];
        const char c = static_cast<char>(i % 2 == 0 ? word & 0xFF : word >> 8);
        if (c == '\0') break;
        text += c;
    }
    return text;
}

std::int32_t block_int32(std::span<const std::uint16_t> words, std::size_t word) {
    return static_cast<std::int32_t>(words[word] | static_cast<std::uint32_t>(words[word + 1]) << 16);
}

float block_float(std::span<const std::uint16_t> words, std::size_t word) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(block_int32(words, word)));
}

}  // namespace np::ventra
