#include "acquisition/open_rules.h"

#include <gtest/gtest.h>

#include <cstring>

namespace np::open_rules {
namespace {

Firmware fw(const char* text) {
    Firmware f{};
    std::memcpy(f.data(), text, 4);
    return f;
}

std::array<char, 20> header(const char* text) {
    std::array<char, 20> h{};
    std::memcpy(h.data(), text, std::min<std::size_t>(std::strlen(text), 20));
    return h;
}

TEST(CardSettings, RangesAndTheTwelveBitFirmwareRule) {
    const Firmware old = fw("1.00");
    const Firmware newer = fw("1.01");
    EXPECT_EQ(check_card_settings(5, 1, 1, old), SettingsCheck::Accepted);
    EXPECT_EQ(check_card_settings(0, 2, 1, old), SettingsCheck::Accepted);
    EXPECT_EQ(check_card_settings(6, 1, 1, newer), SettingsCheck::OutOfRange);
    EXPECT_EQ(check_card_settings(1, 3, 1, newer), SettingsCheck::OutOfRange);
    EXPECT_EQ(check_card_settings(1, 0, 1, newer), SettingsCheck::OutOfRange);
    EXPECT_EQ(check_card_settings(1, 1, 3, newer), SettingsCheck::OutOfRange);
    EXPECT_EQ(check_card_settings(1, 1, 2, old), SettingsCheck::FirmwareTooOldFor12Bit);
    EXPECT_EQ(check_card_settings(1, 1, 2, fw("1.0\0")), SettingsCheck::FirmwareTooOldFor12Bit);
    EXPECT_EQ(check_card_settings(1, 1, 2, newer), SettingsCheck::Accepted);
    EXPECT_EQ(check_card_settings(1, 1, 2, fw("1.0A")), SettingsCheck::Accepted);
    // Range errors come before the firmware rule.
    EXPECT_EQ(check_card_settings(6, 1, 2, old), SettingsCheck::OutOfRange);
}

TEST(CassetteKey, LettersUpperCaseThenANumberOfAtLeastFiveDigits) {
    EXPECT_EQ(cassette_key("or  123"), std::string("OR00123"));
    EXPECT_EQ(cassette_key("Ab-X00042xyz"), std::string("AB00042"));
    EXPECT_EQ(cassette_key("AB12 7"), std::string("AB00007"));
    EXPECT_EQ(cassette_key(""), std::string("\0\0"
                                            "00000",
                                            7));
    EXPECT_EQ(cassette_key("OR  1234567"), std::string("OR1234567"));
}

TEST(AutomaticMode, CassettesBeforeTheFirstTwelveBitOneTransferTenBits) {
    EXPECT_EQ(automatic_mode("OR  500", header("OR  499")), kModeTenBit);
    EXPECT_EQ(automatic_mode("OR  500", header("OR  500")), kModeTwelveBit);
    EXPECT_EQ(automatic_mode("OR  500", header("or  501")), kModeTwelveBit);
    EXPECT_EQ(automatic_mode("OS  001", header("OR  999")), kModeTenBit);
    EXPECT_EQ(automatic_mode("OR  500", header("")), kModeTenBit);
}

TEST(AutomaticMode, MaskHeaderIsCutAfterNineteenCharacters) {
    // A header without any NUL: the twentieth character is not part of the number.
    EXPECT_EQ(automatic_mode("OR  000000000000009", header("OR  0000000000000099")),
              kModeTwelveBit);
    EXPECT_EQ(automatic_mode("OR  000000000000010", header("OR  0000000000000099")), kModeTenBit);
}

}  // namespace
}  // namespace np::open_rules
