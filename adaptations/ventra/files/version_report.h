// The About screen's two texts: the software modules' version fields and the
// unit's firmware identification.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "adaptations/ventra/files/config_report.h"

namespace np::ventra {

struct ModuleVersion {
    const char* name;  // "panodlg.dll", "NPjbus.dll", "NPLang.dll"
    std::string file_version, description, copyright;  // empty when missing
};

inline constexpr const char* kVersionKeys[] = {"FileVersion", "FileDescription", "LegalCopyright"};

std::string software_text(std::span<const ModuleVersion> modules);
std::string firmware_text(std::span<const std::uint16_t, 15> identification,
                          std::span<const std::uint16_t, 11> manufacturing, const TextLookup& text);

}  // namespace np::ventra
