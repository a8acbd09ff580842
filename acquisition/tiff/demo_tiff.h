// Loading the demonstration image into the driver's image buffer: the checks on the file,
// the image's geometry, and the rows placed bottom-up.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "acquisition/tiff/byte_source.h"
#include "acquisition/tiff/tiff_status.h"

namespace np::tiff {

inline constexpr uint32_t kDemoMaxWidth = 4000;
inline constexpr uint32_t kDemoRows = 1244;
inline constexpr size_t kDemoBufferSize = size_t{kDemoMaxWidth} * kDemoRows;

// How the loader reaches the file system.
class FileAccess {
  public:
    virtual ~FileAccess() = default;
    virtual bool exists(const std::string& path) = 0;
    // Null when the file cannot be opened.
    virtual std::unique_ptr<ByteSource> open(const std::string& path) = 0;
};

struct DemoLoad {
    bool loaded = false;
    TiffStatus status = TiffStatus::ok;  // the negative code behind a failure, where there is one
    std::string message;                 // for the operator; empty when loaded
    uint32_t width = 0;                  // known once the geometry was read
};

// dest: the driver's 4000 x 1244 image buffer; the file's bottom row lands in row 0, rows
// being `width` bytes apart. On failure the rows written so far stay.
DemoLoad load_demo_tiff(FileAccess& files, const std::string& path, std::span<uint8_t> dest);

bool has_tiff_extension(const std::string& path);

// File access through the C library.
class StdioAccess : public FileAccess {
  public:
    bool exists(const std::string& path) override;
    std::unique_ptr<ByteSource> open(const std::string& path) override;
};

}  // namespace np::tiff
