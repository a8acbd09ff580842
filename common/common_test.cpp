#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/sensor_lines.h"
#include "common/text_numbers.h"
#include "common/version_record.h"

namespace np {
namespace {

TEST(DecimalValue, ReadsLikeTheStandardConversion) {
    EXPECT_EQ(decimal_value(" -12abc"), -12);
    EXPECT_EQ(decimal_value("abc"), 0);
    EXPECT_EQ(decimal_value(""), 0);
    EXPECT_EQ(decimal_value("\t+7"), 7);
    EXPECT_EQ(decimal_value("2"), 2);
    EXPECT_EQ(decimal_value("- 5"), 0);
    EXPECT_EQ(decimal_value("99999999999"), 2147483647);
    EXPECT_EQ(decimal_value("-99999999999"), -2147483647 - 1);
}

TEST(HexBitSet, SkipsEveryNonDigitFromTheRight) {
    EXPECT_EQ(hex_bit_set("1A"), 26u);
    EXPECT_EQ(hex_bit_set("1xA"), 26u);
    EXPECT_EQ(hex_bit_set(""), 0u);
    EXPECT_EQ(hex_bit_set("zz"), 0u);
    EXPECT_EQ(hex_bit_set("1f"), 0x1Fu);
    EXPECT_EQ(hex_bit_set("0x100"), 0x100u);  // the x is skipped, the leading 0 adds nothing
    EXPECT_EQ(hex_bit_set("123456789"), 0x23456789u);
}

std::vector<std::uint16_t> interleaved_lines(int lines) {
    // Pair k of line n: a = n * 2000 + k, b = n * 2000 + 1000 + k.
    std::vector<std::uint16_t> raw(lines * kSamplesPerLine);
    for (int n = 0; n < lines; ++n)
        for (int k = 0; k < kTapPairs; ++k) {
            raw[n * kSamplesPerLine + 2 * k] = static_cast<std::uint16_t>(n * 2000 + k);
            raw[n * kSamplesPerLine + 2 * k + 1] = static_cast<std::uint16_t>(n * 2000 + 1000 + k);
        }
    return raw;
}

TEST(SensorLines, TouchesOnlyWholeLines) {
    const auto raw = interleaved_lines(2);
    // 1243 samples: nothing at all; 2487: exactly one line, the rest untouched.
    std::vector<std::uint16_t> out(raw.size(), 0xBEEF);
    rearrange_sensor_lines(out.data(), kSamplesPerLine - 1, raw.data(), LineOrder::forward);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](auto v) { return v == 0xBEEF; }));
    rearrange_sensor_lines(out.data(), 2 * kSamplesPerLine - 1, raw.data(), LineOrder::reversed);
    EXPECT_NE(out[0], 0xBEEF);
    EXPECT_TRUE(
        std::all_of(out.begin() + kSamplesPerLine, out.end(), [](auto v) { return v == 0xBEEF; }));
}

TEST(VersionRecord, OwnsCopiesOfItsTextsAndFreesAChain) {
    char name[] = "Generic.dll";
    VersionRecord* first = new_version_record(name, "1.0.0.1", "1 janvier 2002");
    ASSERT_NE(first, nullptr);
    name[0] = 'X';
    EXPECT_STREQ(first->name, "Generic.dll");
    EXPECT_STREQ(first->version, "1.0.0.1");
    EXPECT_STREQ(first->date, "1 janvier 2002");
    EXPECT_EQ(first->next, nullptr);
    first->next = new_version_record("b", "c", "d");
    free_version_records(first);  // LeakSanitizer checks that both went
}

}  // namespace
}  // namespace np
