// Column balance correction of an 8-bit image: each column is bent towards the mean
// of its 15-column neighbourhood by a quadratic curve that keeps 0 and 255 fixed.
#pragma once

#include <cstdint>

namespace np::generic {

inline constexpr int kMinWidth = 15;
// Rows at the end of the image left out of the column sums.
inline constexpr int kUnsummedRows = 200;

// Rows are width rounded up to 4 bytes apart. False, and the image untouched, for a
// null image, a width below 15, a height of 0 or no memory for the column sums.
bool balance_columns(std::uint8_t* image, int width, int height);

}  // namespace np::generic
