#include "adaptations/ventra/link/unit_display.h"

#include <cstdio>
#include <utility>

namespace np::ventra {
namespace {

// Upper half of the display's character set: source byte, shown byte.
constexpr std::pair<std::uint8_t, std::uint8_t> kUpperHalf[] = {
    {130, 44},  {131, 168}, {134, 209}, {136, 94},  {139, 60},  {145, 180}, {146, 179},
    {149, 205}, {150, 45},  {151, 45},  {152, 126}, {153, 208}, {155, 62},  {161, 169},
    {162, 164}, {163, 165}, {165, 166}, {166, 124}, {167, 210}, {168, 177}, {169, 207},
    {170, 157}, {171, 187}, {174, 206}, {175, 191}, {176, 178}, {177, 16},  {178, 30},
    {179, 31},  {180, 180}, {181, 218}, {182, 211}, {183, 176}, {186, 158}, {187, 188},
    {188, 182}, {189, 181}, {191, 159}, {194, 143}, {195, 170}, {196, 142}, {197, 142},
    {198, 146}, {199, 128}, {204, 141}, {205, 161}, {206, 140}, {207, 139}, {209, 156},
    {210, 149}, {211, 162}, {212, 147}, {213, 148}, {214, 183}, {215, 174}, {220, 154},
    {222, 220}, {223, 224}, {224, 133}, {225, 160}, {226, 131}, {227, 171}, {228, 132},
    {229, 134}, {230, 145}, {231, 135}, {232, 138}, {233, 130}, {234, 136}, {235, 137},
    {236, 141}, {237, 161}, {238, 140}, {239, 139}, {241, 155}, {242, 149}, {243, 162},
    {244, 147}, {245, 173}, {246, 148}, {247, 184}, {248, 175}, {249, 151}, {250, 163},
    {251, 150}, {252, 129}, {254, 220}, {255, 152},
};

constexpr std::array<std::uint8_t, 256> make_table() {
    std::array<std::uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) table[b] = (b >= 32 && b <= 126) ? static_cast<std::uint8_t>(b) : 32;
    table[0] = 0;
    table['^'] = 78;
    for (const auto& [from, to] : kUpperHalf) table[from] = to;
    return table;
}

constexpr std::array<std::uint8_t, 256> kDisplayTable = make_table();

}  // namespace

std::uint8_t display_character(std::uint8_t byte) {
    return kDisplayTable[byte];
}

DisplayWords display_text(std::string_view text, bool translate) {
    std::array<std::uint8_t, kDisplayTextBytes> bytes{};
    bytes.fill(' ');
    bytes.back() = 0;
    const std::size_t kept = std::min(text.size(), kDisplayChars);
    for (std::size_t i = 0; i < kept; ++i) bytes[i] = static_cast<std::uint8_t>(text[i]);
    if (translate)
        for (auto& b : bytes) b = display_character(b);
    DisplayWords words{};
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return words;
}

std::array<char, 4> code_text(int code, CodeKind kind) {
    std::array<char, 4> text{' ', ' ', ' ', '\0'};
    if (code != 0)
        std::snprintf(text.data(), text.size(), kind == CodeKind::error ? "E%.2d" : "I%.2d", code);
    return text;
}

std::array<std::uint16_t, 2> code_field(int code, CodeKind kind) {
    const auto text = code_text(code, kind);
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(text[i]); };
    return {static_cast<std::uint16_t>(byte(0) | byte(1) << 8),
            static_cast<std::uint16_t>(byte(2) | byte(3) << 8)};
}

}  // namespace np::ventra
