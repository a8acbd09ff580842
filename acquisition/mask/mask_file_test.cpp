#include "acquisition/mask/mask_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace np::mask {
namespace {

std::vector<std::uint8_t> mask_bytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(size, 24), 0);
    std::memcpy(bytes.data(), "OR  12345", 9);
    const std::uint8_t offsets[4] = {0x34, 0x12, 0xFF, 0xFF};  // 0x1234, 0xFFFF
    std::memcpy(&bytes[20], offsets, 4);
    for (int k = 0; k < kSamplesPerLine && 24 + 4 * k + 4 <= static_cast<int>(size); ++k) {
        const float gain = 1.0f + k / 1000.0f;
        std::memcpy(&bytes[24 + 4 * k], &gain, 4);
    }
    bytes.resize(size);
    return bytes;
}

TEST(MaskFile, FiveThousandBytesOrMoreParsedLittleEndianShorterRefused) {
    const auto mask = parse_mask(mask_bytes(5000));
    ASSERT_TRUE(mask);
    EXPECT_EQ(std::string(mask->header.data(), 9), "OR  12345");
    EXPECT_EQ(mask->dark_offset[0], 0x1234);
    EXPECT_EQ(mask->dark_offset[1], 0xFFFF);
    EXPECT_FLOAT_EQ(mask->gains[0], 1.0f);
    EXPECT_FLOAT_EQ(mask->gains[1243], 2.243f);
    EXPECT_FALSE(parse_mask(mask_bytes(4999)));
    EXPECT_FALSE(parse_mask(mask_bytes(0)));
    EXPECT_TRUE(parse_mask(mask_bytes(6000)));
    EXPECT_EQ(mask_path("C:\\windows\\system32"), "C:\\windows\\system32\\PANO.MSK");
}

}  // namespace
}  // namespace np::mask
