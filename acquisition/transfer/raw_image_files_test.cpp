#include "acquisition/transfer/raw_image_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "acquisition/transfer/transfer_layout.h"

namespace np::transfer {
namespace {

TEST(RawImageFiles, MirroringSwapsWholeLines) {
    std::vector<std::uint16_t> raw(kRawBufferBytes / 2, 0);
    for (int line = 0; line < 5; ++line)
        std::fill_n(raw.begin() + line * kSamplesPerLine, kSamplesPerLine, line + 1);
    raw[1] = 99;
    mirror_raw_lines(raw.data(), 5);
    EXPECT_EQ(raw[0], 5);
    EXPECT_EQ(raw[2 * kSamplesPerLine], 3);
    EXPECT_EQ(raw[4 * kSamplesPerLine], 1);
    EXPECT_EQ(raw[4 * kSamplesPerLine + 1], 99);
    EXPECT_EQ(raw[5 * kSamplesPerLine], 0);
    mirror_raw_lines(raw.data(), 4000);  // the full buffer, no further
}

std::vector<std::uint8_t> file_bytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(file)) != EOF;)
            bytes.push_back(static_cast<std::uint8_t>(c));
        std::fclose(file);
    }
    return bytes;
}

// Written over a longer dump of an earlier image, a dump keeps nothing of it.
TEST(RawImageFiles, DumpHoldsLineLengthCountAndSamplesAndNothingElse) {
    const std::string path = ::testing::TempDir() + "dump.raw";
    std::vector<std::uint16_t> raw(5 * kSamplesPerLine, 0xAAAA);
    ASSERT_TRUE(write_raw_dump(path.c_str(), raw.data(), 5));
    std::fill(raw.begin(), raw.end(), 0);
    raw[2 * kSamplesPerLine + 5] = 1234;
    ASSERT_TRUE(write_raw_dump(path.c_str(), raw.data(), 3));
    const std::vector<std::uint8_t> bytes = file_bytes(path);
    std::remove(path.c_str());
    ASSERT_EQ(bytes.size(), 8u + 3 * 2488);
    std::uint32_t head[2];
    std::memcpy(head, bytes.data(), 8);
    EXPECT_EQ(head[0], 1244u);
    EXPECT_EQ(head[1], 3u);
    std::uint16_t sample;
    std::memcpy(&sample, bytes.data() + 8 + (2 * kSamplesPerLine + 5) * 2, 2);
    EXPECT_EQ(sample, 1234);
    EXPECT_EQ(std::count(bytes.begin() + 8, bytes.end(), 0xAA), 0);
    EXPECT_FALSE(write_raw_dump("/nonexistent-directory/x.raw", raw.data(), 1));
}

}  // namespace
}  // namespace np::transfer
