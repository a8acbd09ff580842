#include "sim/card/scan_playback.h"

#include <gtest/gtest.h>

#include <vector>

namespace np::sim {
namespace {

FeedConfiguration small(FeedFault fault = FeedFault::none) {
    FeedConfiguration configuration;
    configuration.widths = {30, 20};
    configuration.gaps = {3, 4};
    configuration.trailing_lines = 5;
    configuration.fault = fault;
    configuration.fault_line = 10;
    configuration.line_rate = 200;
    return configuration;
}

int control(const std::vector<std::uint16_t>& line) {
    return (line[1245] >> 10) & 7;
}

TEST(ScanPlayback, TwelveBitFaultsCorruptOrDropTheMarkers) {
    std::vector<std::uint16_t> line(1246);
    const ScanPlayback plain(small(), 2);
    EXPECT_EQ(plain.line_count(), 50);
    plain.write_line(29, line.data());
    EXPECT_EQ(control(line), 6);
    plain.write_line(49, line.data());
    EXPECT_EQ(control(line), 5);

    const ScanPlayback corrupt(small(FeedFault::bad_control), 2);
    corrupt.write_line(10, line.data());
    EXPECT_EQ(control(line), 0);
    corrupt.write_line(11, line.data());
    EXPECT_EQ(control(line), 7);

    const ScanPlayback overflow(small(FeedFault::overflow), 2);
    EXPECT_GT(overflow.line_count(), 4000);
    overflow.write_line(29, line.data());
    EXPECT_EQ(control(line), 7);
    overflow.write_line(4050, line.data());
    EXPECT_EQ(control(line), 7);
}

}  // namespace
}  // namespace np::sim
