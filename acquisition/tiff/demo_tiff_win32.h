// The demonstration file read through Win32, its failures shown to the operator.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "acquisition/tiff/demo_tiff.h"

namespace np::tiff {

// Files opened for reading and not shared while the image is read.
class Win32FileAccess : public FileAccess {
  public:
    bool exists(const std::string& path) override;
    std::unique_ptr<ByteSource> open(const std::string& path) override;
};

// Loads the file into the image buffer; a failure is shown in a message box without owner.
bool load_demo_file(const std::string& path, std::span<uint8_t> dest, uint32_t& width);

}  // namespace np::tiff
