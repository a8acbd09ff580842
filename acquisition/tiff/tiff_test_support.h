// Shared by the reader's tests: files in memory, our decoding of a whole image.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "acquisition/tiff/demo_tiff.h"
#include "acquisition/tiff/tiff_reader.h"

namespace np::tiff {

// Files held in memory, by path.
class MemoryFiles : public FileAccess {
  public:
    std::map<std::string, std::vector<uint8_t>> files;
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    std::unique_ptr<ByteSource> open(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return nullptr;
        return std::make_unique<MemorySource>(it->second);
    }
};

class Capture : public RowHandler {
  public:
    explicit Capture(uint32_t width, uint32_t height)
        : width(width), pixels(size_t{width} * height) {}
    void row(uint32_t y, std::span<const uint8_t> grey) override {
        std::copy(grey.begin(), grey.end(), pixels.begin() + size_t{y} * width);
        ++rows;
    }
    uint32_t width;
    std::vector<uint8_t> pixels;
    uint32_t rows = 0;
};

struct Decoded {
    TiffStatus status = TiffStatus::ok;
    ImageLayout image;
    std::vector<uint8_t> pixels;  // top row first
    uint32_t rows = 0;
};

// Every row of the file's image through our reader.
inline Decoded decode_all(ByteSource& file) {
    Decoded out;
    std::vector<Directory> dirs;
    if ((out.status = read_directories(file, dirs)) != TiffStatus::ok) return out;
    const Directory* dir = select_image(dirs);
    if (dir == nullptr) {
        out.status = TiffStatus::image_not_found;
        return out;
    }
    if ((out.status = describe_image(file, *dir, out.image)) != TiffStatus::ok) return out;
    Capture capture(out.image.width, out.image.height);
    out.status = decode_image(file, *dir, out.image, 0, capture);
    out.pixels = std::move(capture.pixels);
    out.rows = capture.rows;
    return out;
}

}  // namespace np::tiff
