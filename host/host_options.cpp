#include "host/host_options.h"

#include <cstdlib>

namespace np::host {
namespace {

std::optional<long> whole_number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
    return value;
}

}  // namespace

std::optional<HostOptions> parse_host_options(const std::vector<std::string>& args) {
    HostOptions options;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return std::nullopt;
        const std::string& key = args[i];
        const std::string& value = args[i + 1];
        if (key == "--driver") {
            options.driver = value;
        } else if (key == "--out") {
            options.out_dir = value;
        } else if (key == "--count") {
            const auto count = whole_number(value);
            if (!count || *count < 1 || *count > 1000) return std::nullopt;
            options.count = static_cast<int>(*count);
        } else if (key == "--host-code") {
            const auto code = whole_number(value);
            if (!code || *code < -32768 || *code > 32767) return std::nullopt;
            options.host_code = static_cast<short>(*code);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace np::host
