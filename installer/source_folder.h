// Where the installation files are: the two fixed folders, then the CD-ROM drives
// whose "autorun.inf" names the folder.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "installer/unit_records.h"

namespace np::install {

// What the search asks of the system.
struct SourceProbe {
    // [Version] "Signature" of the INF file at `path` can be read.
    std::function<bool(const std::string& path)> has_signature;
    // The drive of this letter ('D'..'Z') is a CD-ROM drive.
    std::function<bool(char letter)> is_cdrom;
    // [DriverInstall] "OrvixPCI" of the drive's "autorun.inf", when present.
    std::function<std::optional<std::string>(char letter)> autorun_folder;
};

// The source folder with its trailing backslash, or empty when none was found.
std::string find_source_folder(Os os, const SourceProbe& probe);

}  // namespace np::install
