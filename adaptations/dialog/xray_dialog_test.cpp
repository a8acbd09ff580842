// Trevian and Brevian as the driver calls them, the dialog worked through its up-down
// controls by an operator thread while ReadCommData waits.
#include <windows.h>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "adaptations/dialog/resources/dialog_ids.h"
#include "adaptations/dialog/testing/dialog_session.h"
#include "common/sensor_lines.h"

namespace np {
namespace {

using testing::PanelOperator;

struct XrayCase {
    const char* module;
    const char* key;
    const char* unit_name;
    int first_program, last_program;
    int kv_max, ma_min;
    const char* first_time;
};

const XrayCase kTrevian{"Trevian.dll", "NORVANE\\PANO\\TREVIAN", "Gendex SD/SD2", 120, 124, 84, 3,
                        "12.0"};
const XrayCase kBrevian{
    "Brevian.dll", "NORVANE\\PANO\\BREVIAN", "Belmont X'Caliber", 130, 132, 90, 2, "15.0"};

bool names_equal(const std::string& shown, const char* name) {
    return lstrcmpiA(shown.c_str(), name) == 0;  // the field shows capitals
}

void PrintTo(const XrayCase& unit, std::ostream* out) {
    *out << unit.unit_name;
}

using XrayDialog = testing::DialogModuleTest<XrayCase>;

TEST_P(XrayDialog, FirstUseAndEveryLimitOfTheUpDownControls) {
    const auto outcome = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_UNIT_NAME), unit().unit_name);
        EXPECT_TRUE(names_equal(panel.text(IDC_PROGRAM_NAME), "Pano Standard"));
        EXPECT_EQ(panel.text(IDC_KV), "60");
        EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().ma_min));
        EXPECT_EQ(panel.text(IDC_EXPOSURE_TIME), unit().first_time);

        panel.step(IDC_PROGRAM_SPIN, false);
        EXPECT_TRUE(names_equal(panel.text(IDC_PROGRAM_NAME), "Pano Standard"))
            << "stays on the first";
        panel.step_times(IDC_PROGRAM_SPIN, true, 6);
        EXPECT_TRUE(names_equal(panel.text(IDC_PROGRAM_NAME),
                                unit().last_program == 124 ? "Tomo" : "ATM 2"))
            << "stays on the last, although the mA and program controls wrap";
        panel.step(IDC_PROGRAM_SPIN, false);

        panel.step_times(IDC_KV_SPIN, true, 35);
        EXPECT_EQ(panel.text(IDC_KV), std::to_string(unit().kv_max));
        panel.step_times(IDC_KV_SPIN, false, 35);
        EXPECT_EQ(panel.text(IDC_KV), "60");
        panel.step(IDC_KV_SPIN, true);
        panel.step_times(IDC_MA_SPIN, true, 16);
        EXPECT_EQ(panel.text(IDC_MA), "15");
        panel.step_times(IDC_MA_SPIN, false, 16);
        EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().ma_min));
        panel.step(IDC_MA_SPIN, true);
        panel.click(IDOK);
    });
    ASSERT_TRUE(outcome.dialog_seen);
    ASSERT_EQ(outcome.result, 0);
    const int program = unit().last_program - 1;
    EXPECT_EQ(outcome.record.program, program);
    EXPECT_EQ(outcome.record.unit_specific, 77);
    EXPECT_FLOAT_EQ(+outcome.record.kv, 61.0f);
    EXPECT_FLOAT_EQ(+outcome.record.ma, unit().ma_min + 1.0f);
    EXPECT_EQ(+outcome.record.valid, 100u);
    EXPECT_EQ(stored("ProgNum"), std::to_string(program));
    EXPECT_EQ(stored("kV"), "61");
    EXPECT_EQ(stored("mA"), std::to_string(unit().ma_min + 1));

    // The next dialog opens on what was confirmed.
    acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_KV), "61");
        EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().ma_min + 1));
        panel.click(IDCANCEL);
    });
    double x = 0, y = 0;
    EXPECT_EQ(module_.resolution(&x, &y), 1);
    EXPECT_DOUBLE_EQ(x, 0.104 / (program == 123 ? 1.27 : 1.23));
}

