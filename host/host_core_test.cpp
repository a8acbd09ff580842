#include <gtest/gtest.h>

#include <cstring>

#include "host/bmp_file.h"
#include "host/host_options.h"

namespace np::host {
namespace {

TEST(HostOptions, DefaultsAndEveryOption) {
    const auto defaults = parse_host_options({});
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->driver, "Scanlink.dll");
    EXPECT_EQ(defaults->count, 1);
    const auto options = parse_host_options(
        {"--driver", "Scanlink_sim.dll", "--count", "3", "--out", "c:\\out", "--host-code", "-2"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->driver, "Scanlink_sim.dll");
    EXPECT_EQ(options->count, 3);
    EXPECT_EQ(options->out_dir, "c:\\out");
    EXPECT_EQ(options->host_code, -2);
}

TEST(HostOptions, RefusesWhatItCannotUse) {
    EXPECT_FALSE(parse_host_options({"--count", "0"}));
    EXPECT_FALSE(parse_host_options({"--count", "2x"}));
    EXPECT_FALSE(parse_host_options({"--count"}));
    EXPECT_FALSE(parse_host_options({"--colour", "red"}));
    EXPECT_FALSE(parse_host_options({"--host-code", "40000"}));
}

TEST(BmpFile, PutsTheFileHeaderInFrontOfTheBlock) {
    std::vector<std::uint8_t> block(40 + 1024 + 8 * 2 + 1, 0);
    const std::uint32_t header_size = 40, width = 5, height = 2;
    std::memcpy(block.data(), &header_size, 4);
    std::memcpy(block.data() + 4, &width, 4);
    std::memcpy(block.data() + 8, &height, 4);
    block[14] = 8;
    const auto file = bmp_file_from_dib(block.data(), block.size());
    ASSERT_EQ(file.size(), block.size() + 14);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    std::uint32_t offset = 0;
    std::memcpy(&offset, file.data() + 10, 4);
    EXPECT_EQ(offset, 14u + 40 + 1024);
    EXPECT_TRUE(bmp_file_from_dib(block.data(), 30).empty());
}

TEST(RawDump, LineLengthAndCountBeforeTheSamples) {
    std::vector<std::uint16_t> samples(2 * 1244, 7);
    const auto dump = raw_dump(samples.data(), 2);
    ASSERT_EQ(dump.size(), 8u + 2 * 2488);
    std::uint32_t head[2];
    std::memcpy(head, dump.data(), 8);
    EXPECT_EQ(head[0], 1244u);
    EXPECT_EQ(head[1], 2u);
}

}  // namespace
}  // namespace np::host
