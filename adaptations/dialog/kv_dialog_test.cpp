// Kv80 and Kv40 as the driver calls them, the dialog worked through its controls by
// an operator thread while ReadCommData waits.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adaptations/dialog/resources/dialog_ids.h"
#include "adaptations/dialog/testing/dialog_session.h"
#include "adaptations/dialog/testing/module_entries.h"
#include "adaptations/dialog/testing/window_picture.h"
#include "common/settings_key.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

using testing::PanelOperator;

struct KvCase {
    const char* module;
    const char* key;
    const char* model_name;
    int first_kv, first_ma;
    std::vector<std::string> cycle;  // names PROG shows from program 20 on
    int kv_max, ma_max;
};

const KvCase kKv80{"Kv80.dll", "NORVANE\\PANO\\KV80", "Kvanta 80", 71, 12,
                   {"P21", "P22", "P23", "P24", "P25", "P26", "P27", "P33", "P28", "P29", "P30", "P20"},
                   100, 15};
const KvCase kKv40{"Kv40.dll", "NORVANE\\PANO\\KV40", "Kvanta 40", 63, 4,
                   {"P23", "P26", "P27", "P33", "P28", "P20"}, 90, 12};

std::string stored(const char* key, const char* name) {
    return SettingsKey(key).text(name, 32, "(none)");
}

class KvDialog : public ::testing::TestWithParam<KvCase> {
  protected:
    testing::DialogOutcome acquire(const std::function<void(const PanelOperator&)>& operate) {
        return testing::operate_dialog(module_.read, operate);
    }
    const KvCase& unit() const { return GetParam(); }

    RegistrySandbox sandbox_{"NORVANE"};
    testing::ModuleEntries module_{GetParam().module};
};

TEST_P(KvDialog, FirstUseOffersProgramTwentyWithItsDefaults) {
    const auto outcome = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_MODEL_NAME), unit().model_name);
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P20");
        EXPECT_EQ(panel.text(IDC_KV), std::to_string(unit().first_kv));
        EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().first_ma));
        EXPECT_EQ(panel.text(IDC_EXPOSURE_TIME), "12.0");
        EXPECT_TRUE(panel.visible(IDC_KV_MARK_VERTICAL) && panel.visible(IDC_KV_MARK_HORIZONTAL));
        EXPECT_FALSE(panel.visible(IDC_MA_MARK_VERTICAL) || panel.visible(IDC_MA_MARK_HORIZONTAL));
        for (int dead : {IDC_AEC, IDC_LUM, IDC_RESET})
            EXPECT_FALSE(panel.enabled(dead)) << dead;

        // Blue on the panel's grey: the program name and the selected value only.
        const testing::Picture picture = testing::capture_window(panel.dialog());
        CreateDirectoryA("screenshots", nullptr);
        EXPECT_TRUE(testing::write_png(std::string("screenshots\\") + unit().module + ".png", picture));
        const auto blue_in = [&](int control) {
            return picture.count(testing::area_in_window(panel.dialog(), GetDlgItem(panel.dialog(), control)),
                                 RGB(0, 0, 255));
        };
        EXPECT_GT(blue_in(IDC_PROGRAM_NAME), 0);
        EXPECT_GT(blue_in(IDC_KV), 0);
        EXPECT_EQ(blue_in(IDC_MA), 0);
        EXPECT_EQ(blue_in(IDC_EXPOSURE_TIME), 0);
        panel.click(IDC_SELECT);
        const testing::Picture selected = testing::capture_window(panel.dialog());
        EXPECT_EQ(selected.count(testing::area_in_window(panel.dialog(), GetDlgItem(panel.dialog(), IDC_KV)),
                                 RGB(0, 0, 255)), 0);
        EXPECT_GT(selected.count(testing::area_in_window(panel.dialog(), GetDlgItem(panel.dialog(), IDC_MA)),
                                 RGB(0, 0, 255)), 0);
        panel.click(IDOK);
    });
    ASSERT_TRUE(outcome.dialog_seen);
    ASSERT_EQ(outcome.result, 0);
    const AcquisitionRecord& record = outcome.record;
    EXPECT_EQ(record.program, 20);
    EXPECT_EQ(record.unit_specific, 77);
    EXPECT_FLOAT_EQ(+record.kv, unit().first_kv);
    EXPECT_FLOAT_EQ(+record.ma, unit().first_ma);
    EXPECT_FLOAT_EQ(+record.exposure_time, 12.0f);
    EXPECT_EQ(+record.valid, 100u);
    EXPECT_EQ(+record.section_count, 1);
    EXPECT_EQ(+record.sections[0].width, 2420);
    EXPECT_EQ(+record.sections[1].width, 0) << "the rest of the record is cleared";
    EXPECT_EQ(stored(unit().key, "ProgNum"), "0");
}

