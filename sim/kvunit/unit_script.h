// The commands the unit simulator plays, one per line:
//   exposure O V A S     the four frames of an exposure, values as the unit sends them
//   frame L V            one frame with field letter L and value V
//   badetx L V           a frame whose fourth byte is not ETX
//   noise N              N bytes of line noise (never STX, never zero)
//   raw B ...            bytes as given (decimal or 0x hexadecimal)
//   split N MS           from now on write at most N bytes at a time, MS ms apart
//                        ("split 0 0" writes every command in one piece again)
//   wait MS              silence on the line
// Blank lines and lines starting with # do nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace np::kvunit {

struct Step {
    std::vector<std::uint8_t> bytes;  // written in one piece...
    int pause_ms = 0;                 // ...then this much silence
};

struct Splitting {
    std::size_t chunk = 0;  // 0: no splitting
    int pause_ms = 0;
};

// The steps of one command line; an error text when the line is not understood.
// `split` changes `splitting` and yields no step.
struct Parsed {
    std::vector<Step> steps;
    std::optional<std::string> error;
};
Parsed parse_command(std::string_view line, Splitting& splitting);

}  // namespace np::kvunit
