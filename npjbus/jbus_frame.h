// JBUS (Modbus RTU) framing: requests, the complete check of an answer, line timing.
// Pure functions; the port layer only moves the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace np::jbus {

enum class Function : std::uint8_t { read_words = 3, write_one_word = 6, write_words = 16 };

inline constexpr int kMaxReadCount = 125;
inline constexpr int kMaxWriteCount = 123;
inline constexpr std::size_t kExceptionAnswerLength = 5;

// CRC-16 of the Modbus family (polynomial 0xA001 reflected, start 0xFFFF); sent low byte first.
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

struct Request {
    std::vector<std::uint8_t> bytes;  // ready to send, CRC included
    std::size_t answer_length = 0;    // length of the normal answer
};

Request read_words_request(std::uint8_t slave, std::uint16_t address, std::uint16_t count);
Request write_words_request(std::uint8_t slave, std::uint16_t address,
                            std::span<const std::uint16_t> words);
Request write_one_word_request(std::uint8_t slave, std::uint16_t address, std::uint16_t value);

// How many bytes the answer has, judged from what has arrived so far: an exception
// answer is shorter than the normal one, and its function byte says so.
std::size_t expected_answer_length(const Request& request, std::span<const std::uint8_t> received);

// Checks a whole answer against its request. Returns 0 or one of the JBUS_ERR_ codes;
// only on success are the words of a read answer written to `words`.
int check_answer(const Request& request, std::span<const std::uint8_t> answer,
                 std::span<std::uint16_t> words);

// Line timing for 11-bit characters (start, 8 data, parity, stop).
bool supported_rate(int baud);
int line_rate(int baud);  // 0 stands for the unit's usual rate
std::uint32_t frame_silence_us(int baud);
std::uint32_t wire_time_us(int baud, std::size_t bytes);
std::uint32_t answer_timeout_ms(int baud, const Request& request);

}  // namespace np::jbus
