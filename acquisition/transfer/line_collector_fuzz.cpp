// libFuzzer target: the line collector fed whatever a card could write, in batches of
// any size, with fill indexes true or false.
//
// Input: byte 0 the transfer mode as set (1, 2 or anything else); byte 1 the record's
// section count (signed); then per section (at most ten) a little-endian 16-bit width
// and one gap byte. Then operations until the input ends, each one byte:
//   0 lines:   count, control, 16-bit sample; 12-bit lines of that sample and control
//              field (10-bit lines of the sample when the byte's bit 4 is set)
//   1 bytes:   one length byte, then that many bytes as the card wrote them
//   2 batch:   the collector looks at the fill index
//   3 lie:     the collector is handed a 32-bit fill index of the input's choosing
// A final batch follows the last operation. Batches end at the first that does not
// ask for more.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "acquisition/record/record_rules.h"
#include "acquisition/transfer/line_collector.h"
#include "acquisition/transfer/section_windows.h"
#include "acquisition/transfer/transfer_layout.h"

namespace {

using namespace np::transfer;

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    std::uint32_t dword() { return word() | static_cast<std::uint32_t>(word()) << 16; }
    const std::uint8_t* take(std::size_t& count) {
        count = std::min(count, size_ - std::min(at_, size_));
        const std::uint8_t* bytes = data_ + at_;
        at_ += count;
        return bytes;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The card's picture buffer as DMA fills it: from the front, never past its end.
class Card {
  public:
    Card() : words_(kPictureBufferBytes / 2) {}

    void add_lines(int count, bool twelve_bit, int control, std::uint16_t sample) {
        const std::size_t line_bytes = twelve_bit ? kCardLineBytes12 : kCardLineBytes10;
        std::array<std::uint16_t, kCardLineWords12> line;
        line.fill(sample);
        line[kCardLineWords12 - 1] =
            static_cast<std::uint16_t>((sample & ~control_word(7)) | control_word(control));
        // Whole lines only, copied rather than filled: most of a run's time goes here.
        // A 10-bit line is the first 1244 words, all of them samples.
        for (int i = 0; i < count && written_ + line_bytes <= kPictureBufferBytes; ++i) {
            std::memcpy(reinterpret_cast<std::uint8_t*>(words_.data()) + written_, line.data(),
                        line_bytes);
            written_ += line_bytes;
        }
        touched_ = std::max(touched_, written_);
    }
    void add_bytes(const std::uint8_t* bytes, std::size_t count) {
        count = std::min<std::size_t>(count, kPictureBufferBytes - written_);
        std::memcpy(reinterpret_cast<std::uint8_t*>(words_.data()) + written_, bytes, count);
        written_ += count;
        touched_ = std::max(touched_, written_);
    }
    std::uint32_t fill_index() const {
        return kPictureBufferBytes - static_cast<std::uint32_t>(written_);
    }
    const std::uint16_t* picture() const { return words_.data(); }
    // Every run starts from a blank buffer, so that a finding replays alone.
    void clear() {
        std::memset(words_.data(), 0, touched_ + (touched_ & 1));
        written_ = touched_ = 0;
    }

  private:
    std::vector<std::uint16_t> words_;
    std::size_t written_ = 0;
    std::size_t touched_ = 0;
};

// Exactly the driver's buffer size, so that a line or gap past its end is caught.
std::vector<std::uint16_t> g_raw(kRawBufferBytes / 2);
Card g_card;

void copy_samples(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    if (samples != np::kSamplesPerLine) std::abort();
    std::memcpy(dest, src, static_cast<std::size_t>(samples) * sizeof *src);
}

np::AcquisitionRecord read_record(Input& in, std::array<int, np::kMaxSections>& gaps) {
    np::AcquisitionRecord record{};
    record.section_count = static_cast<std::int8_t>(in.byte());
    for (int k = 0; k < std::clamp<int>(record.section_count, 0, np::kMaxSections); ++k) {
        record.sections[k].width = static_cast<std::int16_t>(in.word());
        gaps[k] = in.byte();
    }
    return record;
}

void check_sections(const LineCollector& collector, const np::AcquisitionRecord& record) {
    if (record.section_count < 1 || record.section_count > np::kMaxSections) std::abort();
    for (int k = 0; k < record.section_count; ++k) {
        const np::ImageSection& s = record.sections[k];
        if (s.start < 0 || s.width < 0 || s.start + s.width > collector.image_lines()) std::abort();
        if (k > 0 && s.start < record.sections[k - 1].start + record.sections[k - 1].width)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int mode = in.byte();
    std::array<int, np::kMaxSections> gaps{};
    np::AcquisitionRecord record = read_record(in, gaps);

    CollectorSetup setup;
    setup.mode = mode;
    setup.rearrange = copy_samples;
    setup.raw = g_raw.data();
    setup.windows = section_windows(record, gaps);
    setup.section_count = np::record::usable_section_count(record);
    setup.trace = [](const char* text) {
        if (!text || !*text) std::abort();
    };
    LineCollector collector(setup);
    collector.start(g_card.fill_index());

    int result = kKeepReading;
    while (result == kKeepReading && !in.empty()) {
        const std::uint8_t op = in.byte();
        switch (op & 3) {
            case 0: {
                const int count = in.byte();
                const int control = in.byte();
                g_card.add_lines(count, !(op & 0x10), control, in.word());
                break;
            }
            case 1: {
                std::size_t count = in.byte();
                const std::uint8_t* bytes = in.take(count);
                g_card.add_bytes(bytes, count);
                break;
            }
            case 2:
                result = collector.process(g_card.picture(), g_card.fill_index()).result;
                break;
            case 3:
                result = collector.process(g_card.picture(), in.dword()).result;
                break;
        }
    }
    if (result == kKeepReading)
        result = collector.process(g_card.picture(), g_card.fill_index()).result;
    if (collector.image_lines() > kMaxImageLines) std::abort();
    if (mode == static_cast<int>(TransferMode::bits12)) {
        collector.rewrite_sections(record);
        check_sections(collector, record);
    }
    g_card.clear();
    return 0;
}
