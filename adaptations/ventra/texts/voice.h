// The voice switch and the playing of prompts. Playback goes through a function
// pointer so that tests can see which prompt was asked for and with which flags.
#pragma once

#include <windows.h>

#include <cstdint>

namespace np::ventra {

using PlaySoundFn = BOOL(WINAPI*)(LPCSTR sound, HMODULE module, DWORD flags);

class Voice {
  public:
    explicit Voice(HMODULE language, PlaySoundFn play = nullptr);

    // "WithVocal" as stored; a value that is not a REG_DWORD counts as absent (off).
    void restore_switch();
    // Persists the operator's choice; when it cannot be stored the switch goes off.
    // Returns the switch's state afterwards.
    bool set_switch(bool on);
    bool is_on() const { return on_; }

    void play(std::uint16_t prompt) const;

  private:
    HMODULE language_;
    PlaySoundFn play_;
    bool on_ = false;
};

}  // namespace np::ventra
