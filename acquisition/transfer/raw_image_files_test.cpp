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

TEST(RawImageFiles, DumpHoldsLineLengthCountAndSamples) {
    std::vector<std::uint16_t> raw(3 * kSamplesPerLine, 0);
    raw[2 * kSamplesPerLine + 5] = 1234;
    const std::string path = ::testing::TempDir() + "dump.raw";
    ASSERT_TRUE(write_raw_dump(path.c_str(), raw.data(), 3));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<std::uint8_t> bytes(8 + 3 * 2488 + 1);
    const std::size_t size = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    ASSERT_EQ(size, 8u + 3 * 2488);
    std::uint32_t head[2];
    std::memcpy(head, bytes.data(), 8);
    EXPECT_EQ(head[0], 1244u);
    EXPECT_EQ(head[1], 3u);
    std::uint16_t sample;
    std::memcpy(&sample, bytes.data() + 8 + (2 * kSamplesPerLine + 5) * 2, 2);
    EXPECT_EQ(sample, 1234);
    std::remove(path.c_str());
    EXPECT_FALSE(write_raw_dump("/nonexistent-directory/x.raw", raw.data(), 1));
}

// A dump written over a longer one from an earlier image keeps nothing of it.
TEST(RawImageFiles, ShorterDumpReplacesLongerOneWhole) {
    const std::string path = ::testing::TempDir() + "dump-over.raw";
    std::vector<std::uint16_t> first(5 * kSamplesPerLine, 0xAAAA);
    ASSERT_TRUE(write_raw_dump(path.c_str(), first.data(), 5));
    std::vector<std::uint16_t> second(2 * kSamplesPerLine, 0x5555);
    ASSERT_TRUE(write_raw_dump(path.c_str(), second.data(), 2));

    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<std::uint8_t> bytes(8 + 5 * 2488);
    const std::size_t size = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    std::remove(path.c_str());
    ASSERT_EQ(size, 8u + 2 * 2488);
    std::uint32_t head[2];
    std::memcpy(head, bytes.data(), 8);
    EXPECT_EQ(head[1], 2u);
    EXPECT_TRUE(std::all_of(bytes.begin() + 8, bytes.begin() + size,
                            [](std::uint8_t b) { return b == 0x55; }));
}

}  // namespace
}  // namespace np::transfer
