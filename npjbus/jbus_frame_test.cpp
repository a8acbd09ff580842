#include "npjbus/jbus_frame.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "npjbus/npjbus.h"

namespace np::jbus {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes with_crc(Bytes bytes) {
    const std::uint16_t crc = crc16(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

TEST(JbusFrame, RequestsAreFramedWithTheFamilyCrc) {
    constexpr std::string_view check = "123456789";
    EXPECT_EQ(crc16(std::span(reinterpret_cast<const std::uint8_t*>(check.data()), check.size())),
              0x4B37);

    EXPECT_EQ(read_words_request(1, 0x0000, 10).bytes, (Bytes{1, 3, 0, 0, 0, 10, 0xC5, 0xCD}));
    EXPECT_EQ(read_words_request(1, 0x700F, 15).answer_length, 35u);

    const std::uint16_t words[] = {0x2049, 0x3035};
    const Request write = write_words_request(1, 0x70A1, words);
    EXPECT_EQ(write.bytes, with_crc({1, 16, 0x70, 0xA1, 0, 2, 4, 0x20, 0x49, 0x30, 0x35}));
    EXPECT_EQ(write_one_word_request(1, 0x7040, 0x0085).bytes,
              with_crc({1, 6, 0x70, 0x40, 0x00, 0x85}));
}

TEST(JbusFrame, ReadAnswerGivesWordsInTheMachinesOrder) {
    const Request request = read_words_request(1, 0x7026, 2);
    std::uint16_t words[2] = {};
    EXPECT_EQ(check_answer(request, with_crc({1, 3, 4, 0xFF, 0xFF, 0x01, 0x02}), words), JBUS_OK);
    EXPECT_EQ(words[0], 0xFFFF);
    EXPECT_EQ(words[1], 0x0102);
}

TEST(JbusFrame, EveryFlawedAnswerIsRefusedAndLeavesTheWordsAlone) {
    const Request read = read_words_request(1, 0x7000, 2);
    const Bytes good = with_crc({1, 3, 4, 0, 1, 0, 2});
    Bytes bad_crc = good;
    bad_crc.back() ^= 0x40;
    struct Case {
        const char* what;
        Bytes answer;
        int result;
    };
    const Case cases[] = {
        {"crc", bad_crc, JBUS_ERR_CRC},
        {"too short for any answer", {1, 3, 4, 0}, JBUS_ERR_MALFORMED},
        {"another slave", with_crc({2, 3, 4, 0, 1, 0, 2}), JBUS_ERR_MALFORMED},
        {"another function", with_crc({1, 4, 4, 0, 1, 0, 2}), JBUS_ERR_MALFORMED},
        {"byte count", with_crc({1, 3, 2, 0, 1, 0, 2}), JBUS_ERR_MALFORMED},
        {"one word missing", with_crc({1, 3, 4, 0, 1}), JBUS_ERR_MALFORMED},
        {"exception", with_crc({1, 0x83, 2}), JBUS_ERR_EXCEPTION + 2},
        {"exception of another function", with_crc({1, 0x90, 2}), JBUS_ERR_MALFORMED},
        {"exception with a tail", with_crc({1, 0x83, 2, 0}), JBUS_ERR_MALFORMED},
    };
    for (const Case& c : cases) {
        std::uint16_t words[2] = {0xAAAA, 0xAAAA};
        EXPECT_EQ(check_answer(read, c.answer, words), c.result) << c.what;
        EXPECT_EQ(words[0], 0xAAAA) << c.what;
    }

    const Request one = write_one_word_request(1, 0x7040, 0x0182);
    EXPECT_EQ(check_answer(one, one.bytes, {}), JBUS_OK);  // the answer echoes the request
    EXPECT_EQ(check_answer(one, with_crc({1, 6, 0x70, 0x40, 0x00, 0x82}), {}), JBUS_ERR_MALFORMED);
    const std::uint16_t words[] = {1, 2, 3};
    const Request several = write_words_request(1, 0x7041, words);
    EXPECT_EQ(check_answer(several, with_crc({1, 16, 0x70, 0x41, 0, 3}), {}), JBUS_OK);
    EXPECT_EQ(check_answer(several, with_crc({1, 16, 0x70, 0x42, 0, 3}), {}), JBUS_ERR_MALFORMED);
    EXPECT_EQ(check_answer(several, with_crc({1, 16, 0x70, 0x41, 0, 2}), {}), JBUS_ERR_MALFORMED);
}

TEST(JbusFrame, AnExceptionIsRecognisedFromItsFunctionByte) {
    const Request read = read_words_request(1, 0x7000, 15);
    EXPECT_EQ(expected_answer_length(read, Bytes{1, 0x83, 2, 0, 0}), 5u);
    EXPECT_EQ(expected_answer_length(read, Bytes{1, 3, 30, 0, 0}), 35u);
}

TEST(JbusFrame, LineTiming) {
    EXPECT_TRUE(supported_rate(57600));
    EXPECT_TRUE(supported_rate(0));
    EXPECT_FALSE(supported_rate(56000));
    EXPECT_EQ(line_rate(0), 57600);
    // 3.5 characters of 11 bits: 4010.4 us at 9600; a fixed 1.75 ms on fast lines.
    EXPECT_EQ(frame_silence_us(9600), 4011u);
    EXPECT_EQ(frame_silence_us(57600), 1750u);
    // The 15-word status read: 8 + 35 bytes on the wire, 8.21 ms at 57600.
    EXPECT_EQ(wire_time_us(57600, 43), 8212u);
    EXPECT_EQ(answer_timeout_ms(57600, read_words_request(1, 0x700F, 15)), 159u);
}

}  // namespace
}  // namespace np::jbus
