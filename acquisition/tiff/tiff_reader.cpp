#include "acquisition/tiff/tiff_reader.h"

namespace np::tiff {

TiffStatus decode_image(ByteSource& file, const Directory& dir, const ImageLayout& image,
                        uint32_t first_row, RowHandler& rows) {
    switch (image.compression) {
        case Compression::none:
        case Compression::lzw:
            return decode_strips(file, dir, image, first_row, rows);
        case Compression::jpeg:
            return decode_jpeg(file, dir, image, first_row, rows);
        case Compression::unsupported:
            break;
    }
    return TiffStatus::bad_format;
}

}  // namespace np::tiff
