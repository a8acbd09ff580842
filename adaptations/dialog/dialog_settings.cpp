#include "adaptations/dialog/dialog_settings.h"

#include <span>

#include "common/settings_key.h"

namespace np::dialog {
namespace {

constexpr const char* kProgramValue = "ProgNum";
constexpr const char* kKvValue = "kV";
constexpr const char* kMaValue = "mA";
constexpr const char* kNameValue = "Name";
constexpr std::size_t kNumberBuffer = 32;
constexpr std::size_t kNameBuffer = 48;

std::string program_key(const char* model_key, int program) {
    return std::string(model_key) + "\\PROG\\P" + std::to_string(program);
}

}  // namespace

StoredChoice read_choice(const char* model_key) {
    const SettingsKey key(model_key);
    if (!key.is_open()) return {};
    return {true, key.text(kProgramValue, kNumberBuffer), key.text(kKvValue, kNumberBuffer),
            key.text(kMaValue, kNumberBuffer)};
}

void remember_choice(const char* model_key, const Remembered& choice) {
    if (!write_setting(model_key, kProgramValue, std::to_string(choice.program))) return;
    write_setting(model_key, kKvValue, std::to_string(choice.kv));
    write_setting(model_key, kMaValue, std::to_string(choice.ma));
}

std::optional<std::string> read_last_program(const char* model_key) {
    return SettingsKey(model_key).text(kProgramValue, kNumberBuffer);
}

std::optional<std::string> read_program_name(const char* model_key, int program) {
    return SettingsKey(program_key(model_key, program)).text(kNameValue, kNameBuffer);
}

bool program_key_exists(const char* model_key, int program) {
    return SettingsKey(program_key(model_key, program)).is_open();
}

Overrides read_overrides(const char* model_key, int program, char letter, int sections) {
    Overrides values;
    const SettingsKey key(program_key(model_key, program));
    for (int k = 0; k < sections && k < kMaxProgramSections; ++k) {
        const char name[] = {letter, static_cast<char>('1' + k), '\0'};
        values[k] = key.text(name, kNumberBuffer);
    }
    return values;
}

int timing_with_overrides(const char* model_key, int program, const ProgramLayout* layout, int* gaps) {
    const Overrides overrides = read_overrides(model_key, program, 'I', layout ? layout->sections : 0);
    std::span<int> out;
    if (gaps) out = std::span<int>(gaps, kMaxSections);
    return fill_timing(layout, out, overrides);
}

}  // namespace np::dialog
