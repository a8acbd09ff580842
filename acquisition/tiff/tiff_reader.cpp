#include "acquisition/tiff/tiff_reader.h"

namespace np::tiff {

TiffStatus decode_image(ByteSource& file, const Directory& dir, const ImageLayout& image,
                        uint32_t first_row, RowHandler& rows) {
    if (image.compression == Compression::jpeg)
        return decode_jpeg(file, dir, image, first_row, rows);
    return decode_strips(file, dir, image, first_row, rows);
}

}  // namespace np::tiff
