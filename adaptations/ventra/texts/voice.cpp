#include "adaptations/ventra/texts/voice.h"

#include <mmsystem.h>

#include "adaptations/ventra/module/ventra_registry.h"
#include "adaptations/ventra/texts/prompt_rules.h"

namespace np::ventra {
namespace {

constexpr const char* kVoiceValue = "WithVocal";

}  // namespace

Voice::Voice(HMODULE language, PlaySoundFn play)
    : language_(language), play_(play ? play : ::PlaySoundA) {}

void Voice::restore_switch() {
    on_ = VentraKey(kVentraKey).dword(kVoiceValue).value_or(0) != 0;
}

bool Voice::set_switch(bool on) {
    on_ = write_ventra_dword(kVentraKey, kVoiceValue, on ? 1 : 0) && on;
    return on_;
}

void Voice::play(std::uint16_t prompt) const {
    if (!on_) return;
    play_(MAKEINTRESOURCEA(prompt), language_, kPromptFlags);
}

}  // namespace np::ventra
