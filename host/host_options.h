// Command line of the sample host:
//   PanoHost [--driver NAME] [--count N] [--out DIR] [--host-code N]
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace np::host {

struct HostOptions {
    std::string driver = "Scanlink.dll";
    int count = 1;
    std::string out_dir = ".";
    short host_code = 0;
};

// nullopt for an unknown option, a missing value or a count below 1.
std::optional<HostOptions> parse_host_options(const std::vector<std::string>& args);

}  // namespace np::host
