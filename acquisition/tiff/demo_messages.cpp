#include "acquisition/tiff/demo_messages.h"

namespace np::tiff {

std::string status_message(TiffStatus status, std::string_view path) {
    std::string p(path);
    switch (status) {
        case TiffStatus::ok:
            return {};
        case TiffStatus::cannot_open:
            return "Cannot open file : " + p;
        case TiffStatus::cannot_read:
            return "Cannot read file : " + p;
        case TiffStatus::bad_format:
            return "Demo file has uncorrect format : " + p;
        // Windows-1252: 0xE9 is e acute.
        case TiffStatus::no_memory:
            return "Erreur lors de l'allocation m\xE9moire";
        case TiffStatus::image_not_found:
            return "Image not found in file : " + p;
        case TiffStatus::lzw_error:
            return "LZW error in file : " + p;
    }
    return {};
}

}  // namespace np::tiff
