// Which voice prompt the console plays when. The prompts are WAVE resources of the
// language module; the indicators' prompts are in the indicator table.
#pragma once

#include <cstdint>
#include <optional>

namespace np::ventra {

inline constexpr std::uint16_t kExposureStartPrompt = 24038;
inline constexpr std::uint16_t kExposureEndPrompt = 24044;

// SND_RESOURCE | SND_APPLICATION | SND_NOSTOP | SND_ASYNC: in the background, and
// refused (not queued) while another prompt plays.
inline constexpr unsigned long kPromptFlags = 0x40095;

std::uint16_t error_prompt(std::uint16_t error_code);

// The prompt of a console command that succeeded, if it has one.
std::optional<std::uint16_t> command_prompt(std::uint16_t command);

// The prompt for the panoramic blocks selected (parameter bits 0x10, 0x20, 0x40).
std::optional<std::uint16_t> blocks_prompt(std::uint8_t blocks);

}  // namespace np::ventra
