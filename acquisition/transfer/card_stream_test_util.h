// A picture buffer filled the way the card fills it, for the transfer tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "acquisition/record/record_rules.h"
#include "acquisition/transfer/line_collector.h"
#include "acquisition/transfer/transfer_layout.h"

namespace np::transfer::testing {

class CardStream {
  public:
    CardStream() : words_(kPictureBufferBytes / 2, 0) {}

    // A 10-bit line whose samples all hold `tag`.
    void add_line10(std::uint16_t tag) {
        std::fill_n(words_.begin() + written_ / 2, kSamplesPerLine, tag);
        written_ += kCardLineBytes10;
    }
    // A 12-bit line whose samples all hold `tag`, with its control field.
    void add_line12(std::uint16_t tag, int control) {
        std::fill_n(words_.begin() + written_ / 2, kSamplesPerLine, tag);
        words_[written_ / 2 + kSamplesPerLine] = 0;
        words_[written_ / 2 + kCardLineWords12 - 1] = control_word(control);
        written_ += kCardLineBytes12;
    }
    std::uint32_t fill_index() const {
        return kPictureBufferBytes - static_cast<std::uint32_t>(written_);
    }
    // Pretends the card has written only up to `bytes`.
    std::uint32_t fill_index_at(std::size_t bytes) const {
        return kPictureBufferBytes - static_cast<std::uint32_t>(bytes);
    }
    std::size_t written() const { return written_; }
    const std::uint16_t* picture() const { return words_.data(); }

  private:
    std::vector<std::uint16_t> words_;
    std::size_t written_ = 0;
};

inline void copy_line(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    std::memcpy(dest, src, static_cast<std::size_t>(samples) * sizeof(std::uint16_t));
}

// The raw image buffer, exactly as large as the driver's so that ASan sees overruns.
struct RawImage {
    std::vector<std::uint16_t> samples = std::vector<std::uint16_t>(kRawBufferBytes / 2, 0);
    std::uint16_t line_tag(int line) const { return samples[std::size_t(line) * kSamplesPerLine]; }
};

// A record of sections of these widths, every start 0.
inline AcquisitionRecord sections(std::initializer_list<int> widths) {
    AcquisitionRecord record{};
    for (int width : widths)
        record.sections[record.section_count++].width = static_cast<std::int16_t>(width);
    return record;
}

// A collector of `record` into `raw`, started on an empty picture buffer.
inline LineCollector started_collector(int mode, const AcquisitionRecord& record,
                                       std::array<int, kMaxSections> gaps, RawImage& raw,
                                       TraceFn trace = {}) {
    CollectorSetup setup;
    setup.mode = mode;
    setup.rearrange = copy_line;
    setup.raw = raw.samples.data();
    setup.windows = section_windows(record, gaps);
    setup.section_count = np::record::usable_section_count(record);
    setup.trace = std::move(trace);
    LineCollector collector(setup);
    collector.start(kPictureBufferBytes);
    return collector;
}

}  // namespace np::transfer::testing
