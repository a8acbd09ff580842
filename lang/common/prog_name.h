// Which text names an imaging program: the rule behind the GetProgName export.
#pragma once

#include <optional>

namespace np {

// The caller's buffer for a program name, terminating NUL included.
inline constexpr int kProgNameCapacity = 48;

// Text id of the program's name, or nothing for a code outside the named programs.
std::optional<unsigned> prog_name_text_id(int program_code);

}  // namespace np
