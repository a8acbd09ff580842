#include "adaptations/ventra/files/event_log.h"

#include <cstdio>

namespace np::ventra {

std::string error_record(int code, const LocalTime& at) {
    char text[96];
    std::snprintf(text, sizeof text, "Error n\xB0%.2d\t%.2d/%.2d/%.2d %.2dh%.2dmin\r\n", code, at.day,
                  at.month, at.year, at.hour, at.minute);
    return text;
}

std::string access_record(const LocalTime& at) {
    char text[96];
    std::snprintf(text, sizeof text, "Access to the technical menu\t%.2d/%.2d/%d %.2dh%.2dmin\r\n",
                  at.day, at.month, at.year, at.hour, at.minute);
    return text;
}

std::string counters_record(std::span<const std::uint16_t, 9> counters) {
    std::string record;
    char line[48];
    for (int i = 0; i < 9; ++i) {
        std::snprintf(line, sizeof line, "Counter %d : %u\r\n", i + 1, static_cast<unsigned>(counters[i]));
        record += line;
    }
    return record;
}

bool counters_worth_logging(std::uint32_t correct, std::uint32_t wrong) {
    const std::uint64_t all = std::uint64_t{correct} + wrong;
    return all == 0 || 100 * std::uint64_t{wrong} >= all;
}

std::string text_mode_stored(std::string_view text) {
    std::string stored;
    stored.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') stored += '\r';
        stored += c;
    }
    return stored;
}

std::string text_mode_read(std::string_view stored) {
    std::string text;
    text.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (!(stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n')) text += stored[i];
    return text;
}

std::string bounded_log(std::string_view stored, int lines_to_drop) {
    if (stored.size() <= kEventLogLimit) return std::string(stored);
    const std::string text = text_mode_read(stored);
    std::size_t end = std::string::npos;
    for (int n = 0; n < lines_to_drop; ++n) {
        end = text.find("\r\n", end == std::string::npos ? 0 : end + 1);
        // A file without enough line ends is not ours to keep in part.
        if (end == std::string::npos) return {};
    }
    return text_mode_stored(std::string_view(text).substr(end + 2));
}

}  // namespace np::ventra
