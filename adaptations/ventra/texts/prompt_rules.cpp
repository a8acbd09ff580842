#include "adaptations/ventra/texts/prompt_rules.h"

#include <utility>

namespace np::ventra {

std::uint16_t error_prompt(std::uint16_t error_code) {
    return error_code == 1 ? 24088 : 24056;
}

std::optional<std::uint16_t> command_prompt(std::uint16_t command) {
    constexpr std::pair<std::uint16_t, std::uint16_t> kPrompts[] = {
        {0x0104, 24026}, {0x1104, 24022}, {0x0204, 24073}, {0x0105, 24059}, {0x0005, 24061},
        {0x0006, 24024}, {0x0106, 24023}, {0x0206, 24027}, {0x0008, 24051},
    };
    for (const auto& [word, prompt] : kPrompts)
        if (word == command) return prompt;
    return std::nullopt;
}

std::optional<std::uint16_t> blocks_prompt(std::uint8_t blocks) {
    constexpr std::uint16_t kByBlocks[8] = {0, 24052, 24029, 24076, 24053, 24081, 24077, 24055};
    const std::uint16_t prompt = kByBlocks[(blocks >> 4) & 0x07];
    if (prompt == 0) return std::nullopt;
    return prompt;
}

}  // namespace np::ventra
