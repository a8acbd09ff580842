#include "adaptations/ventra/record/program_table.h"

#include <algorithm>

namespace np::ventra {
namespace {

using Sections = std::vector<ImageSection>;

ProgramGeometry panoramic(std::uint8_t code, Sections sections) {
    return {code, std::move(sections)};
}

std::optional<ProgramGeometry> panoramic_blocks(int blocks) {
    switch (blocks) {
        case 0: return std::nullopt;
        case 7: return panoramic(180, {{0, 2588}});
        case 2: return panoramic(182, {{0, 640}});
        case 3: return panoramic(183, {{0, 1614}});
        case 4: return panoramic(184, {{0, 974}});
        case 5: return panoramic(185, {{0, 974}, {1024, 974}});
        case 6: return panoramic(186, {{0, 1614}});
        default: return panoramic(181, {{0, 974}});  // right block, and 8..15
    }
}

}  // namespace

std::optional<ProgramGeometry> program_for(std::uint16_t selection) {
    const int family = selection & 0x0F;
    const int variant = (selection >> 4) & 0x0F;
    switch (family) {
        case 0:
            return panoramic_blocks(variant);
        case 1:
            if (variant == 0) return panoramic(187, {{0, 836}, {886, 836}});
            if (variant <= 2) return panoramic(188, {{0, 836}, {886, 836}, {1772, 836}, {2658, 836}});
            return std::nullopt;
        case 2:
            return panoramic(189, {{0, 1832}});
        case 3:
            if (variant == 0) return panoramic(192, {{0, 2000}});
            if (variant == 1) return panoramic(193, {{0, 2000}});
            return std::nullopt;
        case 8:
            return ProgramGeometry{190, {}};
        case 9:
            return ProgramGeometry{191, {}};
        default:
            return std::nullopt;
    }
}

void apply_unit_program(AcquisitionRecord& record, std::span<const std::uint16_t, 7> programs,
                        std::span<const std::uint16_t, 5> parameters) {
    if (const auto program = program_for(programs[3])) {
        record.program = program->code;
        if (!program->sections.empty()) {
            record.section_count = static_cast<std::int16_t>(program->sections.size());
            std::copy(program->sections.begin(), program->sections.end(), record.sections);
        }
    }
    record.kv = static_cast<float>(programs[0]);
    record.ma = static_cast<float>(parameters[1] * 0.1);
    record.exposure_time = static_cast<float>(parameters[2] * 0.01);
    record.unit_specific = static_cast<std::uint8_t>(programs[6] & 0xFF);
    record.valid = 1;
}

}  // namespace np::ventra
