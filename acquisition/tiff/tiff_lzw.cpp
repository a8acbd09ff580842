#include "acquisition/tiff/tiff_lzw.h"

#include <array>
#include <cstring>

namespace np::tiff {
namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kEnd = 257;
constexpr uint32_t kFirstFree = 258;
constexpr uint32_t kTableSize = 4096;
constexpr int kMinWidth = 9;
constexpr int kMaxWidth = 12;

// Every string of the table is a run of bytes already written to the output: a new entry is
// the previous string followed by the first byte of the current one, and the two lie next
// to each other. So an entry is an (offset, length) into the output and decoding is copying.
struct Run {
    uint32_t offset;
    uint32_t length;
};

class CodeReader {
  public:
    explicit CodeReader(std::span<const uint8_t> in) : in_(in) {}
    // False when fewer than `width` bits remain.
    bool next(int width, uint32_t& code) {
        while (count_ < width) {
            if (pos_ >= in_.size()) return false;
            acc_ = acc_ << 8 | in_[pos_++];
            count_ += 8;
        }
        count_ -= width;
        code = static_cast<uint32_t>(acc_ >> count_) & ((1u << width) - 1);
        return true;
    }

  private:
    std::span<const uint8_t> in_;
    size_t pos_ = 0;
    uint64_t acc_ = 0;
    int count_ = 0;
};

}  // namespace

uint64_t lzw_expansion_limit(uint64_t compressed) {
    // No string is longer than the table has entries.
    return compressed * 8 / kMinWidth * kTableSize;
}

LzwResult decode_lzw(std::span<const uint8_t> in, std::span<uint8_t> out) {
    std::array<Run, kTableSize> table;
    uint32_t next = kFirstFree;
    int width = kMinWidth;
    bool have_previous = false;
    Run previous{0, 0};
    uint32_t pos = 0;
    const uint32_t end = static_cast<uint32_t>(out.size());
    uint8_t* o = out.data();

    CodeReader reader(in);
    uint32_t code;
    while (reader.next(width, code)) {
        if (code == kEnd) break;
        if (code == kClear) {
            next = kFirstFree;
            width = kMinWidth;
            have_previous = false;
            continue;
        }
        Run current;
        if (code < 256) {
            if (pos >= end) return LzwResult::too_long;
            o[pos] = static_cast<uint8_t>(code);
            current = {pos, 1};
        } else if (!have_previous) {
            return LzwResult::bad_code;  // only a literal may follow Clear
        } else if (code < next) {
            const Run& r = table[code];
            if (r.length > end - pos) return LzwResult::too_long;
            // The entry ends at or before pos, so source and destination never overlap.
            std::memcpy(o + pos, o + r.offset, r.length);
            current = {pos, r.length};
        } else if (code == next && next < kTableSize) {
            // The string being defined: previous string plus its own first byte.
            if (previous.length + 1 > end - pos) return LzwResult::too_long;
            std::memcpy(o + pos, o + previous.offset, previous.length);
            o[pos + previous.length] = o[previous.offset];
            current = {pos, previous.length + 1};
        } else {
            return LzwResult::bad_code;
        }
        if (have_previous && next < kTableSize) {
            table[next++] = Run{previous.offset, previous.length + 1};
            if (next >= (1u << width) - 1 && width < kMaxWidth) ++width;
        }
        previous = current;
        have_previous = true;
        pos += current.length;
    }
    return pos == end ? LzwResult::ok : LzwResult::too_short;
}

}  // namespace np::tiff
