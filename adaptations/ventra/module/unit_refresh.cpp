#include "adaptations/ventra/module/unit_refresh.h"

#include <array>

#include "adaptations/ventra/link/startup_rules.h"
#include "adaptations/ventra/link/status_block.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/record/program_table.h"

namespace np::ventra {

bool refresh_program(VentraModule& module) {
    std::array<std::uint16_t, words::programs> programs{};
    std::array<std::uint16_t, words::parameters> parameters{};
    if (!module.record || module.link.read(address::programs, words::programs, programs.data()) != 0 ||
        module.link.read(address::parameters, words::parameters, parameters.data()) != 0)
        return false;
    apply_unit_program(*module.record, programs, parameters);
    return true;
}

bool refresh_time(VentraModule& module) {
    std::array<std::uint16_t, words::parameters> parameters{};
    if (!module.record || module.link.read(address::parameters, words::parameters, parameters.data()) != 0)
        return false;
    module.record->exposure_time = static_cast<float>(parameters[2] * 0.01);
    return true;
}

bool refresh_mirror(VentraModule& module) {
    std::array<std::uint16_t, words::orientation> orientation{};
    if (module.link.read(address::orientation, words::orientation, orientation.data()) != 0) return false;
    module.mirror = mirror_from_orientation(orientation[0]);
    return true;
}

std::optional<std::string> refresh_cooling(const VentraModule& module, std::string_view shown) {
    std::uint16_t seconds = 0;
    if (module.link.read(address::cooling, 1, &seconds) != 0) return std::nullopt;
    return cooling_text(seconds, shown);
}

}  // namespace np::ventra
