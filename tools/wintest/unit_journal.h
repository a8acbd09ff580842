// Test helper for the tests beside the NorvanePan unit simulator: the command words
// the unit received, read from the journal the simulator prints (tools/wine-kvunit
// names its file in NP_UNIT_JOURNAL).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace np::testing {

inline std::vector<std::uint16_t> unit_commands() {
    const char* unix_path = std::getenv("NP_UNIT_JOURNAL");
    if (!unix_path) return {};
    std::string path = std::string("Z:") + unix_path;
    for (char& c : path)
        if (c == '/') c = '\\';
    std::ifstream journal(path);
    std::vector<std::uint16_t> words;
    for (std::string line; std::getline(journal, line);) {
        std::istringstream fields(line);
        std::string tag;
        unsigned word = 0;
        if (fields >> tag && tag == "COMMAND" && fields >> std::hex >> word)
            words.push_back(static_cast<std::uint16_t>(word));
    }
    return words;
}

// Commands received since a mark taken with unit_commands().size().
inline std::vector<std::uint16_t> unit_commands_since(std::size_t mark) {
    std::vector<std::uint16_t> all = unit_commands();
    if (mark >= all.size()) return {};
    return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
}

}  // namespace np::testing
