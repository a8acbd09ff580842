#include "installer/source_folder.h"

namespace np::install {
namespace {

constexpr const char* kNt4Folder = "c:\\winnt40\\ScanlinkNT\\";
constexpr const char* kPciFolder = "c:\\12bits\\orvixpci\\";
constexpr const char* kInfName = "scanlink.inf";

}  // namespace

std::string find_source_folder(Os os, const SourceProbe& probe) {
    const std::string fixed = os == Os::nt4 ? kNt4Folder : kPciFolder;
    if (probe.has_signature(fixed + kInfName)) return fixed;
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        if (!probe.is_cdrom(letter)) continue;
        const auto value = probe.autorun_folder(letter);
        // The value names the folder from the root, its first character being the
        // root's own backslash; an empty value names no folder.
        if (!value || value->empty()) continue;
        std::string folder = std::string(1, letter) + ":\\" + value->substr(1);
        if (folder.back() != '\\') folder += '\\';
        return folder;
    }
    return {};
}

}  // namespace np::install
