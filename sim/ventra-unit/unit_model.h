// The NorvanePan unit as its JBUS registers show it: the register map, the
// commands written to 0x7040 and the handswitch cycle. Pure: the simulator
// program feeds it requests and elapsed time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace np::ventraunit {

// Word addresses of the blocks the console uses.
namespace reg {
inline constexpr std::uint16_t first = 0x6800;
inline constexpr std::uint16_t diagnostic = 0x6809;      // 5 words, exposure totals
inline constexpr std::uint16_t startup_text = 0x6818;    // 20 words
inline constexpr std::uint16_t identification = 0x7000;  // 15 words
inline constexpr std::uint16_t status = 0x700F;          // 15 words
inline constexpr std::uint16_t programs = 0x7012;        // P0..P6
inline constexpr std::uint16_t parameters = 0x7019;      // Q0..Q4
inline constexpr std::uint16_t measures = 0x701E;        // mains V, kV, mA: floats, low word first
inline constexpr std::uint16_t tube_charge = 0x7027;     // percent
inline constexpr std::uint16_t cooling = 0x7026;
inline constexpr std::uint16_t orientation = 0x7028;     // 4 words
inline constexpr std::uint16_t counters = 0x702C;        // 9 words
inline constexpr std::uint16_t command = 0x7040;
inline constexpr std::uint16_t manufacturing = 0x7041;   // 16 words
inline constexpr std::uint16_t calibration = 0x7051;     // 40 words
inline constexpr std::uint16_t heating_table = 0x7068;   // words 23..33 of the calibration
inline constexpr std::uint16_t preferences = 0x7079;     // 20 words
inline constexpr std::uint16_t state_text = 0x708D;      // 20 words
inline constexpr std::uint16_t code_text = 0x70A1;       // 2 words
inline constexpr std::uint16_t end = 0x70B0;
}  // namespace reg

enum class MachineState : std::uint16_t { idle = 0, rotation = 1, exposure = 2 };

class UnitModel {
  public:
    UnitModel();

    std::uint16_t word(std::uint16_t address) const;
    void set_word(std::uint16_t address, std::uint16_t value);
    std::uint16_t* registers() { return words_.data(); }  // reg::first onward
    static constexpr std::size_t register_count = reg::end - reg::first;

    // A write reached the register map; commands take effect here.
    void written(std::uint16_t address, std::uint16_t count);
    void apply_command(std::uint16_t command);
    void press_handswitch();
    void advance(std::uint32_t elapsed_ms);
    void count_request(bool correct);

    void set_firmware(const std::string& version);
    void set_error(std::uint16_t code);
    void set_indicators(std::uint16_t bits);
    void set_maintenance_access(bool granted);
    void set_ready(bool ready);
    void set_cooling(std::uint16_t seconds);  // 0xFFFF: none given
    // Parameters lost: the group's working registers are cleared and its error raised.
    void lose_group(std::uint8_t group);
    // The working parameters as the unit finds them at power-on: those last stored.
    void restart();

    MachineState machine_state() const;
    std::string text_at(std::uint16_t address, std::size_t words) const;

  private:
    void set_text(std::uint16_t address, std::size_t words, const std::string& text);
    void set_machine_state(MachineState state, bool emission);
    void reset_group(std::uint8_t group);
    void store_group(std::uint8_t group);
    void start_calibration_program(std::uint8_t selection);
    void set_float(std::uint16_t address, float value);
    void change_parameter(std::uint16_t address, int step, int low, int high);

    enum class Phase { none, rotation, exposure, returning, heating };
    void enter_next_phase();
    void count_exposure();

    std::vector<std::uint16_t> words_;
    std::vector<std::uint16_t> stored_;  // the non-volatile copy of the parameter groups
    Phase phase_ = Phase::none;
    std::uint32_t phase_left_ms_ = 0;
};

// One line of the control channel ("handswitch", "error 12", ...). Returns an
// error text, or empty when the line was understood. Line faults are the
// simulator's, not the unit's, and are parsed by the program.
std::string play_unit_command(UnitModel& unit, const std::string& line);

}  // namespace np::ventraunit
