// Huffman tables and the entropy-coded bit stream of a JPEG scan.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace np::jpeg {

class BitReader {
  public:
    explicit BitReader(std::span<const uint8_t> data, size_t start = 0)
        : data_(data), pos_(start) {}

    // Top n bits of the stream (n <= 25) without consuming them.
    uint32_t peek(int n) {
        if (count_ < n) fill();
        return static_cast<uint32_t>(acc_ >> (64 - n));
    }
    void skip(int n) {
        acc_ <<= n;
        count_ -= n;
    }
    uint32_t take(int n) {
        if (n == 0) return 0;
        uint32_t v = peek(n);
        skip(n);
        return v;
    }
    // True when decoding has eaten into the zero bits fed after the end of the segment.
    bool overrun() const { return count_ < padding_; }
    // Drops the bits of the current byte and any bytes up to the next marker; the reader
    // then stands on that marker (position of its 0xFF), or at the end of the data.
    size_t seek_marker();
    void restart_at(size_t pos) {
        pos_ = pos;
        acc_ = 0;
        count_ = 0;
        padding_ = 0;
        at_marker_ = false;
    }

  private:
    void fill();

    std::span<const uint8_t> data_;
    size_t pos_;
    uint64_t acc_ = 0;  // left-aligned
    int count_ = 0;
    int padding_ = 0;  // zero bits appended past a marker or the end, at the tail of acc_
    bool at_marker_ = false;
};

class HuffmanTable {
  public:
    static constexpr int kLookahead = 9;

    // counts[i] = number of codes of length i + 1; false when the lengths cannot form a
    // prefix code or the symbol count is wrong.
    bool build(std::span<const uint8_t, 16> counts, std::span<const uint8_t> symbols);
    bool defined() const { return defined_; }
    // The next symbol, or -1 for a code that is not in the table.
    int decode(BitReader& bits) const {
        uint32_t ahead = bits.peek(16);
        uint16_t fast = lookup_[ahead >> (16 - kLookahead)];
        if (fast != 0) {
            bits.skip(fast >> 8);
            return fast & 0xFF;
        }
        return decode_long(bits, ahead);
    }

  private:
    int decode_long(BitReader& bits, uint32_t ahead) const;

    bool defined_ = false;
    std::array<uint16_t, 1 << kLookahead> lookup_{};  // (length << 8) | symbol, 0 = longer code
    std::array<int32_t, 18> max_code_{};              // largest code of each length, -1 if none
    std::array<int32_t, 17> value_offset_{};
    std::array<uint8_t, 256> symbols_{};
};

// The signed value of an n-bit magnitude category (T.81 F.2.2.1).
inline int extend(uint32_t v, int n) {
    return v < (1u << (n - 1)) ? static_cast<int>(v) - (1 << n) + 1 : static_cast<int>(v);
}

}  // namespace np::jpeg
