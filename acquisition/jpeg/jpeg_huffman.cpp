#include "acquisition/jpeg/jpeg_huffman.h"

namespace np::jpeg {

void BitReader::fill() {
    while (count_ <= 56) {
        uint64_t byte = 0;
        if (!at_marker_ && pos_ < data_.size()) {
            byte = data_[pos_];
            if (byte == 0xFF) {
                if (pos_ + 1 < data_.size() && data_[pos_ + 1] == 0x00) {
                    pos_ += 2;
                } else {
                    // A marker ends the segment; what follows it is not ours to read.
                    at_marker_ = true;
                    byte = 0;
                    padding_ += 8;
                }
            } else {
                ++pos_;
            }
        } else {
            padding_ += 8;
        }
        acc_ |= byte << (56 - count_);
        count_ += 8;
    }
}

size_t BitReader::seek_marker() {
    while (pos_ + 1 < data_.size()) {
        if (data_[pos_] == 0xFF && data_[pos_ + 1] != 0x00) return pos_;
        ++pos_;
    }
    pos_ = data_.size();
    return pos_;
}

bool HuffmanTable::build(std::span<const uint8_t, 16> counts, std::span<const uint8_t> symbols) {
    defined_ = false;
    size_t total = 0;
    for (uint8_t c : counts)
        total += c;
    if (total == 0 || total > 256 || total != symbols.size()) return false;

    lookup_.fill(0);
    max_code_.fill(-1);
    int32_t code = 0;
    size_t k = 0;
    for (int len = 1; len <= 16; ++len) {
        int n = counts[len - 1];
        value_offset_[len] = static_cast<int32_t>(k) - code;
        for (int i = 0; i < n; ++i, ++k, ++code) {
            // Codes of this length must fit in it; the all-ones code is reserved.
            if (code + 1 >= (1 << len)) return false;
            symbols_[k] = symbols[k];
            if (len <= kLookahead) {
                int shift = kLookahead - len;
                for (int fill = 0; fill < (1 << shift); ++fill) {
                    lookup_[(code << shift) | fill] =
                        static_cast<uint16_t>((len << 8) | symbols[k]);
                }
            }
        }
        if (n > 0) max_code_[len] = code - 1;
        code <<= 1;
    }
    defined_ = true;
    return true;
}

int HuffmanTable::decode_long(BitReader& bits, uint32_t ahead) const {
    for (int len = kLookahead + 1; len <= 16; ++len) {
        int32_t code = static_cast<int32_t>(ahead >> (16 - len));
        if (code <= max_code_[len]) {
            bits.skip(len);
            return symbols_[value_offset_[len] + code];
        }
    }
    return -1;
}

}  // namespace np::jpeg
