#include <gtest/gtest.h>

#include <cstring>

#include "host/host_files.h"

namespace np::host {
namespace {

std::vector<std::uint8_t> packed_bitmap(int width, int height, std::size_t extra = 1) {
    const std::size_t stride = (width + 3) & ~3;
    std::vector<std::uint8_t> packed(40 + 1024 + stride * height + extra, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&packed[at], &v, 4); };
    put32(0, 40);
    put32(4, width);
    put32(8, height);
    packed[12] = 1;
    packed[14] = 8;
    return packed;
}

// The spare byte after the pixels stays out of the file; a block shorter than its
// header claims, or not of 8 bits, gives no file at all.
TEST(BmpFile, WrapsThePackedBitmapOnlyWhenItsHeaderFits) {
    const auto packed = packed_bitmap(2700, 3);
    ASSERT_EQ(packed_bitmap_size(packed), 40u + 1024 + 2700 * 3);
    const auto file = bmp_file(packed);
    ASSERT_EQ(file.size(), 14 + 40 + 1024 + 2700u * 3);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    std::uint32_t size = 0, offset = 0;
    std::memcpy(&size, &file[2], 4);
    std::memcpy(&offset, &file[10], 4);
    EXPECT_EQ(size, file.size());
    EXPECT_EQ(offset, 14u + 40 + 1024);

    auto truncated = packed_bitmap(666, 208, 0);
    truncated.pop_back();
    EXPECT_TRUE(bmp_file(truncated).empty());
    auto wide = packed_bitmap(4, 1);
    wide[14] = 24;
    EXPECT_FALSE(packed_bitmap_size(wide));
}

TEST(RawImageFile, HasTheLayoutOfTheRawDumps) {
    std::vector<std::uint16_t> samples(2 * 1244);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint16_t>(i);
    const auto file = raw_image_file(samples.data(), 2);
    ASSERT_EQ(file.size(), 8 + 2 * 2 * 1244u);
    std::uint32_t per_line = 0, lines = 0;
    std::memcpy(&per_line, &file[0], 4);
    std::memcpy(&lines, &file[4], 4);
    EXPECT_EQ(per_line, 1244u);
    EXPECT_EQ(lines, 2u);
    EXPECT_EQ(file[8 + 2 * 1300], 1300 & 0xFF);
    EXPECT_EQ(file[8 + 2 * 1300 + 1], 1300 >> 8);
}

}  // namespace
}  // namespace np::host
