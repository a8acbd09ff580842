// The registry side of the program dialogs, through the settings key: the choice the
// last dialog left, program names, and the per-program width and gap overrides.
#pragma once

#include <optional>
#include <string>

#include "adaptations/dialog/kv_panel.h"
#include "adaptations/dialog/program_layout.h"

namespace np::dialog {

// "ProgNum", "kV" and "mA" below the model's key.
StoredChoice read_choice(const char* model_key);
// Written to the user key only; nothing is stored when it cannot be created.
void remember_choice(const char* model_key, const Remembered& choice);
// The stored "ProgNum" alone (bResolution).
std::optional<std::string> read_last_program(const char* model_key);

// "Name" under the program's key, and whether that key exists at all.
std::optional<std::string> read_program_name(const char* model_key, int program);
bool program_key_exists(const char* model_key, int program);

// "W1".. (letter 'W') or "I1".. (letter 'I') for the first `sections` sections.
Overrides read_overrides(const char* model_key, int program, char letter, int sections);

// GetTiming for a program of the model's table (null: not in it), gaps overridable by "I1"..
int timing_with_overrides(const char* model_key, int program, const ProgramLayout* layout, int* gaps);

}  // namespace np::dialog
