#include "common/text_numbers.h"

#include <climits>

namespace np {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int decimal_value(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::uint32_t hex_bit_set(std::string_view text) {
    std::uint32_t value = 0;
    unsigned shift = 0;
    for (auto it = text.rbegin(); it != text.rend() && shift < 32; ++it) {
        const int digit = hex_digit(*it);
        if (digit < 0) continue;
        value |= static_cast<std::uint32_t>(digit) << shift;
        shift += 4;
    }
    return value;
}

}  // namespace np
