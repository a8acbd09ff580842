// What the demonstration driver computes without the system: the record it plays, the
// preview drawn from the file's image, the pace and the values of its simulated
// transfer, and the image rows copied into the delivered bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/acquisition_record.h"

namespace np::demo {

// The image buffer: up to 4000 columns of 1244 rows, one byte a pixel, the file's
// bottom row first, rows `image length` bytes apart.
inline constexpr int kMaxImageLength = 4000;
inline constexpr int kImageRows = 1244;
inline constexpr std::size_t kImageBufferSize = std::size_t{kMaxImageLength} * kImageRows;
static_assert(kImageBufferSize == 4'976'000);

// The preview is always drawn at 1/6 scale: 666 x 208.
inline constexpr int kPreviewFactor = 6;
inline constexpr int kPreviewWidth = kMaxImageLength / kPreviewFactor;
inline constexpr int kPreviewHeight = kImageRows / kPreviewFactor + 1;

inline constexpr const char* kDemoFileName = "\\DEMO0001.TIF";
inline constexpr const char* kDefaultInstallDir = "C:\\KX";

// "InstallDir" followed by the file name.
std::string demo_file_path(std::string_view install_dir);

// Columns left free on each side of an image of `image_length` columns in the preview.
int preview_offset(int image_length);

// The record a demonstration acquisition reports. Without a console the exposure
// values are the demonstration's own; with one they stay as the console's GetInfosTir
// left them. The single image section covers the delivered image.
void fill_demo_record(AcquisitionRecord& record, bool with_console, int image_length);

// Pixels of an 8-bit bitmap stored bottom-up.
struct BitmapPixels {
    std::uint8_t* bits;
    int width;
    int height;
    int stride;
};

// Every sixth pixel of every sixth image row into the preview, from column `offset` on;
// image row r lands in stored row r / 6. Nothing is drawn outside the preview.
void draw_preview(const std::uint8_t* image, int image_length, BitmapPixels preview, int offset);

// Image row r becomes stored row r of the bitmap, which must be image_length x 1244.
void copy_image_rows(const std::uint8_t* image, int image_length, BitmapPixels bitmap);

// The simulated transfer: after a first pause, the preview offset is announced (when
// it is not 0), then one step of ten columns at a time.
class SimulatedTransfer {
  public:
    static constexpr unsigned kFirstPauseMs = 300;
    static constexpr unsigned kStepPauseMs = 50;
    static constexpr int kColumnsPerStep = 10;

    SimulatedTransfer(int image_length, int offset) : length_(image_length), offset_(offset) {}

    bool announces_offset() const { return offset_ != 0; }
    // lParam of the announcement.
    int announcement() const { return (offset_ + 5) / kPreviewFactor; }
    int steps() const { return length_ / kColumnsPerStep; }
    // lParam of the preview message after step `i` (0-based).
    int step_columns(int i) const {
        const int drawn = kColumnsPerStep * i + kPreviewFactor * offset_;
        return (drawn + kColumnsPerStep + 5) / kPreviewFactor;
    }

  private:
    int length_;
    int offset_;
};

}  // namespace np::demo
