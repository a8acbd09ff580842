#include "installer/wizard_flow.h"

namespace np::install {

int unit_page(Unit unit) {
    switch (unit) {
    case Unit::norvane_pan: return page::norvane_pan;
    case Unit::kv80: return page::kv80;
    case Unit::kv40: return page::kv40;
    case Unit::generic: return page::generic;
    case Unit::op100: return page::op100;
    case Unit::panoura12:
    case Unit::panoura_fw: return page::panoura;
    case Unit::panoura15:
    case Unit::rotograph230: return page::summary;
    case Unit::op10:
    case Unit::orthophos3: return page::op10;
    case Unit::gendex_sd: return page::gendex_sd;
    case Unit::planmeca2002: return page::planmeca;
    case Unit::belmont_xcaliber: return page::belmont;
    case Unit::other: return page::other;
    }
    return page::other;
}

int next_page(int from, const FlowState& state) {
    switch (from) {
    case page::welcome: return state.delete_demonstration ? page::end : page::operating_system;
    case page::operating_system: return page::selection;
    case page::selection: return unit_page(state.unit);
    case page::other: return 0;
    case page::kv80: return state.serial_line ? page::kv80_serial : page::kv80_names;
    case page::kv80_serial: return page::kv80_names;
    case page::kv40: return state.serial_line ? page::kv40_serial : page::kv40_names;
    case page::kv40_serial: return page::kv40_names;
    case page::summary: return page::installation;
    case page::installation: return page::mask;
    case page::mask: return page::end;
    case page::end: return 0;
    default: return page::summary;  // the last page of every unit's questions
    }
}

int back_page(int from) {
    switch (from) {
    case page::welcome:
    case page::installation:
    case page::mask:
    case page::end: return 0;
    case page::operating_system:
    case page::selection: return page::welcome;
    default: return page::selection;  // unit pages, "other" and the summary
    }
}

Buttons buttons_of(int page) {
    switch (page) {
    case page::other: return {true, false, true};
    case page::end: return {false, false, true};
    default: return {back_page(page) != 0, true, false};
    }
}

}  // namespace np::install