TEST_P(KvDialog, ProgCyclesThroughTheOfferedProgramsWithTheirDefaults) {
    acquire([&](const PanelOperator& panel) {
        for (const std::string& name : unit().cycle) {
            panel.click(IDC_SELECT);  // a change the next program's defaults undo
            panel.click(IDC_PLUS);
            panel.click(IDC_PROG);
            EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), name);
        }
        panel.click(IDC_PROG);  // to the second program, 21 (Kv80) or 23 (Kv40)
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), unit().cycle[0]);
        EXPECT_EQ(panel.text(IDC_KV), unit().module == std::string("Kv80.dll") ? "75" : "63");
        EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().first_ma));
    });
}

TEST_P(KvDialog, MinusAndPlusStopAtTheLimitsOfKvAndMa) {
    const auto outcome = acquire([&](const PanelOperator& panel) {
        for (int i = 0; i < 45; ++i)
            panel.click(IDC_PLUS);
        EXPECT_EQ(panel.text(IDC_KV), std::to_string(unit().kv_max));
        for (int i = 0; i < 45; ++i)
            panel.click(IDC_MINUS);
        EXPECT_EQ(panel.text(IDC_KV), "60");
        panel.click(IDC_PLUS);
        panel.click(IDC_SELECT);
        EXPECT_TRUE(panel.visible(IDC_MA_MARK_VERTICAL) && panel.visible(IDC_MA_MARK_HORIZONTAL));
        EXPECT_FALSE(panel.visible(IDC_KV_MARK_VERTICAL) || panel.visible(IDC_KV_MARK_HORIZONTAL));
        for (int i = 0; i < 8; ++i)
            panel.click(IDC_MINUS);
        EXPECT_EQ(panel.text(IDC_MA), "2");
        for (int i = 0; i < 8; ++i)
            panel.click(IDC_PLUS);
        EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().ma_max));
        EXPECT_EQ(panel.text(IDC_KV), "61") << "mA selected: kV stays";
        panel.click(IDOK);
    });
    ASSERT_EQ(outcome.result, 0);
    EXPECT_FLOAT_EQ(+outcome.record.kv, 61.0f);
    EXPECT_FLOAT_EQ(+outcome.record.ma, unit().ma_max);
    EXPECT_EQ(stored(unit().key, "kV"), "61");
    EXPECT_EQ(stored(unit().key, "mA"), unit().ma_max == 15 ? "6" : "5") << "the index is stored";
}

TEST_P(KvDialog, CancelAndTheCloseBoxLeaveRecordAndRegistryAlone) {
    sandbox_.set_user_text(unit().key, "ProgNum", "3");
    sandbox_.set_user_text(unit().key, "kV", "66");
    for (bool close_box : {false, true}) {
        const auto outcome = acquire([&](const PanelOperator& panel) {
            EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P23");
            EXPECT_EQ(panel.text(IDC_KV), "66");
            panel.click(IDC_PROG);
            panel.click(IDC_PLUS);
            close_box ? panel.close() : panel.click(IDCANCEL);
        });
        EXPECT_EQ(outcome.result, 4);
        const std::vector<std::uint8_t> untouched(sizeof(AcquisitionRecord), 0xAB);
        EXPECT_EQ(std::memcmp(&outcome.record, untouched.data(), untouched.size()), 0);
        EXPECT_EQ(stored(unit().key, "ProgNum"), "3");
        EXPECT_EQ(stored(unit().key, "kV"), "66");
        EXPECT_EQ(stored(unit().key, "mA"), "(none)");
    }
}

TEST_P(KvDialog, TmjProgramsAlternateAndTheChoiceComesBack) {
    sandbox_.set_user_text(unit().key, "ProgNum", "7");
    sandbox_.set_user_text(unit().key, "kV", "80");
    const auto first = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P27");
        EXPECT_EQ(panel.text(IDC_KV), "80");
        panel.click(IDC_PLUS);
        panel.click(IDOK);
    });
    ASSERT_EQ(first.result, 0);
    EXPECT_EQ(first.record.program, 27);
    EXPECT_EQ(+first.record.section_count, 2);
    EXPECT_EQ(+first.record.sections[0].width, 580);
    EXPECT_EQ(+first.record.sections[1].width, 540);
    EXPECT_EQ(+first.record.sections[1].start, 630);
    EXPECT_EQ(stored(unit().key, "ProgNum"), "13");

    const auto second = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P33");
        EXPECT_EQ(panel.text(IDC_KV), "81");
        panel.click(IDOK);
    });
    EXPECT_EQ(second.record.program, 33);
    EXPECT_EQ(stored(unit().key, "ProgNum"), "7");

    double x = 0, y = 0;
    EXPECT_EQ(module_.resolution(&x, &y), 1);
    EXPECT_DOUBLE_EQ(x, 0.104 / 1.2);
    EXPECT_DOUBLE_EQ(y, x);
}

