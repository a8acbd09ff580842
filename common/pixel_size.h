// bResolution as every unit-specific module answers it: the pixel size of the
// program, when it has one, written to both pointers.
#pragma once

#include <optional>

namespace np {

inline int report_pixel_size(std::optional<double> size, double* x, double* y) {
    if (!size) return 0;
    if (x) *x = *size;
    if (y) *y = *size;
    return 1;
}

}  // namespace np
