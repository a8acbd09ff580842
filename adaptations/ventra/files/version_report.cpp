#include "adaptations/ventra/files/version_report.h"

#include "adaptations/ventra/files/unit_blocks.h"

namespace np::ventra {

std::string software_text(std::span<const ModuleVersion> modules) {
    std::string text;
    for (const ModuleVersion& m : modules) {
        text += std::string(m.name) + "\r\n";
        const std::string* values[] = {&m.file_version, &m.description, &m.copyright};
        for (int k = 0; k < 3; ++k) text += std::string(kVersionKeys[k]) + ":\t" + *values[k] + "\r\n";
    }
    return text;
}

std::string firmware_text(std::span<const std::uint16_t, 15> identification,
                          std::span<const std::uint16_t, 11> manufacturing, const TextLookup& text) {
    return text(223) + " :\t\t" + block_text(identification, 0, 12) + "\r\n" +  //
           text(224) + " :\t" + block_text(identification, 12, 6) + "\r\n" +   //
           text(225) + " :\t\t" + block_text(identification, 18, 12) + "\r\n" +
           text(226) + " :\t" + block_text(manufacturing, 0, 22);
}

}  // namespace np::ventra
