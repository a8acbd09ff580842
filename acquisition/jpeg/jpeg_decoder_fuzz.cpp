// libFuzzer target: any bytes as a JPEG stream.
#include <cstdlib>
#include <vector>

#include "acquisition/jpeg/jpeg_decoder.h"

namespace {

// Frames up to the largest demonstration image; rows must stay inside the frame.
class CheckedSink : public np::jpeg::GreySink {
  public:
    bool accept_frame(const np::jpeg::Frame& frame) override {
        frame_ = frame;
        row_.resize(frame.width);
        return frame.width <= 4000 && frame.height <= 4000;
    }
    void row(uint32_t y, std::span<const uint8_t> grey) override {
        if (y >= frame_.height || y < next_ || grey.size() != frame_.width) std::abort();
        next_ = y + 1;
        std::copy(grey.begin(), grey.end(), row_.begin());
    }

  private:
    np::jpeg::Frame frame_;
    uint32_t next_ = 0;
    std::vector<uint8_t> row_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckedSink sink;
    np::jpeg::decode_grey({data, size}, sink);
    return 0;
}
