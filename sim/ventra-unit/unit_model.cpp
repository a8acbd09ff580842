#include "sim/ventra-unit/unit_model.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <sstream>

namespace np::ventraunit {
namespace {

constexpr std::uint32_t kRotationMs = 400;
constexpr std::uint32_t kReturnMs = 400;
constexpr std::uint32_t kLongestExposureMs = 20000;

// Word 0 of the status block: low byte flags and machine state, high byte ready
// and maintenance access.
constexpr std::uint16_t kLaser = 0x0080;
constexpr std::uint16_t kEmission = 0x0040;
constexpr std::uint16_t kStateMask = 0x003C;
constexpr int kStateShift = 2;
constexpr std::uint16_t kReady = 0x0100;
constexpr std::uint16_t kAccessMask = 0x0C00;
constexpr std::uint16_t kAccessGranted = 0x0800;
constexpr std::uint16_t kInterfaceInactive = 0x4000;  // indicator bit 14

enum Program : std::uint16_t { kP0 = reg::programs, kP3 = kP0 + 3, kP4, kP5, kP6 };
enum Parameter : std::uint16_t { kQ0 = reg::parameters, kQ1, kQ2, kQ3, kQ4 };

constexpr std::uint32_t kHeatingExposureMs = 300;
constexpr int kHeatingSteps = 11;
constexpr std::uint8_t kHeatingProgram = 7;
constexpr std::uint8_t kKvCalibration = 5, kMaCalibration = 6;

struct Block {
    std::uint16_t base, words;
};
// The parameter groups as the store and reset commands name them: 1 calibration,
// 2 manufacturing, 4 preferences; 0 all of them.
std::vector<Block> group_blocks(std::uint8_t group) {
    std::vector<Block> blocks;
    if (group == 0 || group == 1) blocks.push_back({reg::calibration, 40});
    if (group == 0 || group == 2) blocks.push_back({reg::manufacturing, 16});
    if (group == 0 || group == 4) blocks.push_back({reg::preferences, 20});
    return blocks;
}

constexpr std::uint16_t kStatusWord = reg::status;
constexpr std::uint16_t kErrorWord = reg::status + 1;
constexpr std::uint16_t kIndicatorWord = reg::status + 2;

}  // namespace

UnitModel::UnitModel() : words_(register_count, 0) {
    set_text(reg::identification, 6, "NorvanePan");
    set_firmware("1.02");
    set_text(reg::identification + 9, 6, "2026/11");  // the date text at byte 18
    set_word(kStatusWord, kReady);
    set_word(kP0, 70);
    set_word(kP3, 0x70);  // panoramic, all three blocks
    set_word(kP5, 1);
    set_word(kP6, 1);
    set_word(kQ0, 70);
    set_word(kQ1, 80);
    set_word(kQ2, 1200);
    set_word(kQ4, 95);
    set_word(reg::cooling, 0xFFFF);
    set_word(reg::orientation, 1);
    set_float(reg::measures, 231.5f);
    set_word(reg::tube_charge, 42);
    stored_ = words_;
    reset_group(0);
    store_group(0);
}

void UnitModel::set_float(std::uint16_t address, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    set_word(address, static_cast<std::uint16_t>(bits & 0xFFFF));
    set_word(static_cast<std::uint16_t>(address + 1), static_cast<std::uint16_t>(bits >> 16));
}

std::uint16_t UnitModel::word(std::uint16_t address) const {
    if (address < reg::first || address >= reg::end) return 0;
    return words_[address - reg::first];
}

void UnitModel::set_word(std::uint16_t address, std::uint16_t value) {
    if (address >= reg::first && address < reg::end) words_[address - reg::first] = value;
}

// Text is stored two characters a word, the first in the low byte.
void UnitModel::set_text(std::uint16_t address, std::size_t words, const std::string& text) {
    for (std::size_t i = 0; i < words; ++i) {
        const auto at = [&](std::size_t k) -> std::uint16_t {
            return k < text.size() ? static_cast<unsigned char>(text[k]) : 0;
        };
        set_word(static_cast<std::uint16_t>(address + i),
                 static_cast<std::uint16_t>(at(2 * i) | at(2 * i + 1) << 8));
    }
}

std::string UnitModel::text_at(std::uint16_t address, std::size_t words) const {
    std::string text;
    for (std::size_t i = 0; i < words; ++i) {
        const std::uint16_t w = word(static_cast<std::uint16_t>(address + i));
        text += static_cast<char>(w & 0xFF);
        text += static_cast<char>(w >> 8);
    }
    return text.substr(0, text.find('\0'));
}

// Bytes 12..17 of the identification block.
void UnitModel::set_firmware(const std::string& version) {
    set_text(reg::identification + 6, 3, version);
}

void UnitModel::written(std::uint16_t address, std::uint16_t count) {
    if (address <= reg::command && reg::command < address + count)
        apply_command(word(reg::command));
}

void UnitModel::change_parameter(std::uint16_t address, int step, int low, int high) {
    set_word(address, static_cast<std::uint16_t>(std::clamp(word(address) + step, low, high)));
}

void UnitModel::apply_command(std::uint16_t command) {
    const std::uint8_t code = command & 0xFF;
    const std::uint8_t parameter = command >> 8;
    switch (code) {
        case 0x01:
            change_parameter(kQ0, parameter == 0 ? 1 : -1, 60, 90);
            set_word(kP0, word(kQ0));
            break;
        case 0x02:
            change_parameter(kQ1, parameter == 0 ? 5 : -5, 20, 160);
            break;
        case 0x04:  // the parameter is the program selection itself
            set_word(kP3, parameter);
            start_calibration_program(parameter);
            break;
        case 0x05:
            set_word(kP4, parameter == 1 ? 0 : 1);
            break;
        case 0x06:
            set_word(kP5, std::min<std::uint16_t>(parameter, 2));
            break;
        case 0x07:  // demonstration without X-rays: parameter 1 gives the X-rays back
            set_word(kP6, parameter == 1 ? 1 : 0);
            break;
        case 0x09:
            set_machine_state(MachineState::idle, false);
            phase_ = Phase::none;
            phase_left_ms_ = 0;
            break;
        case 0x0A:
            set_word(kStatusWord, word(kStatusWord) ^ kLaser);
            break;
        case 0x0B:
        case 0x80:
            set_error(0);
            break;
        case 0x81:
            store_group(parameter);
            break;
        case 0x82:
            reset_group(parameter);
            break;
        case 0x83:  // arm calibration: the movement's length and the switch's hysteresis
            set_word(reg::calibration, 2150);
            set_word(reg::calibration + 1, 14);
            break;
        case 0x85:
            set_word(kIndicatorWord, word(kIndicatorWord) & ~kInterfaceInactive);
            break;
        case 0x86:
            set_word(kIndicatorWord, word(kIndicatorWord) | kInterfaceInactive);
            break;
        default:
            break;
    }
}

// Defaults the unit restores: recognisable patterns, so that a restore is visible.
void UnitModel::reset_group(std::uint8_t group) {
    const auto fill = [&](std::uint16_t base, int words, std::uint16_t tag) {
        for (int i = 0; i < words; ++i)
            set_word(static_cast<std::uint16_t>(base + i), static_cast<std::uint16_t>(tag + i));
    };
    if (group == 0 || group == 1) fill(reg::calibration, 40, 0x1100);
    if (group == 0 || group == 2) fill(reg::manufacturing, 16, 0x2200);
    if (group == 0 || group == 4) fill(reg::preferences, 20, 0x4400);
    if (group == 0 || group == 3) {
        set_word(kQ0, 70);
        set_word(kP0, 70);
        set_word(kQ1, 80);
    }
}

void UnitModel::store_group(std::uint8_t group) {
    for (const Block& b : group_blocks(group))
        std::copy_n(words_.begin() + (b.base - reg::first), b.words, stored_.begin() + (b.base - reg::first));
}

void UnitModel::restart() {
    for (const Block& b : group_blocks(0))
        std::copy_n(stored_.begin() + (b.base - reg::first), b.words, words_.begin() + (b.base - reg::first));
}

void UnitModel::lose_group(std::uint8_t group) {
    for (const Block& b : group_blocks(group))
        std::fill_n(words_.begin() + (b.base - reg::first), b.words, 0);
    set_error(group == 1 ? 54 : group == 2 ? 56 : 57);
}

// The calibration programs produce a set value, which the unit measures a little
// off: kV 2 % high plus 0.4 kV, mA 5 % low plus 0.1 mA.
void UnitModel::start_calibration_program(std::uint8_t selection) {
    const bool second_step = selection & 0x10;
    switch (selection & 0x0F) {
        case kKvCalibration:
            set_word(kQ0, second_step ? 85 : 70);
            set_word(kP0, word(kQ0));
            set_float(reg::measures + 2, word(kQ0) * 1.02f + 0.4f);
            break;
        case kMaCalibration:
            set_word(kQ1, second_step ? 100 : 40);
            set_float(reg::measures + 4, word(kQ1) * 0.1f * 0.95f + 0.1f);
            break;
        default:
            break;
    }
}

void UnitModel::set_machine_state(MachineState state, bool emission) {
    std::uint16_t w = word(kStatusWord) & ~(kStateMask | kEmission);
    w |= static_cast<std::uint16_t>(static_cast<std::uint16_t>(state) << kStateShift);
    if (emission) w |= kEmission;
    set_word(kStatusWord, w);
}

MachineState UnitModel::machine_state() const {
    return static_cast<MachineState>((word(kStatusWord) & kStateMask) >> kStateShift);
}

void UnitModel::press_handswitch() {
    const bool ready = word(kStatusWord) & kReady;
    if (!ready || word(kErrorWord) != 0 || machine_state() != MachineState::idle) return;
    if ((word(kP3) & 0x0F) == kHeatingProgram) {  // one kV step of the heating program
        set_machine_state(MachineState::exposure, true);
        phase_ = Phase::heating;
        phase_left_ms_ = kHeatingExposureMs;
        return;
    }
    set_machine_state(MachineState::rotation, false);
    phase_ = Phase::rotation;
    phase_left_ms_ = kRotationMs;
}

// Rotation, exposure for the programmed time, return, idle; each exposure counts.
void UnitModel::advance(std::uint32_t elapsed_ms) {
    while (phase_ != Phase::none) {
        if (elapsed_ms < phase_left_ms_) {
            phase_left_ms_ -= elapsed_ms;
            return;
        }
        elapsed_ms -= phase_left_ms_;
        enter_next_phase();
    }
}

void UnitModel::enter_next_phase() {
    switch (phase_) {
        case Phase::rotation:
            phase_ = Phase::exposure;
            phase_left_ms_ = std::min<std::uint32_t>(word(kQ2) * 10u, kLongestExposureMs);
            set_machine_state(MachineState::exposure, word(kP6) != 0);
            count_exposure();
            break;
        case Phase::exposure:
            phase_ = Phase::returning;
            phase_left_ms_ = kReturnMs;
            set_machine_state(MachineState::rotation, false);
            break;
        case Phase::heating: {  // the step's delta is in the table, the next step is due
            const int step = std::min<int>((word(kP3) >> 4) + 1, kHeatingSteps);
            set_word(kP3, static_cast<std::uint16_t>(step << 4 | kHeatingProgram));
            set_word(static_cast<std::uint16_t>(reg::heating_table + step - 1), static_cast<std::uint16_t>(3 * step - 18));
            phase_ = Phase::none;
            phase_left_ms_ = 0;
            set_machine_state(MachineState::idle, false);
            break;
        }
        case Phase::returning:
        case Phase::none:
            phase_ = Phase::none;
            phase_left_ms_ = 0;
            set_machine_state(MachineState::idle, false);
            break;
    }
}

void UnitModel::count_exposure() {
    const auto add_one = [&](std::uint16_t low) {
        const std::uint32_t total = (word(low) | static_cast<std::uint32_t>(word(low + 1)) << 16) + 1;
        set_word(low, static_cast<std::uint16_t>(total & 0xFFFF));
        set_word(static_cast<std::uint16_t>(low + 1), static_cast<std::uint16_t>(total >> 16));
    };
    add_one(reg::diagnostic);
    add_one(reg::diagnostic + 2);
}

void UnitModel::count_request(bool correct) {
    const std::uint16_t counter = correct ? reg::counters : reg::counters + 1;
    set_word(counter, static_cast<std::uint16_t>(word(counter) + 1));
}

void UnitModel::set_error(std::uint16_t code) {
    set_word(kErrorWord, code);
}

void UnitModel::set_indicators(std::uint16_t bits) {
    set_word(kIndicatorWord, bits);
}

void UnitModel::set_maintenance_access(bool granted) {
    std::uint16_t w = word(kStatusWord) & ~kAccessMask;
    if (granted) w |= kAccessGranted;
    set_word(kStatusWord, w);
}

void UnitModel::set_ready(bool ready) {
    const std::uint16_t w = word(kStatusWord);
    set_word(kStatusWord, ready ? (w | kReady) : (w & ~kReady));
}

void UnitModel::set_cooling(std::uint16_t seconds) {
    set_word(reg::cooling, seconds);
}

std::string play_unit_command(UnitModel& unit, const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    const auto number = [&](int base) -> std::optional<long> {
        std::string text;
        if (!(in >> text)) return std::nullopt;
        try {
            std::size_t used = 0;
            const long value = std::stol(text, &used, base);
            if (used != text.size()) return std::nullopt;
            return value;
        } catch (...) {
            return std::nullopt;
        }
    };
    const auto on_off = [&]() -> std::optional<bool> {
        std::string word;
        in >> word;
        if (word == "on") return true;
        if (word == "off") return false;
        return std::nullopt;
    };

    if (verb == "handswitch") {
        unit.press_handswitch();
    } else if (verb == "command") {
        const auto word = number(16);
        if (!word) return "command needs a hexadecimal word";
        unit.apply_command(static_cast<std::uint16_t>(*word));
    } else if (verb == "error") {
        const auto code = number(10);
        if (!code) return "error needs a code";
        unit.set_error(static_cast<std::uint16_t>(*code));
    } else if (verb == "lost") {  // parameters lost: the unit reports them as an error
        std::string group;
        in >> group;
        if (group == "calibration") unit.lose_group(1);
        else if (group == "manufacturing") unit.lose_group(2);
        else if (group == "preferences") unit.lose_group(4);
        else return "lost calibration|manufacturing|preferences";
    } else if (verb == "restart") {
        unit.restart();
    } else if (verb == "indicators") {
        const auto bits = number(16);
        if (!bits) return "indicators needs hexadecimal bits";
        unit.set_indicators(static_cast<std::uint16_t>(*bits));
    } else if (verb == "maintenance" || verb == "ready") {
        const auto state = on_off();
        if (!state) return verb + " on|off";
        if (verb == "ready") unit.set_ready(*state);
        else unit.set_maintenance_access(*state);
    } else if (verb == "cooling") {
        std::string value;
        in >> value;
        if (value == "none") {
            unit.set_cooling(0xFFFF);
        } else {
            std::istringstream seconds(value);
            long s = -1;
            if (!(seconds >> s) || s < 0 || s > 0xFFFE) return "cooling SECONDS|none";
            unit.set_cooling(static_cast<std::uint16_t>(s));
        }
    } else if (verb == "firmware") {
        std::string version;
        if (!(in >> version) || version.size() > 6) return "firmware TEXT (at most 6 characters)";
        unit.set_firmware(version);
    } else if (verb == "set") {
        const auto address = number(16);
        if (!address) return "set ADDRESS WORD...";
        std::uint16_t at = static_cast<std::uint16_t>(*address);
        for (auto value = number(16); value; value = number(16)) unit.set_word(at++, static_cast<std::uint16_t>(*value));
    } else {
        return "unknown command: " + verb;
    }
    return {};
}

}  // namespace np::ventraunit