TEST_P(XrayDialog, StoredValuesAreClampedAndCancelChangesNothing) {
    store("ProgNum", "7");
    store("kV", "95");
    store("mA", "1");
    for (bool close_box : {false, true}) {
        const auto outcome = acquire([&](const PanelOperator& panel) {
            EXPECT_TRUE(names_equal(panel.text(IDC_PROGRAM_NAME), "Pano Standard"));
            EXPECT_EQ(panel.text(IDC_KV), std::to_string(unit().kv_max));
            EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().ma_min));
            panel.step(IDC_PROGRAM_SPIN, true);
            close_box ? panel.close() : panel.click(IDCANCEL);
        });
        EXPECT_EQ(outcome.result, 4);
        EXPECT_TRUE(outcome.record_untouched());
        EXPECT_EQ(stored("ProgNum"), "7");
        EXPECT_EQ(stored("kV"), "95");
    }
    double x = 5;
    EXPECT_EQ(module_.resolution(&x, &x), 0) << "ProgNum 7 names no program";
    EXPECT_EQ(x, 5);
}

// Rotation "0": Trevian reverses every line, Brevian keeps them forward; both mirror.
TEST_P(XrayDialog, ScanDirectionFromRotation) {
    std::vector<std::uint16_t> raw(kSamplesPerLine), line(kSamplesPerLine);
    std::iota(raw.begin(), raw.end(), std::uint16_t{1});
    EXPECT_FALSE(module_.mirror());
    sandbox_.set_user_text("NORVANE\\PANO", "Rotation", "0");
    EXPECT_FALSE(module_.mirror()) << "until OpenCommPort reads it";
    EXPECT_EQ(module_.open(), 0);
    EXPECT_TRUE(module_.mirror());
    module_.rearrange(line.data(), kSamplesPerLine, raw.data());
    const bool reversed = unit().module == std::string("Trevian.dll");
    EXPECT_EQ(line[0], reversed ? raw[kSamplesPerLine - 1] : raw[0]);
    EXPECT_EQ(line[kTapPairs], reversed ? raw[kSamplesPerLine - 2] : raw[1]);
    sandbox_.clear();
    module_.open();
    EXPECT_FALSE(module_.mirror());
    module_.rearrange(line.data(), kSamplesPerLine, raw.data());
    EXPECT_EQ(line[1], raw[2]);
    std::vector<std::uint8_t> image(16 * 1244, 9);
    EXPECT_TRUE(module_.post_process(image.data(), 16, 1244));
    EXPECT_EQ(image, std::vector<std::uint8_t>(16 * 1244, 9));
}

INSTANTIATE_TEST_SUITE_P(Models, XrayDialog, ::testing::Values(kTrevian, kBrevian),
                         [](const auto& info) {
                             return std::string(info.param.module).substr(0, 7);
                         });

TEST(TrevianDialog, FourSectionsNamesOverridesAndFixedAnswers) {
    RegistrySandbox sandbox("NORVANE");
    const std::string programs = "NORVANE\\PANO\\TREVIAN\\PROG\\";
    sandbox.set_user_text(programs + "P123", "W1", "1400");  // a key without "Name"
    sandbox.set_user_text(programs + "P124", "W3", "400");
    sandbox.set_user_text(programs + "P124", "Name", std::string(40, 'x'));
    sandbox.set_user_text(programs + "P122", "I2", "720");
    testing::ModuleEntries trevian("Trevian.dll");
    const auto outcome = testing::operate_dialog(trevian.read, [](const PanelOperator& panel) {
        panel.step_times(IDC_PROGRAM_SPIN, true, 3);
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P123");
        panel.step(IDC_PROGRAM_SPIN, true);
        EXPECT_TRUE(names_equal(panel.text(IDC_PROGRAM_NAME), std::string(31, 'x').c_str()));
        panel.click(IDOK);
    });
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.record.program, 124);
    EXPECT_EQ(+outcome.record.section_count, 4);
    const int starts[] = {0, 550, 1100, 1550}, widths[] = {500, 500, 400, 500};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(+outcome.record.sections[k].start, starts[k]) << k;
        EXPECT_EQ(+outcome.record.sections[k].width, widths[k]) << k;
    }
    // The table's own gaps: ProgramTables.BothXrayModels.
    int gaps[kMaxSections] = {};
    EXPECT_EQ(trevian.timing(122, gaps), 2000);
    EXPECT_EQ(gaps[1], 720);
    EXPECT_EQ(trevian.timing(7, gaps), 200);
    EXPECT_EQ(trevian.combine(121, 121), 125);
    EXPECT_EQ(trevian.combine(121, 122), 0);
    EXPECT_STREQ(trevian.version()->date, "25 May 2002");

    testing::ModuleEntries brevian("Brevian.dll");
    EXPECT_EQ(brevian.combine(121, 121), 0);
    EXPECT_STREQ(brevian.version()->name, "DLL Brevian");
}

}  // namespace
}  // namespace np
