// What the operator is told when the demonstration file cannot be used.
#pragma once

#include <string>
#include <string_view>

#include "acquisition/tiff/tiff_status.h"

namespace np::tiff {

inline constexpr const char* kDemoErrorTitle = "ORVIX DEMO ERROR";

inline constexpr const char* kNotTiffMessage = "Demo file is not a TIFF file";
inline constexpr const char* kFormatMessage = "Demo file has uncorrect format";
inline constexpr const char* kWidthMessage = "Demo file : uncorrect image width";
inline constexpr const char* kHeightMessage = "Demo file : uncorrect image height";

// The message of a negative result, with the file's path where the text names it.
std::string status_message(TiffStatus status, std::string_view path);

}  // namespace np::tiff
