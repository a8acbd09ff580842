// The configuration report "c:\ConfigNorvanePan.ini": sections and keys named by
// language-module texts, values from the unit's blocks, in the order written.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace np::ventra {

inline constexpr const char* kConfigReportPath = "c:\\ConfigNorvanePan.ini";

using TextLookup = std::function<std::string(std::uint16_t text_id)>;

struct UnitBlocks {
    std::span<const std::uint16_t, 15> identification;
    std::span<const std::uint16_t, 5> diagnostic;
    std::span<const std::uint16_t, 11> manufacturing;
    std::span<const std::uint16_t, 40> calibration;
    std::span<const std::uint16_t, 20> preferences;
};

struct ReportEntry {
    std::string section;
    std::string key;
    std::string value;
};

std::vector<ReportEntry> configuration_report(const UnitBlocks& blocks, const TextLookup& text);

}  // namespace np::ventra
