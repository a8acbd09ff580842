#include "acquisition/jpeg/jpeg_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <vector>

#include "acquisition/jpeg/jpeg_huffman.h"
#include "acquisition/jpeg/jpeg_idct.h"

namespace np::jpeg {
namespace {

constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Markers (second byte after 0xFF).
constexpr uint8_t kSof0 = 0xC0, kSof1 = 0xC1, kDht = 0xC4, kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA,
                  kDqt = 0xDB, kDri = 0xDD, kRst0 = 0xD0, kDnl = 0xDC, kTem = 0x01, kApp14 = 0xEE;

// Large enough for any DC sum of valid data, small enough never to overflow.
constexpr int kDcLimit = 1 << 20;

struct Component {
    uint8_t id = 0;
    int h = 1, v = 1;
    int quant = 0;
    int dc_table = 0, ac_table = 0;
    int predictor = 0;
    bool decoded = false;
};

class Decoder {
  public:
    Decoder(std::span<const uint8_t> stream, GreySink& sink) : data_(stream), sink_(sink) {}
    Status run();

  private:
    Status segment_length(size_t& length);
    Status read_quant(size_t length);
    Status read_huffman(size_t length);
    Status read_restart_interval(size_t length);
    Status read_frame(size_t length);
    void read_adobe(size_t length);
    bool colour_is_rgb() const;
    Status read_scan(size_t length);
    Status decode_scan(std::span<Component* const> scan);
    Status decode_block(BitReader& bits, Component& c, uint8_t* out, int stride);
    Status skip_block(BitReader& bits, Component& c);
    Status next_restart(BitReader& bits, int& expected);
    void emit_rows(uint32_t top, int rows);