TEST_P(KvDialog, StoredValuesTheDialogCannotOffer) {
    sandbox_.set_user_text(unit().key, "ProgNum", "12");  // program 32, never offered
    sandbox_.set_user_text(unit().key, "kV", "120");
    sandbox_.set_user_text(unit().key, "mA", "9");  // beyond the mA table
    const auto outcome = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P20");
        EXPECT_EQ(panel.text(IDC_KV), "120") << "shown as stored until changed";
        EXPECT_EQ(panel.text(IDC_MA), std::to_string(unit().ma_max));
        panel.click(IDC_PLUS);
        EXPECT_EQ(panel.text(IDC_KV), std::to_string(unit().kv_max));
        panel.click(IDOK);
    });
    EXPECT_EQ(outcome.result, 0);
    EXPECT_FLOAT_EQ(+outcome.record.ma, unit().ma_max);
}

TEST_P(KvDialog, ProgramKeysNameProgramsAndOverrideWidthsAndGaps) {
    const std::string p33 = std::string(unit().key) + "\\PROG\\P33";
    sandbox_.set_user_text(p33, "Name", "Condyles b");
    sandbox_.set_user_text(p33, "W2", "600");
    sandbox_.set_user_text(p33, "I2", "650");
    sandbox_.set_machine_text(std::string(unit().key) + "\\PROG\\P20", "W1", "2000");
    sandbox_.set_user_text(unit().key, "ProgNum", "13");
    const auto outcome = acquire([&](const PanelOperator& panel) {
        EXPECT_STREQ(CharUpperA(panel.text(IDC_PROGRAM_NAME).data()), "CONDYLES B");
        panel.click(IDOK);
    });
    EXPECT_EQ(+outcome.record.sections[0].width, 560);
    EXPECT_EQ(+outcome.record.sections[1].width, 600);
    int gaps[kMaxSections] = {};
    EXPECT_EQ(module_.timing(33, gaps), 2000);
    EXPECT_EQ(gaps[0], 10);
    EXPECT_EQ(gaps[1], 650);

    sandbox_.set_user_text(unit().key, "ProgNum", "0");
    const auto standard = acquire([](const PanelOperator& panel) { panel.click(IDOK); });
    EXPECT_EQ(+standard.record.sections[0].width, 2000);
}

INSTANTIATE_TEST_SUITE_P(Models, KvDialog, ::testing::Values(kKv80, kKv40),
                         [](const auto& info) { return std::string(info.param.model_name).substr(7); });

TEST(Kv80Dialog, ThreeSectionProgramAndFixedAnswers) {
    RegistrySandbox sandbox("NORVANE");
    testing::ModuleEntries kv80("Kv80.dll");
    sandbox.set_user_text("NORVANE\\PANO\\KV80", "ProgNum", "9");
    const auto outcome = testing::operate_dialog(kv80.read, [](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_EXPOSURE_TIME), "19.0");
        panel.click(IDOK);
    });
    EXPECT_EQ(outcome.record.program, 29);
    EXPECT_EQ(+outcome.record.section_count, 3);
    EXPECT_EQ(+outcome.record.sections[1].start, 530);
    EXPECT_EQ(+outcome.record.sections[2].start, 1150);
    EXPECT_EQ(kv80.open(), 0);
    EXPECT_EQ(kv80.combine(27, 33), 34);
    EXPECT_EQ(kv80.mirror, nullptr);
    EXPECT_EQ(kv80.post_process, nullptr);
    VersionRecord* version = kv80.version();
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version->name, "DLL Kv80");
    EXPECT_STREQ(version->date, "15 March 2002");

    testing::ModuleEntries kv40("Kv40.dll");
    EXPECT_FALSE(kv40.mirror());
    std::vector<std::uint8_t> image(16 * 1244, 7);
    EXPECT_TRUE(kv40.post_process(image.data(), 16, 1244));
    EXPECT_EQ(image, std::vector<std::uint8_t>(16 * 1244, 7));
    EXPECT_STREQ(kv40.version()->name, "DLL Kv40");
}

}  // namespace
}  // namespace np
