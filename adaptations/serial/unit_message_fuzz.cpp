// libFuzzer target: what the unit sends, and what the registry holds for it, on its way
// to the acquisition record, the timings and the pixel size.
//
// Input: byte 0 picks the model (bit 0) and the stored program (bits 1-2: none, "27",
// "33", the override text); byte 1 is the number of received bytes that follow; the
// rest is up to three override texts separated by '\n', used both as widths and as gaps.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adaptations/serial/unit_message.h"
#include "adaptations/serial/unit_model.h"
#include "adaptations/serial/unit_record.h"

namespace {

using namespace np::serial;

Overrides split_overrides(std::string_view text) {
    Overrides overrides;
    for (auto& value : overrides) {
        if (text.empty()) break;
        const std::size_t end = text.find('\n');
        value = std::string(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return overrides;
}

std::optional<std::string> stored_program(std::uint8_t choice, const Overrides& overrides) {
    switch (choice & 3) {
        case 1:
            return "27";
        case 2:
            return "33";
        case 3:
            return overrides[0];
        default:
            return std::nullopt;
    }
}

void check_record(const np::AcquisitionRecord& record) {
    if (record.section_count < 1 || record.section_count > kMaxProgramSections) std::abort();
    if (record.sections[0].start != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const UnitModel& model = (data[0] & 1) ? kv40_model() : kv80_model();
    const std::size_t count = std::min<std::size_t>(data[1], size - 2);
    // Exactly as many bytes as arrived, so that a look past them is caught.
    const std::vector<std::uint8_t> received(data + 2, data + 2 + count);
    const Overrides overrides = split_overrides(
        std::string_view(reinterpret_cast<const char*>(data + 2 + count), size - 2 - count));

    np::AcquisitionRecord record = parse_message(received, model);
    if (record.valid != 0 || record.section_count != 0) std::abort();
    const int program = alternate_tmj(record.program, stored_program(data[0] >> 1, overrides));
    lay_out_sections(record, model, program, overrides);
    check_record(record);

    int gaps[np::kMaxSections + 1];
    gaps[np::kMaxSections] = -7;
    fill_timing(model, program, std::span<int>(gaps, np::kMaxSections), overrides);
    if (gaps[np::kMaxSections] != -7) std::abort();

    pixel_size(stored_program(data[0] >> 1, overrides));
    combined_tmj_program(program, record.program);
    return 0;
}