    std::span<const uint8_t> data_;
    GreySink& sink_;
    size_t pos_ = 0;
    std::array<std::array<uint16_t, 64>, 4> quant_{};
    std::array<bool, 4> quant_defined_{};
    std::array<HuffmanTable, 4> dc_{};
    std::array<HuffmanTable, 4> ac_{};
    int restart_interval_ = 0;
    int adobe_transform_ = -1;  // colour transform of an Adobe segment, -1 without one
    bool have_frame_ = false;
    Frame frame_;
    std::array<Component, 3> comps_{};
    int hmax_ = 1, vmax_ = 1;
    ScaledQuant luma_quant_{};
    std::vector<uint8_t> rows_;  // one band of decoded luma rows
    size_t stride_ = 0;
};

Status Decoder::segment_length(size_t& length) {
    if (pos_ + 2 > data_.size()) return Status::truncated;
    length = static_cast<size_t>(data_[pos_] << 8 | data_[pos_ + 1]);
    if (length < 2) return Status::bad_marker;
    if (pos_ + length > data_.size()) return Status::truncated;
    return Status::ok;
}

Status Decoder::read_quant(size_t length) {
    size_t p = pos_ + 2, end = pos_ + length;
    while (p < end) {
        int precision = data_[p] >> 4, id = data_[p] & 15;
        ++p;
        if (id > 3 || precision > 1) return Status::bad_marker;
        size_t bytes = precision ? 128 : 64;
        if (p + bytes > end) return Status::bad_marker;
        for (int k = 0; k < 64; ++k) {
            uint16_t q = precision
                             ? static_cast<uint16_t>(data_[p + 2 * k] << 8 | data_[p + 2 * k + 1])
                             : data_[p + k];
            if (q == 0) return Status::bad_marker;
            quant_[id][kZigzag[k]] = q;
        }
        quant_defined_[id] = true;
        p += bytes;
    }
    return Status::ok;
}

Status Decoder::read_huffman(size_t length) {
    size_t p = pos_ + 2, end = pos_ + length;
    while (p < end) {
        if (p + 17 > end) return Status::bad_huffman;
        int table_class = data_[p] >> 4, id = data_[p] & 15;
        if (table_class > 1 || id > 3) return Status::bad_huffman;
        std::span<const uint8_t, 16> counts(data_.data() + p + 1, 16);
        size_t total = 0;
        for (uint8_t c : counts)
            total += c;
        p += 17;
        if (p + total > end) return Status::bad_huffman;
        HuffmanTable& table = table_class == 0 ? dc_[id] : ac_[id];
        if (!table.build(counts, data_.subspan(p, total))) return Status::bad_huffman;
        p += total;
    }
    return Status::ok;
}

Status Decoder::read_restart_interval(size_t length) {
    if (length != 4) return Status::bad_marker;
    restart_interval_ = data_[pos_ + 2] << 8 | data_[pos_ + 3];
    return Status::ok;
}

Status Decoder::read_frame(size_t length) {
    if (have_frame_) return Status::bad_marker;
    if (length < 8) return Status::bad_marker;
    const uint8_t* p = data_.data() + pos_ + 2;
    if (p[0] != 8) return Status::unsupported;
    frame_.height = static_cast<uint32_t>(p[1] << 8 | p[2]);
    frame_.width = static_cast<uint32_t>(p[3] << 8 | p[4]);
    frame_.components = p[5];
    if (frame_.height == 0) return Status::unsupported;  // height given later by DNL
    if (frame_.width == 0) return Status::bad_marker;
    if (frame_.components != 1 && frame_.components != 3) return Status::unsupported;
    if (length != 8 + 3 * static_cast<size_t>(frame_.components)) return Status::bad_marker;
    for (int i = 0; i < frame_.components; ++i) {
        Component& c = comps_[i];
        c.id = p[6 + 3 * i];
        c.h = p[7 + 3 * i] >> 4;
        c.v = p[7 + 3 * i] & 15;
        c.quant = p[8 + 3 * i];
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return Status::bad_marker;
        for (int j = 0; j < i; ++j) {
            if (comps_[j].id == c.id) return Status::bad_marker;
        }
    }
    if (frame_.components == 1) {
        // A lone component is never subsampled, whatever its factors say.
        comps_[0].h = comps_[0].v = 1;
    }
    for (int i = 0; i < frame_.components; ++i) {
        hmax_ = std::max(hmax_, comps_[i].h);
        vmax_ = std::max(vmax_, comps_[i].v);
    }
    // Luma is delivered at full resolution, so it must carry the largest factors.
    if (comps_[0].h != hmax_ || comps_[0].v != vmax_) return Status::unsupported;
    have_frame_ = true;
    if (!sink_.accept_frame(frame_)) return Status::rejected;

    uint32_t mcu_width = 8u * hmax_;
    uint32_t mcus_across = (frame_.width + mcu_width - 1) / mcu_width;
    stride_ = static_cast<size_t>(mcus_across) * mcu_width;
    rows_.assign(stride_ * 8 * vmax_, 0);
    return Status::ok;
}

void Decoder::read_adobe(size_t length) {
    static constexpr uint8_t kAdobe[] = {'A', 'd', 'o', 'b', 'e'};
    const uint8_t* p = data_.data() + pos_ + 2;
    if (length >= 14 && std::equal(std::begin(kAdobe), std::end(kAdobe), p))
        adobe_transform_ = p[11];
}

// Three components stored as R, G and B rather than Y, Cb and Cr: the first is not luma.
bool Decoder::colour_is_rgb() const {
    if (frame_.components != 3) return false;
    if (adobe_transform_ >= 0) return adobe_transform_ == 0;
    return comps_[0].id == 'R' && comps_[1].id == 'G' && comps_[2].id == 'B';
}

Status Decoder::read_scan(size_t length) {
    if (!have_frame_ || length < 3) return Status::bad_marker;
    if (colour_is_rgb()) return Status::unsupported;
    const uint8_t* p = data_.data() + pos_ + 2;
    int n = p[0];
    if (n < 1 || n > frame_.components || length != 6 + 2 * static_cast<size_t>(n)) {
        return Status::bad_marker;
    }
    std::array<Component*, 3> scan{};
    for (int i = 0; i < n; ++i) {
        uint8_t id = p[1 + 2 * i];
        Component* c = nullptr;
        for (int k = 0; k < frame_.components; ++k) {
            if (comps_[k].id == id) c = &comps_[k];
        }
        if (c == nullptr || c->decoded) return Status::bad_marker;
        for (int j = 0; j < i; ++j) {
            if (scan[j] == c) return Status::bad_marker;
        }
        c->dc_table = p[2 + 2 * i] >> 4;
        c->ac_table = p[2 + 2 * i] & 15;
        if (c->dc_table > 3 || c->ac_table > 3) return Status::bad_huffman;
        if (!dc_[c->dc_table].defined() || !ac_[c->ac_table].defined()) return Status::bad_huffman;
        if (!quant_defined_[c->quant]) return Status::bad_marker;
        scan[i] = c;
    }
    const uint8_t* spectral = p + 1 + 2 * n;
    if (spectral[0] != 0 || spectral[1] != 63 || spectral[2] != 0) return Status::unsupported;
    if (n > 1) {
        int blocks = 0;
        for (int i = 0; i < n; ++i)
            blocks += scan[i]->h * scan[i]->v;
        if (blocks > 10) return Status::bad_marker;
    }
    pos_ += length;
    return decode_scan(std::span<Component* const>(scan.data(), n));
}

Status Decoder::decode_block(BitReader& bits, Component& c, uint8_t* out, int stride) {
    alignas(16) float coef[64] = {};
    int s = dc_[c.dc_table].decode(bits);
    if (s < 0 || s > 11) return Status::bad_data;
    int diff = s ? extend(bits.take(s), s) : 0;
    c.predictor = std::clamp(c.predictor + diff, -kDcLimit, kDcLimit);
    coef[0] = static_cast<float>(c.predictor) * luma_quant_[0];
    bool ac_seen = false;
    const HuffmanTable& ac = ac_[c.ac_table];
    for (int k = 1; k < 64;) {
        int rs = ac.decode(bits);
        if (rs < 0) return Status::bad_data;
        int run = rs >> 4, size = rs & 15;
        if (size == 0) {
            if (run != 15) break;  // end of block
            k += 16;
            continue;
        }
        if (size > 10) return Status::bad_data;
        k += run;
        if (k > 63) return Status::bad_data;
        int z = kZigzag[k];
        coef[z] = static_cast<float>(extend(bits.take(size), size)) * luma_quant_[z];
        ac_seen = true;
        ++k;
    }
    if (bits.overrun()) return Status::truncated;
    if (ac_seen) {
        idct_8x8(coef, out, stride);
    } else {
        idct_dc_only(coef[0], out, stride);
    }
    return Status::ok;
}

Status Decoder::skip_block(BitReader& bits, Component& c) {
    int s = dc_[c.dc_table].decode(bits);
    if (s < 0 || s > 11) return Status::bad_data;
    bits.take(s);
    const HuffmanTable& ac = ac_[c.ac_table];
    for (int k = 1; k < 64;) {
        int rs = ac.decode(bits);
        if (rs < 0) return Status::bad_data;
        int run = rs >> 4, size = rs & 15;
        if (size == 0) {
            if (run != 15) break;
            k += 16;
            continue;
        }
        if (size > 10) return Status::bad_data;
        k += run;
        if (k > 63) return Status::bad_data;
        bits.take(size);
        ++k;
    }
    return bits.overrun() ? Status::truncated : Status::ok;
}

Status Decoder::next_restart(BitReader& bits, int& expected) {
    size_t at = bits.seek_marker();
    if (at + 1 >= data_.size()) return Status::truncated;
    if (data_[at + 1] != kRst0 + expected) return Status::bad_data;
    expected = (expected + 1) & 7;
    bits.restart_at(at + 2);
    for (int i = 0; i < frame_.components; ++i)
        comps_[i].predictor = 0;
    return Status::ok;
}

void Decoder::emit_rows(uint32_t top, int rows) {
    for (int r = 0; r < rows && top + r < frame_.height; ++r) {
        sink_.row(top + r, std::span<const uint8_t>(rows_.data() + r * stride_, frame_.width));
    }
}

Status Decoder::decode_scan(std::span<Component* const> scan) {
    Component& luma = comps_[0];
    bool has_luma = std::find(scan.begin(), scan.end(), &luma) != scan.end();
    if (has_luma) luma_quant_ = scale_quant(quant_[luma.quant]);

    // A single-component scan codes that component's own block grid, one block per unit.
    bool interleaved = scan.size() > 1;
    uint32_t unit_w, unit_h;
    if (interleaved) {
        unit_w = 8u * hmax_;
        unit_h = 8u * vmax_;
    } else {
        const Component& c = *scan[0];
        unit_w = 8u * hmax_ / c.h;
        unit_h = 8u * vmax_ / c.v;
    }
    uint32_t across = (frame_.width + unit_w - 1) / unit_w;
    uint32_t down = (frame_.height + unit_h - 1) / unit_h;
    // Single-component chroma grids round on the component's own size.
    if (!interleaved && scan[0] != &luma) {
        const Component& c = *scan[0];
        uint32_t cw = (frame_.width * c.h + hmax_ - 1) / hmax_;
        uint32_t ch = (frame_.height * c.v + vmax_ - 1) / vmax_;
        across = (cw + 7) / 8;
        down = (ch + 7) / 8;
    }

    for (Component* c : scan)
        c->predictor = 0;
    BitReader bits(data_, pos_);
    int expected_restart = 0;
    uint32_t units_left = restart_interval_;
    int band_rows = interleaved ? 8 * vmax_ : 8;
    for (uint32_t my = 0; my < down; ++my) {
        for (uint32_t mx = 0; mx < across; ++mx) {
            if (restart_interval_ > 0) {
                if (units_left == 0) {
                    if (Status s = next_restart(bits, expected_restart); s != Status::ok) return s;
                    units_left = restart_interval_;
                }
                --units_left;
            }
            for (Component* c : scan) {
                int bh = interleaved ? c->h : 1, bv = interleaved ? c->v : 1;
                for (int by = 0; by < bv; ++by) {
                    for (int bx = 0; bx < bh; ++bx) {
                        Status s;
                        if (c == &luma) {
                            uint8_t* out = rows_.data() + static_cast<size_t>(by) * 8 * stride_ +
                                           static_cast<size_t>(mx) * (interleaved ? unit_w : 8) +
                                           static_cast<size_t>(bx) * 8;
                            s = decode_block(bits, *c, out, static_cast<int>(stride_));
                        } else {
                            s = skip_block(bits, *c);
                        }
                        if (s != Status::ok) return s;
                    }
                }
            }
        }
        if (has_luma) emit_rows(my * band_rows, band_rows);
    }
    for (Component* c : scan)
        c->decoded = true;
    pos_ = bits.seek_marker();
    return Status::ok;
}

Status Decoder::run() {
    if (data_.size() < 2 || data_[0] != 0xFF || data_[1] != kSoi) return Status::bad_marker;
    pos_ = 2;
    while (true) {
        // Fill bytes (0xFF) may precede any marker.
        if (pos_ >= data_.size() || data_[pos_] != 0xFF) {
            return pos_ >= data_.size() ? Status::truncated : Status::bad_marker;
        }
        while (pos_ < data_.size() && data_[pos_] == 0xFF)
            ++pos_;
        if (pos_ >= data_.size()) return Status::truncated;
        uint8_t marker = data_[pos_++];
        if (marker == kEoi) break;
        if (marker == kSoi || marker == kTem || (marker >= kRst0 && marker < kRst0 + 8) ||
            marker == 0x00) {
            return Status::bad_marker;
        }
        size_t length = 0;
        if (Status s = segment_length(length); s != Status::ok) return s;
        Status s = Status::ok;
        switch (marker) {
            case kSof0:
            case kSof1:
                s = read_frame(length);
                break;
            case kDht:
                s = read_huffman(length);
                break;
            case kDqt:
                s = read_quant(length);
                break;
            case kDri:
                s = read_restart_interval(length);
                break;
            case kSos:
                s = read_scan(length);
                if (s != Status::ok) return s;
                continue;  // read_scan leaves pos_ on the marker after the scan
            case kDnl:
                s = Status::unsupported;
                break;
            case kApp14:
                read_adobe(length);
                break;
            default:
                // Other frame types (progressive, lossless, arithmetic) cannot be decoded here;
                // application and comment segments are skipped.
                if ((marker >= 0xC0 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 &&
                    marker != 0xCC) {
                    s = Status::unsupported;
                }
                break;
        }
        if (s != Status::ok) return s;
        pos_ += length;
    }
    if (!have_frame_ || !comps_[0].decoded) return Status::truncated;
    return Status::ok;
}

}  // namespace

Status decode_grey(std::span<const uint8_t> stream, GreySink& sink) {
    return Decoder(stream, sink).run();
}

const char* status_name(Status status) {
    switch (status) {
        case Status::ok:
            return "ok";
        case Status::truncated:
            return "truncated";
        case Status::bad_marker:
            return "bad marker";
        case Status::unsupported:
            return "unsupported";
        case Status::bad_huffman:
            return "bad Huffman table";
        case Status::bad_data:
            return "bad data";
        case Status::rejected:
            return "rejected";
    }
    return "?";
}

}  // namespace np::jpeg
