// The event log "c:\NorvanePan.log": its three records and the bound on its size.
// On disk every record line ends in CR CR LF: the records end their lines in
// "\r\n" and were always written through a text-mode stream, which stores each LF
// as CR LF. The file keeps that form.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace np::ventra {

inline constexpr const char* kEventLogPath = "c:\\NorvanePan.log";
inline constexpr std::size_t kEventLogLimit = 10240;

struct LocalTime {
    int year, month, day, hour, minute;
};

std::string error_record(int code, const LocalTime& at);
std::string access_record(const LocalTime& at);
std::string counters_record(std::span<const std::uint16_t, 9> counters);
inline constexpr int kCountersRecordLines = 9;

// Counters are worth a record unless the unit saw requests and under 1 % failed.
bool counters_worth_logging(std::uint32_t correct, std::uint32_t wrong);

// A text as a text-mode stream stores it (LF as CR LF), and as it reads it back.
std::string text_mode_stored(std::string_view text);
std::string text_mode_read(std::string_view stored);

// What the file holds before a record is appended: a file over the limit loses its
// oldest lines (one for the error and access records, nine for the counters).
std::string bounded_log(std::string_view stored, int lines_to_drop);

}  // namespace np::ventra
