// libFuzzer target: any bytes as a demonstration TIFF file.
#include <cstdlib>
#include <vector>

#include "acquisition/tiff/demo_tiff.h"
#include "acquisition/tiff/tiff_reader.h"

namespace {

using namespace np::tiff;

// Rows must arrive inside the image and exactly one image row wide.
class CheckedRows : public RowHandler {
  public:
    explicit CheckedRows(const ImageLayout& image) : image_(image), row_(image.width) {}
    void row(uint32_t y, std::span<const uint8_t> grey) override {
        if (y >= image_.height || grey.size() != image_.width) std::abort();
        std::copy(grey.begin(), grey.end(), row_.begin());
    }

  private:
    const ImageLayout& image_;
    std::vector<uint8_t> row_;
};

class OneFile : public FileAccess {
  public:
    explicit OneFile(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool exists(const std::string&) override { return true; }
    std::unique_ptr<ByteSource> open(const std::string&) override {
        return std::make_unique<MemorySource>(bytes_);
    }

  private:
    std::span<const uint8_t> bytes_;
};

// The decoder alone, on images of any height (the loader refuses all but tall ones).
void decode_directly(std::span<const uint8_t> bytes) {
    MemorySource file(bytes);
    std::vector<Directory> dirs;
    if (read_directories(file, dirs) != TiffStatus::ok) return;
    const Directory* dir = select_image(dirs);
    ImageLayout image;
    if (dir == nullptr || describe_image(file, *dir, image) != TiffStatus::ok) return;
    if (image.width > kDemoMaxWidth) return;
    CheckedRows rows(image);
    uint32_t first = image.height > kDemoRows ? image.height - kDemoRows : 0;
    decode_image(file, *dir, image, first, rows);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    decode_directly(bytes);
    static std::vector<uint8_t> dest(kDemoBufferSize);
    OneFile files(bytes);
    load_demo_tiff(files, "C:\\KX\\DEMO0001.TIF", dest);
    return 0;
}
