#include "adaptations/serial/serial_settings.h"

#include "common/settings_key.h"

namespace np::serial {
namespace {

constexpr const char* kPanoKey = "NORVANE\\PANO";
constexpr const char* kComValue = "COM";
constexpr const char* kDefaultComPort = "1";
constexpr const char* kCardBaudRateValue = "BaudRatePano";
constexpr const char* kLastProgramValue = "ProgNum";
constexpr std::size_t kOverrideBuffer = 8;

std::string program_key(const UnitModel& model, int program) {
    return std::string(model.model_key) + "\\PROG\\P" + std::to_string(program);
}

}  // namespace

std::string read_com_port(const UnitModel& model) {
    return SettingsKey(kPanoKey).text(kComValue, model.com_buffer, kDefaultComPort);
}

std::optional<std::uint32_t> read_card_baud_rate() {
    return SettingsKey(kPanoKey).dword(kCardBaudRateValue);
}

std::optional<std::string> read_last_program(const UnitModel& model) {
    return SettingsKey(model.model_key).text(kLastProgramValue, model.prog_num_buffer);
}

bool write_last_program(const UnitModel& model, int program) {
    return write_setting(model.model_key, kLastProgramValue, std::to_string(program));
}

Overrides read_overrides(const UnitModel& model, int program, char letter) {
    Overrides values;
    const ProgramEntry* entry = find_program(model, program);
    if (!entry) return values;
    const SettingsKey key(program_key(model, program));
    for (int k = 0; k < entry->sections; ++k) {
        const char name[] = {letter, static_cast<char>('1' + k), '\0'};
        values[k] = key.text(name, kOverrideBuffer);
    }
    return values;
}

}  // namespace np::serial
