#include "acquisition/demo/demo_rules.h"

#include <algorithm>
#include <cstring>

namespace np::demo {
namespace {

constexpr std::uint8_t kDemoProgram = 0;
constexpr std::uint8_t kDemoUnitSpecific = 77;
constexpr float kDemoKv = 70.0f;
constexpr float kDemoMa = 6.4f;
constexpr float kDemoExposureSeconds = 17.6f;
constexpr std::uint32_t kDemoValidity = 1264;

}  // namespace

std::string demo_file_path(std::string_view install_dir) {
    return std::string(install_dir) + kDemoFileName;
}

int preview_offset(int image_length) {
    const int length = std::clamp(image_length, 0, kMaxImageLength);
    return (kPreviewWidth - length / kPreviewFactor) / 2;
}

void fill_demo_record(AcquisitionRecord& record, bool with_console, int image_length) {
    record.program = kDemoProgram;
    record.unit_specific = kDemoUnitSpecific;
    if (!with_console) {
        record.kv = kDemoKv;
        record.ma = kDemoMa;
        record.exposure_time = kDemoExposureSeconds;
    }
    record.valid = kDemoValidity;
    record.section_count = 1;
    std::memset(record.sections, 0, sizeof record.sections);
    record.sections[0].start = 0;
    record.sections[0].width =
        static_cast<std::int16_t>(std::clamp(image_length, 0, kMaxImageLength));
}

void draw_preview(const std::uint8_t* image, int image_length, BitmapPixels preview, int offset) {
    if (offset < 0) return;
    const int rows = std::min(kImageRows, preview.height * kPreviewFactor);
    for (int row = 0; row < rows; row += kPreviewFactor) {
        const std::uint8_t* source = image + static_cast<std::size_t>(row) * image_length;
        std::uint8_t* target =
            preview.bits + static_cast<std::size_t>(row / kPreviewFactor) * preview.stride;
        for (int x = 0; x < image_length; x += kPreviewFactor) {
            const int column = offset + x / kPreviewFactor;
            if (column >= preview.width) break;
            target[column] = source[x];
        }
    }
}

void copy_image_rows(const std::uint8_t* image, int image_length, BitmapPixels bitmap) {
    const int length = std::min(image_length, bitmap.width);
    const int rows = std::min(kImageRows, bitmap.height);
    for (int row = 0; row < rows; ++row)
        std::memcpy(bitmap.bits + static_cast<std::size_t>(row) * bitmap.stride,
                    image + static_cast<std::size_t>(row) * image_length,
                    static_cast<std::size_t>(length));
}

}  // namespace np::demo
