#include "npjbus/jbus_frame.h"

#include <algorithm>
#include <array>

#include "npjbus/npjbus.h"

namespace np::jbus {
namespace {

constexpr int kUsualRate = 57600;
constexpr std::uint32_t kBitsPerCharacter = 11;
// Above 19200 bit/s the silence is a fixed 1.75 ms instead of 3.5 characters.
constexpr std::uint32_t kFastLineSilenceUs = 1750;
// Time the unit may take to start answering, on top of both frames' wire time.
constexpr std::uint32_t kTurnaroundMs = 150;
constexpr std::uint8_t kExceptionFlag = 0x80;

void put_word(std::vector<std::uint8_t>& bytes, std::uint16_t word) {
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

Request finish(std::vector<std::uint8_t> bytes, std::size_t answer_length) {
    const std::uint16_t crc = crc16(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return {std::move(bytes), answer_length};
}

std::vector<std::uint8_t> header(std::uint8_t slave, Function function, std::uint16_t address) {
    std::vector<std::uint8_t> bytes{slave, static_cast<std::uint8_t>(function)};
    put_word(bytes, address);
    return bytes;
}

Function function_of(const Request& request) {
    return static_cast<Function>(request.bytes[1]);
}

}  // namespace

std::uint16_t crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

Request read_words_request(std::uint8_t slave, std::uint16_t address, std::uint16_t count) {
    auto bytes = header(slave, Function::read_words, address);
    put_word(bytes, count);
    return finish(std::move(bytes), 5u + 2u * count);
}

Request write_words_request(std::uint8_t slave, std::uint16_t address,
                            std::span<const std::uint16_t> words) {
    auto bytes = header(slave, Function::write_words, address);
    put_word(bytes, static_cast<std::uint16_t>(words.size()));
    bytes.push_back(static_cast<std::uint8_t>(2 * words.size()));
    for (const std::uint16_t word : words) put_word(bytes, word);
    return finish(std::move(bytes), 8);
}

Request write_one_word_request(std::uint8_t slave, std::uint16_t address, std::uint16_t value) {
    auto bytes = header(slave, Function::write_one_word, address);
    put_word(bytes, value);
    return finish(std::move(bytes), 8);
}

std::size_t expected_answer_length(const Request& request,
                                   std::span<const std::uint8_t> received) {
    if (received.size() >= 2 && received[1] == (request.bytes[1] | kExceptionFlag))
        return kExceptionAnswerLength;
    return request.answer_length;
}

int check_answer(const Request& request, std::span<const std::uint8_t> answer,
                 std::span<std::uint16_t> words) {
    if (answer.size() < kExceptionAnswerLength) return JBUS_ERR_MALFORMED;
    const std::size_t body = answer.size() - 2;
    const std::uint16_t sent_crc = static_cast<std::uint16_t>(answer[body] | answer[body + 1] << 8);
    if (crc16(answer.first(body)) != sent_crc) return JBUS_ERR_CRC;
    if (answer[0] != request.bytes[0]) return JBUS_ERR_MALFORMED;
    if (answer[1] == (request.bytes[1] | kExceptionFlag))
        return answer.size() == kExceptionAnswerLength ? JBUS_ERR_EXCEPTION + answer[2]
                                                       : JBUS_ERR_MALFORMED;
    if (answer[1] != request.bytes[1] || answer.size() != request.answer_length)
        return JBUS_ERR_MALFORMED;

    if (function_of(request) == Function::read_words) {
        const std::size_t count = word_at(request.bytes, 4);
        if (answer[2] != 2 * count || words.size() < count) return JBUS_ERR_MALFORMED;
        for (std::size_t i = 0; i < count; ++i) words[i] = word_at(answer, 3 + 2 * i);
        return JBUS_OK;
    }
    // Both write answers echo the address and then the value or the count.
    const bool echoed = std::equal(answer.begin() + 2, answer.begin() + 6, request.bytes.begin() + 2);
    return echoed ? JBUS_OK : JBUS_ERR_MALFORMED;
}

bool supported_rate(int baud) {
    constexpr std::array kRates{0, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return std::find(kRates.begin(), kRates.end(), baud) != kRates.end();
}

int line_rate(int baud) {
    return baud == 0 ? kUsualRate : baud;
}

std::uint32_t wire_time_us(int baud, std::size_t bytes) {
    const auto rate = static_cast<std::uint64_t>(line_rate(baud));
    return static_cast<std::uint32_t>((bytes * kBitsPerCharacter * 1'000'000ull + rate - 1) / rate);
}

std::uint32_t frame_silence_us(int baud) {
    if (line_rate(baud) > 19200) return kFastLineSilenceUs;
    return (wire_time_us(baud, 7) + 1) / 2;  // 3.5 characters
}

std::uint32_t answer_timeout_ms(int baud, const Request& request) {
    const std::uint32_t wire_us =
        wire_time_us(baud, request.bytes.size() + request.answer_length);
    return kTurnaroundMs + (wire_us + 999) / 1000;
}

}  // namespace np::jbus
