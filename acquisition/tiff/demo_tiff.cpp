#include "acquisition/tiff/demo_tiff.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "acquisition/tiff/demo_messages.h"
#include "acquisition/tiff/tiff_directory.h"
#include "acquisition/tiff/tiff_image.h"
#include "acquisition/tiff/tiff_reader.h"

namespace np::tiff {
namespace {

DemoLoad failure(TiffStatus status, std::string message) {
    DemoLoad result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

// Row y from the top goes to destination row height - 1 - y; only 1244 rows exist there.
class BottomUpRows : public RowHandler {
  public:
    BottomUpRows(std::span<uint8_t> dest, uint32_t width, uint32_t height)
        : dest_(dest), width_(width), height_(height) {}
    void row(uint32_t y, std::span<const uint8_t> grey) override {
        uint32_t target = height_ - 1 - y;
        if (y >= height_ || target >= kDemoRows || grey.size() < width_) return;
        size_t at = size_t{target} * width_;
        if (at + width_ > dest_.size()) return;
        std::memcpy(dest_.data() + at, grey.data(), width_);
    }

  private:
    std::span<uint8_t> dest_;
    uint32_t width_;
    uint32_t height_;
};

}  // namespace

bool has_tiff_extension(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = path.substr(dot);
    if (ext.size() != 4) return false;
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tif";
}

DemoLoad load_demo_tiff(FileAccess& files, const std::string& path, std::span<uint8_t> dest) {
    if (!files.exists(path))
        return failure(TiffStatus::cannot_open, status_message(TiffStatus::cannot_open, path));
    if (!has_tiff_extension(path)) return failure(TiffStatus::ok, kNotTiffMessage);

    std::unique_ptr<ByteSource> file = files.open(path);
    if (!file)
        return failure(TiffStatus::cannot_open, status_message(TiffStatus::cannot_open, path));
    std::vector<Directory> directories;
    if (TiffStatus s = read_directories(*file, directories); s != TiffStatus::ok) {
        return failure(s, status_message(s, path));
    }
    const Directory* dir = select_image(directories);
    if (dir == nullptr) {
        return failure(TiffStatus::image_not_found,
                       status_message(TiffStatus::image_not_found, path));
    }
    ImageLayout image;
    if (TiffStatus s = describe_image(*file, *dir, image); s != TiffStatus::ok) {
        return failure(s, kFormatMessage);
    }
    if (image.width > kDemoMaxWidth) return failure(TiffStatus::ok, kWidthMessage);
    if (image.height < kDemoRows) {
        DemoLoad result = failure(TiffStatus::ok, kHeightMessage);
        result.width = image.width;
        return result;
    }
    if (dest.size() < size_t{image.width} * kDemoRows) {
        return failure(TiffStatus::no_memory, status_message(TiffStatus::no_memory, path));
    }

    BottomUpRows rows(dest, image.width, image.height);
    uint32_t first_row = image.height - kDemoRows;
    if (TiffStatus s = decode_image(*file, *dir, image, first_row, rows); s != TiffStatus::ok) {
        DemoLoad result = failure(s, status_message(s, path));
        result.width = image.width;
        return result;
    }
    DemoLoad result;
    result.loaded = true;
    result.width = image.width;
    return result;
}

bool StdioAccess::exists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

std::unique_ptr<ByteSource> StdioAccess::open(const std::string& path) {
    return StdioSource::open(path);
}

}  // namespace np::tiff
