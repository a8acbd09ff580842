// The wizard's pages, identified by their dialog template, and the way between them.
#pragma once

#include <array>

#include "installer/unit_records.h"

namespace np::install {

namespace page {
inline constexpr int welcome = 106;
inline constexpr int operating_system = 123;
inline constexpr int selection = 107;
inline constexpr int other = 108;
inline constexpr int op100 = 109;
inline constexpr int kv80 = 113;
inline constexpr int kv80_serial = 114;
inline constexpr int kv80_names = 115;
inline constexpr int kv40 = 116;
inline constexpr int kv40_serial = 117;
inline constexpr int kv40_names = 118;
inline constexpr int norvane_pan = 119;
inline constexpr int panoura = 120;
inline constexpr int op10 = 121;
inline constexpr int gendex_sd = 125;
inline constexpr int planmeca = 126;
inline constexpr int belmont = 127;
inline constexpr int generic = 124;
inline constexpr int summary = 110;
inline constexpr int installation = 111;
inline constexpr int mask = 122;
inline constexpr int end = 112;
}  // namespace page

// The pages in the wizard's order.
inline constexpr std::array<int, 22> kPages = {
    page::welcome,     page::operating_system, page::selection,   page::other,      page::op100,
    page::kv80,        page::kv80_serial,      page::kv80_names,  page::kv40,       page::kv40_serial,
    page::kv40_names,  page::norvane_pan,      page::panoura,     page::op10,       page::gendex_sd,
    page::planmeca,    page::belmont,          page::generic,     page::summary,    page::installation,
    page::mask,        page::end};

// What the flow needs to know of the answers so far.
struct FlowState {
    bool delete_demonstration = false;  // welcome page
    Unit unit = Unit::norvane_pan;      // selection page
    bool serial_line = false;           // Kv pages
};

// The page that Next leads to from `from`; 0 where Next is not offered.
int next_page(int from, const FlowState& state);
// The page that Back leads to from `from`; 0 where Back is not offered.
int back_page(int from);
// The first page of the unit's own questions (the summary for units without any).
int unit_page(Unit unit);

// The wizard buttons a page shows.
struct Buttons {
    bool back, next, finish;
};
Buttons buttons_of(int page);

}  // namespace np::install
