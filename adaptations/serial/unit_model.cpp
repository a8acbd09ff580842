#include "adaptations/serial/unit_model.h"

#include <algorithm>

namespace np::serial {
namespace {

constexpr ProgramEntry kKv80Programs[] = {
    {20, 1, {2300, 0, 0}, {10, 0, 0}, 200},         {21, 1, {2190, 0, 0}, {10, 0, 0}, 200},
    {22, 1, {2100, 0, 0}, {10, 0, 0}, 200},         {23, 1, {2120, 0, 0}, {10, 0, 0}, 200},
    {24, 1, {2020, 0, 0}, {10, 0, 0}, 200},         {25, 1, {2000, 0, 0}, {10, 0, 0}, 200},
    {26, 1, {940, 0, 0}, {10, 0, 0}, 200},          {27, 2, {520, 520, 0}, {20, 40, 0}, 1200},
    {28, 2, {800, 800, 0}, {10, 80, 0}, 1200},      {29, 3, {450, 550, 550}, {10, 100, 100}, 1200},
    {30, 3, {450, 550, 550}, {10, 100, 100}, 1200}, {33, 2, {510, 510, 0}, {10, 700, 0}, 2000},
};

constexpr ProgramEntry kKv40Programs[] = {
    {20, 1, {2420, 0, 0}, {10, 0, 0}, 200},    {23, 1, {2180, 0, 0}, {10, 0, 0}, 200},
    {26, 1, {1180, 0, 0}, {10, 0, 0}, 200},    {27, 2, {580, 540, 0}, {20, 35, 0}, 1200},
    {28, 2, {800, 800, 0}, {10, 80, 0}, 1200}, {33, 2, {560, 530, 0}, {10, 700, 0}, 2000},
};

// Programs 20 ... 33 in order.
constexpr double kMagnifications[] = {1.23, 1.23, 1.23, 1.23, 1.23, 1.23, 1.27,
                                      1.2,  1.89, 1.45, 1.45, 1.1,  1.1,  1.2};
constexpr int kFirstMagnifiedProgram = 20;

constexpr UnitModel kKv80{"NORVANE\\PANO\\KV80", 64, 32, kv80_program, kKv80Programs};
constexpr UnitModel kKv40{"NORVANE\\PANO\\KV40", 8, 8, kv40_program, kKv40Programs};

}  // namespace

const UnitModel& kv80_model() {
    return kKv80;
}
const UnitModel& kv40_model() {
    return kKv40;
}

const ProgramEntry* find_program(const UnitModel& model, int program) {
    const auto it = std::ranges::find(model.programs, program, &ProgramEntry::program);
    return it == model.programs.end() ? nullptr : &*it;
}

const ProgramEntry& program_or_default(const UnitModel& model, int program) {
    const ProgramEntry* entry = find_program(model, program);
    return entry ? *entry : kUnknownProgram;
}

std::optional<double> magnification(int program) {
    // Any number may be stored as the last program; compare before subtracting.
    if (program < kFirstMagnifiedProgram ||
        program >= kFirstMagnifiedProgram + static_cast<int>(std::size(kMagnifications)))
        return std::nullopt;
    return kMagnifications[program - kFirstMagnifiedProgram];
}

// 101 ... 114 are programs 20 ... 33; a value below 81 wraps around in the program byte.
std::uint8_t kv80_program(std::uint8_t value) {
    return static_cast<std::uint8_t>(value - 81);
}

std::uint8_t kv40_program(std::uint8_t value) {
    switch (value - 100) {
        case 1:
            return 23;
        case 2:
            return 20;
        case 3:
            return 26;
        case 4:
            return 27;
        case 5:
            return 28;
        default:
            return 20;
    }
}

}  // namespace np::serial
