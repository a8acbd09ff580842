// Results of reading a demonstration TIFF file; the negative values are the codes the
// operator's message is chosen by.
#pragma once

namespace np::tiff {

enum class TiffStatus : int {
    ok = 0,
    cannot_open = -1,
    cannot_read = -2,
    bad_format = -4,
    no_memory = -5,
    image_not_found = -6,
    lzw_error = -7,
};

}  // namespace np::tiff
