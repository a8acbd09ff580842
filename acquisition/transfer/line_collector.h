// Keeps the card lines that belong to the image and copies them, re-ordered by the
// adaptation, into the raw image buffer. One batch is whatever the card wrote since
// the last look at its fill index.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "acquisition/transfer/section_windows.h"
#include "acquisition/transfer/transfer_layout.h"
#include "common/acquisition_record.h"

namespace np::transfer {

using ReArrangementFn = void (*)(std::uint16_t* dest, int samples, const std::uint16_t* src);
using TraceFn = std::function<void(const char* text)>;

// Batch results.
enum BatchResult : int { kImageComplete = 0, kKeepReading = 1, kBatchFailed = 2 };

struct BatchOutcome {
    int result = kKeepReading;
    int first_line = 0;  // raw-buffer lines written during the batch (gaps included)
    int line_count = 0;
};

struct CollectorSetup {
    int mode = static_cast<int>(TransferMode::bits10);  // raw setting: 1, 2 or anything else
    ReArrangementFn rearrange = nullptr;
    std::uint16_t* raw = nullptr;  // kRawBufferBytes, zeroed by the caller
    SectionWindows windows;        // 10-bit mode
    int section_count = 0;         // 0..10
    TraceFn trace;
};

struct DetectedSection {
    int first = 0;
    int last = -1;
};

class LineCollector {
  public:
    explicit LineCollector(CollectorSetup setup);

    // The fill index read when the card was started.
    void start(std::uint32_t fill_index);

    // Handles the lines between the previous fill index and `fill_index`.
    // `picture` is the card's picture buffer (kPictureBufferBytes).
    BatchOutcome process(const std::uint16_t* picture, std::uint32_t fill_index);

    int image_lines() const { return static_cast<int>(write_position_ / kRawLineBytes); }
    int sections_started() const { return sections_started_; }
    int section_count() const { return setup_.section_count; }
    int resync_count() const { return resync_count_; }
    std::uint32_t previous_fill_index() const { return previous_index_; }
    const std::uint16_t* raw() const { return setup_.raw; }

    // 12-bit mode: the record's sections become the ones found in the data.
    void rewrite_sections(AcquisitionRecord& record) const;

  private:
    BatchOutcome process_10bit(const std::uint16_t* picture, std::uint32_t fill_index);
    BatchOutcome process_12bit(const std::uint16_t* picture, std::uint32_t fill_index);
    int handle_line(const std::uint16_t* line, int control);
    int open_section();
    bool copy_line(const std::uint16_t* line);
    bool advance_gap();
    int section_line_index() const { return image_lines(); }
    int end_of_image_or_more() const;
    void trace(const char* text) const {
        if (setup_.trace) setup_.trace(text);
    }

    CollectorSetup setup_;
    std::size_t write_position_ = 0;
    std::uint32_t previous_index_ = kPictureBufferBytes;
    // 10-bit mode.
    int line_counter_ = 0;
    bool in_gap_ = false;
    int last_kept_window_ = -1;
    bool separator_since_kept_ = false;
    // 12-bit mode.
    int sections_started_ = 1;
    std::array<DetectedSection, kMaxSections> detected_{};
    int detected_count_ = 1;
    int marker_state_ = 0;
    int resync_count_ = 0;
};

}  // namespace np::transfer
