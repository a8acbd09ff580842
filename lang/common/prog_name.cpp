#include "lang/common/prog_name.h"

#include "lang/common/lang_ids.h"

namespace np {

std::optional<unsigned> prog_name_text_id(int program_code) {
    // Range first: the offset must never be applied to an arbitrary caller value.
    if (program_code < PROG_CODE_FIRST || program_code > PROG_CODE_LAST) return std::nullopt;
    return static_cast<unsigned>(program_code + PROG_NAME_TEXT_OFFSET);
}

}  // namespace np
