// Baseline JPEG decoder (sequential DCT, Huffman, 8-bit samples) that renders the image as
// 8-bit grey: the single component of a grey stream, or the luma (Y) of a YCbCr stream.
#pragma once

#include <cstdint>
#include <span>

namespace np::jpeg {

enum class Status {
    ok,
    truncated,    // the stream ends before the image does
    bad_marker,   // marker or segment out of place, or a segment of impossible length
    unsupported,  // a valid stream this decoder does not handle (progressive, 12-bit, ...)
    bad_huffman,  // a Huffman table is malformed or missing
    bad_data,     // the entropy-coded data holds a code or value outside the image
    rejected,     // the receiver refused the frame
};

struct Frame {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
};

// Receives the frame once, then every row of the image in order from the top.
class GreySink {
  public:
    virtual ~GreySink() = default;
    virtual bool accept_frame(const Frame& frame) = 0;
    virtual void row(uint32_t y, std::span<const uint8_t> grey) = 0;
};

Status decode_grey(std::span<const uint8_t> stream, GreySink& sink);

const char* status_name(Status status);

}  // namespace np::jpeg
