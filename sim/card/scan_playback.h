// What the simulated card plays during a picture read: the phantom's card lines,
// paced at a line rate, with the faults a test asks for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/phantom/phantom_scan.h"

namespace np::sim {

enum class FeedFault {
    none,
    stall,        // the lines stop after `fault_line`; no end of transfer
    end_first,    // the end-of-transfer event comes before any line
    bad_control,  // 12-bit: line `fault_line` carries control field 0
    overflow,     // no section or image end, and more lines than the buffer holds
};

struct FeedConfiguration {
    bool enabled = true;
    int line_rate = 250;  // lines per second; 0: as fast as the card can
    bool forward = true;  // "Rotation" 1
    std::vector<int> widths = {500, 500, 500, 500, 500};
    std::vector<int> gaps = {10};
    int trailing_lines = 10;
    FeedFault fault = FeedFault::none;
    int fault_line = 100;
    std::uint32_t seed = 1;

    bool operator==(const FeedConfiguration&) const = default;
};

FeedFault parse_fault(const std::string& name);

class ScanPlayback {
  public:
    // mode: 1 (10-bit) or 2 (12-bit), as handed to the card.
    ScanPlayback(const FeedConfiguration& configuration, int mode);

    int line_count() const { return line_count_; }
    std::size_t line_bytes() const { return scan_->line_bytes(); }
    // Card line n with the configured fault applied.
    void write_line(int n, std::uint16_t* out) const;
    // Lines that should have been written `elapsed_ms` after the start.
    int lines_due(double elapsed_ms) const;
    // The line that completes the image (the last line of the last section), or -1.
    int last_image_line() const { return last_image_line_; }
    // Whether the feed signals the end of transfer after the last line.
    bool ends_transfer() const;
    const FeedConfiguration& configuration() const { return configuration_; }

  private:
    FeedConfiguration configuration_;
    phantom::Scene scene_;
    phantom::SensorModel model_;
    std::unique_ptr<phantom::PhantomScan> scan_;
    int line_count_ = 0;
    int last_image_line_ = -1;
};

}  // namespace np::sim
