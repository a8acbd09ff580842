#include <new>
#include <vector>

#include "acquisition/jpeg/jpeg_decoder.h"
#include "acquisition/tiff/tiff_reader.h"

namespace np::tiff {
namespace {

// Passes the stream's rows on, once the frame is known to be the directory's image.
class FrameCheck : public jpeg::GreySink {
  public:
    FrameCheck(const ImageLayout& image, uint32_t first_row, RowHandler& rows)
        : image_(image), first_row_(first_row), rows_(rows) {}

    bool accept_frame(const jpeg::Frame& frame) override {
        return frame.width == image_.width && frame.height == image_.height;
    }
    void row(uint32_t y, std::span<const uint8_t> grey) override {
        if (y >= first_row_) rows_.row(y, grey);
    }

  private:
    const ImageLayout& image_;
    uint32_t first_row_;
    RowHandler& rows_;
};

}  // namespace

TiffStatus decode_jpeg(ByteSource& file, const Directory& dir, const ImageLayout& image,
                       uint32_t first_row, RowHandler& rows) {
    if (!dir.has(Tag::jpeg_interchange_format) || !dir.has(Tag::jpeg_interchange_format_length)) {
        return TiffStatus::bad_format;
    }
    uint32_t offset = dir.value(Tag::jpeg_interchange_format);
    uint32_t length = dir.value(Tag::jpeg_interchange_format_length);
    if (!file.contains(offset, length)) return TiffStatus::cannot_read;
    std::vector<uint8_t> stream;
    try {
        stream.resize(length);
    } catch (const std::bad_alloc&) {
        return TiffStatus::no_memory;
    }
    if (!file.read(offset, stream)) return TiffStatus::cannot_read;
    FrameCheck sink(image, first_row, rows);
    jpeg::Status s = jpeg::decode_grey(stream, sink);
    return s == jpeg::Status::ok ? TiffStatus::ok : TiffStatus::bad_format;
}

}  // namespace np::tiff
