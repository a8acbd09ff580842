#include "acquisition/transfer/line_collector.h"

#include <algorithm>
#include <utility>

namespace np::transfer {
namespace {

constexpr int kHandlerComplete = 0;
constexpr int kHandlerNext = 1;
constexpr int kHandlerBadControl = 2;
constexpr int kHandlerFailed = 3;

bool is_marker(int control) {
    return control == kControlImageEnd || control == kControlSectionEnd ||
           control == kControlOrdinary;
}

// The next unread byte must lie within the buffer and on a word boundary.
bool plausible_index(std::uint32_t index) {
    return index <= kPictureBufferBytes && index % 2 == 0;
}

}  // namespace

LineCollector::LineCollector(CollectorSetup setup) : setup_(std::move(setup)) {
    setup_.section_count = std::clamp(setup_.section_count, 0, kMaxSections);
    setup_.windows.count = std::clamp(setup_.windows.count, 0, kMaxSections);
}

void LineCollector::start(std::uint32_t fill_index) {
    previous_index_ = fill_index;
}

BatchOutcome LineCollector::process(const std::uint16_t* picture, std::uint32_t fill_index) {
    if (setup_.mode == static_cast<int>(TransferMode::bits10))
        return process_10bit(picture, fill_index);
    if (setup_.mode == static_cast<int>(TransferMode::bits12))
        return process_12bit(picture, fill_index);
    trace("Error\n");
    return {kBatchFailed, image_lines(), 0};
}

bool LineCollector::copy_line(const std::uint16_t* line) {
    if (write_position_ + kRawLineBytes > kRawBufferBytes) {
        trace("Depassement buffer image\n");
        return false;
    }
    setup_.rearrange(setup_.raw + write_position_ / sizeof(std::uint16_t), kSamplesPerLine, line);
    write_position_ += kRawLineBytes;
    return true;
}

bool LineCollector::advance_gap() {
    if (write_position_ + kSectionGapBytes > kRawBufferBytes) {
        trace("Depassement buffer image\n");
        return false;
    }
    write_position_ += kSectionGapBytes;
    return true;
}

BatchOutcome LineCollector::process_10bit(const std::uint16_t* picture, std::uint32_t fill_index) {
    BatchOutcome outcome{kKeepReading, image_lines(), 0};
    if (!plausible_index(previous_index_) || fill_index > previous_index_) {
        outcome.result = kBatchFailed;
        return outcome;
    }
    const int lines = static_cast<int>((previous_index_ - fill_index) / kCardLineBytes10);
    const std::uint16_t* line = picture + (kPictureBufferBytes - previous_index_) / 2;
    const SectionWindows& windows = setup_.windows;
    bool copying = true;  // a line that does not fit ends the copying of the batch
    for (int i = 0; i < lines; ++i, line += kSamplesPerLine) {
        const int n = line_counter_;
        const int window = windows.window_of(n);
        if (window >= 0) {
            // Adjacent windows leave no dropped line between them, yet the record
            // places each section 50 columns after the previous one.
            if (copying && last_kept_window_ >= 0 && window != last_kept_window_ &&
                !separator_since_kept_)
                copying = advance_gap();
            in_gap_ = false;
            if (copying) copying = copy_line(line);
            last_kept_window_ = window;
            separator_since_kept_ = false;
            if (window == windows.count - 1 && n == windows.back().last) {
                trace("Derniere ligne\n");
                ++line_counter_;
                outcome.result = kImageComplete;
                break;
            }
        } else if (!in_gap_) {
            in_gap_ = true;
            if (!windows.empty() && n > windows.front().first && n < windows.back().first) {
                if (copying) copying = advance_gap();
                separator_since_kept_ = true;
            }
        }
        ++line_counter_;
    }
    previous_index_ -= static_cast<std::uint32_t>(lines * kCardLineBytes10);
    outcome.line_count = image_lines() - outcome.first_line;
    return outcome;
}

int LineCollector::end_of_image_or_more() const {
    return sections_started_ < setup_.section_count ? kHandlerNext : kHandlerComplete;
}

// Starts the next image section 50 lines after the previous one.
int LineCollector::open_section() {
    if (detected_count_ >= kMaxSections) return kHandlerFailed;
    if (!advance_gap()) return kHandlerFailed;
    ++sections_started_;
    DetectedSection& section = detected_[detected_count_++];
    section.first = section_line_index();
    section.last = section.first - 1;
    return kHandlerNext;
}

int LineCollector::handle_line(const std::uint16_t* line, int control) {
    if (marker_state_ == 0) {
        if (control == kControlOrdinary) {
            const int index = section_line_index();
            if (!copy_line(line)) return kHandlerFailed;
            detected_[detected_count_ - 1].last = index;
            return kHandlerNext;
        }
        if (control == kControlSectionEnd || control == kControlImageEnd) {
            trace(control == kControlSectionEnd ? "Fin de zone detectee\n"
                                                : "Fin d'image detectee\n");
            marker_state_ = 1;
            const int index = section_line_index();
            if (!copy_line(line)) return kHandlerFailed;
            detected_[detected_count_ - 1].last = index;
            return end_of_image_or_more();
        }
        trace("erreur dans le champ de controle\n");
        return kHandlerBadControl;
    }
    if (marker_state_ == 1) {
        if (control == kControlOrdinary || control == kControlSectionEnd) {
            if (control == kControlSectionEnd) trace("Fin de zone detectee\n");
            if (control == kControlOrdinary) marker_state_ = 0;
            if (open_section() != kHandlerNext) return kHandlerFailed;
            const int index = section_line_index();
            if (!copy_line(line)) return kHandlerFailed;
            detected_[detected_count_ - 1].last = index;
            if (control == kControlOrdinary) return kHandlerNext;
            // A section of one line that ends at once: count it as finished too.
            ++sections_started_;
            return end_of_image_or_more();
        }
        if (control == kControlImageEnd) {
            trace("Fin d'image detectee\n");
            return end_of_image_or_more();
        }
        trace("erreur dans le champ de controle\n");
        return kHandlerBadControl;
    }
    trace("erreur de deroulement\n");
    return kHandlerFailed;
}

BatchOutcome LineCollector::process_12bit(const std::uint16_t* picture, std::uint32_t fill_index) {
    BatchOutcome outcome{kKeepReading, image_lines(), 0};
    if (!plausible_index(previous_index_) || fill_index > previous_index_) {
        outcome.result = kBatchFailed;
        return outcome;
    }
    std::size_t cursor = kPictureBufferBytes - previous_index_;
    const std::size_t end = kPictureBufferBytes - fill_index;
    auto map = [](int handler) {
        switch (handler) {
            case kHandlerComplete:
                return static_cast<int>(kImageComplete);
            case kHandlerNext:
                return static_cast<int>(kKeepReading);
            default:
                return static_cast<int>(kBatchFailed);
        }
    };
    while (outcome.result == kKeepReading && end - cursor >= kCardLineBytes12) {
        const std::uint16_t* line = picture + cursor / 2;
        const int handled = handle_line(line, control_field(line[kCardLineWords12 - 1]));
        if (handled != kHandlerBadControl) {
            outcome.result = map(handled);
            cursor += kCardLineBytes12;
            continue;
        }
        ++resync_count_;
        std::size_t at = cursor;
        int marker = 0;
        for (; end - at >= 4; at += 2) {
            marker = control_field(picture[at / 2]);
            if (is_marker(marker)) break;
        }
        if (!is_marker(marker) || end - at < 4) break;  // the next batch starts at the bad line
        cursor = at + 2;
        if (marker != kControlOrdinary) {
            std::array<std::uint16_t, kCardLineWords12> blank{};
            blank[kCardLineWords12 - 1] = control_word(marker);
            outcome.result = map(handle_line(blank.data(), marker));
        }
    }
    previous_index_ = static_cast<std::uint32_t>(kPictureBufferBytes - cursor);
    outcome.line_count = image_lines() - outcome.first_line;
    return outcome;
}

void LineCollector::rewrite_sections(AcquisitionRecord& record) const {
    record.section_count = static_cast<std::int16_t>(detected_count_);
    for (int k = 0; k < kMaxSections; ++k) {
        if (k < detected_count_) {
            record.sections[k].start = static_cast<std::int16_t>(detected_[k].first);
            record.sections[k].width =
                static_cast<std::int16_t>(detected_[k].last - detected_[k].first + 1);
        } else {
            record.sections[k] = {};
        }
    }
}

}  // namespace np::transfer
