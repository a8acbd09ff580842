// Kv80 and Kv40 as the driver calls them, the dialog worked through its controls by
// an operator thread while ReadCommData waits.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adaptations/dialog/resources/dialog_ids.h"
#include "adaptations/dialog/testing/dialog_session.h"
#include "tools/wintest/window_picture.h"

namespace np {
namespace {

using testing::PanelOperator;

struct KvCase {
    const char* module;
    const char* key;
    const char* model_name;
    std::string first_kv, first_ma, first_ma_index;
    std::vector<std::string> cycle;
    std::string kv_max, ma_max, ma_max_index;
};

// The names PROG shows from program 20 on.
const std::vector<std::string> kKv80Cycle = {"P21", "P22", "P23", "P24", "P25", "P26", "P27",
                                             "P33", "P28", "P29", "P30", "P20", "P21"};
const std::vector<std::string> kKv40Cycle = {"P23", "P26", "P27", "P33", "P28", "P20", "P23"};
const KvCase kKv80{
    "Kv80.dll", "NORVANE\\PANO\\KV80", "Kvanta 80", "71", "12", "5", kKv80Cycle, "100", "15", "6"};
const KvCase kKv40{
    "Kv40.dll", "NORVANE\\PANO\\KV40", "Kvanta 40", "63", "4", "1", kKv40Cycle, "90", "12", "5"};

void PrintTo(const KvCase& unit, std::ostream* out) {
    *out << unit.model_name;
}

using KvDialog = testing::DialogModuleTest<KvCase>;

// Pixels of the highlight colour (blue text) in a control of the dialog.
int blue_in(const PanelOperator& panel, int control) {
    const testing::Picture picture = testing::capture_window(panel.dialog());
    return picture.count(
        testing::area_in_window(panel.dialog(), GetDlgItem(panel.dialog(), control)),
        RGB(0, 0, 255));
}

TEST_P(KvDialog, FirstUseOffersProgramTwentyWithItsDefaults) {
    const auto outcome = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_MODEL_NAME), unit().model_name);
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P20");
        EXPECT_EQ(panel.text(IDC_KV), unit().first_kv);
        EXPECT_EQ(panel.text(IDC_MA), unit().first_ma);
        EXPECT_EQ(panel.text(IDC_EXPOSURE_TIME), "12.0");
        EXPECT_TRUE(panel.visible(IDC_KV_MARK_VERTICAL) && panel.visible(IDC_KV_MARK_HORIZONTAL));
        EXPECT_FALSE(panel.visible(IDC_MA_MARK_VERTICAL) || panel.visible(IDC_MA_MARK_HORIZONTAL));
        for (int dead : {IDC_AEC, IDC_LUM, IDC_RESET})
            EXPECT_FALSE(panel.enabled(dead)) << dead;
        // Blue text: the program name and the selected value only.
        EXPECT_GT(blue_in(panel, IDC_PROGRAM_NAME), 0);
        EXPECT_GT(blue_in(panel, IDC_KV), 0);
        EXPECT_EQ(blue_in(panel, IDC_MA) + blue_in(panel, IDC_EXPOSURE_TIME), 0);
        panel.click(IDC_SELECT);
        EXPECT_EQ(blue_in(panel, IDC_KV), 0);
        EXPECT_GT(blue_in(panel, IDC_MA), 0);
        panel.click(IDOK);
    });
    ASSERT_TRUE(outcome.dialog_seen);
    ASSERT_EQ(outcome.result, 0);
    // The record's other fields for each program: ProgramTables.
    EXPECT_EQ(outcome.record.program, 20);
    EXPECT_FLOAT_EQ(+outcome.record.kv, std::stof(unit().first_kv));
    EXPECT_EQ(+outcome.record.sections[1].width, 0) << "the rest of the record is cleared";
    EXPECT_EQ(stored("ProgNum") + stored("kV") + stored("mA"),
              "0" + unit().first_kv + unit().first_ma_index);
}

TEST_P(KvDialog, ProgCyclesThroughTheOfferedProgramsWithTheirDefaults) {
    acquire([&](const PanelOperator& panel) {
        for (const std::string& name : unit().cycle) {
            panel.click(IDC_PLUS);  // a change the next program's defaults undo
            panel.click(IDC_PROG);
            EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), name);
        }
        EXPECT_EQ(panel.text(IDC_KV), unit().cycle.size() == 13 ? "75" : "63");
        EXPECT_EQ(panel.text(IDC_MA), unit().first_ma);
    });
}

TEST_P(KvDialog, MinusAndPlusStopAtTheLimitsOfKvAndMa) {
    const auto outcome = acquire([&](const PanelOperator& panel) {
        const auto press = [&](int key, int times) {
            for (int i = 0; i < times; ++i)
                panel.click(key);
        };
        press(IDC_PLUS, 45);
        EXPECT_EQ(panel.text(IDC_KV), unit().kv_max);
        press(IDC_MINUS, 45);
        EXPECT_EQ(panel.text(IDC_KV), "60");
        panel.click(IDC_PLUS);
        panel.click(IDC_SELECT);
        EXPECT_TRUE(panel.visible(IDC_MA_MARK_VERTICAL) && panel.visible(IDC_MA_MARK_HORIZONTAL));
        EXPECT_FALSE(panel.visible(IDC_KV_MARK_VERTICAL) || panel.visible(IDC_KV_MARK_HORIZONTAL));
        press(IDC_MINUS, 8);
        EXPECT_EQ(panel.text(IDC_MA), "2");
        press(IDC_PLUS, 8);
        EXPECT_EQ(panel.text(IDC_MA), unit().ma_max);
        EXPECT_EQ(panel.text(IDC_KV), "61") << "mA selected: kV stays";
        panel.click(IDOK);
    });
    ASSERT_EQ(outcome.result, 0);
    EXPECT_FLOAT_EQ(+outcome.record.kv, 61.0f);
    EXPECT_FLOAT_EQ(+outcome.record.ma, std::stof(unit().ma_max));
    EXPECT_EQ(stored("kV"), "61");
    EXPECT_EQ(stored("mA"), unit().ma_max_index) << "the index is stored";
}

TEST_P(KvDialog, CancelAndTheCloseBoxLeaveRecordAndRegistryAlone) {
    store("ProgNum", "3");
    store("kV", "66");
    for (bool close_box : {false, true}) {
        const auto outcome = acquire([&](const PanelOperator& panel) {
            EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P23");
            EXPECT_EQ(panel.text(IDC_KV), "66");
            panel.click(IDC_PROG);
            close_box ? panel.close() : panel.click(IDCANCEL);
        });
        EXPECT_EQ(outcome.result, 4);
        EXPECT_TRUE(outcome.record_untouched());
        EXPECT_EQ(stored("ProgNum") + stored("kV") + stored("mA"), "366-");
    }
}

TEST_P(KvDialog, TmjProgramsAlternateAndTheChoiceComesBack) {
    store("ProgNum", "7");
    store("kV", "80");
    const auto first = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P27");
        EXPECT_EQ(panel.text(IDC_KV), "80");
        panel.click(IDC_PLUS);
        panel.click(IDOK);
    });
    EXPECT_EQ(first.record.program, 27);
    EXPECT_EQ(+first.record.section_count, 2);
    EXPECT_EQ(+first.record.sections[1].start, 630);
    EXPECT_EQ(stored("ProgNum"), "13");

    const auto second = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P33");
        EXPECT_EQ(panel.text(IDC_KV), "81");
        panel.click(IDOK);
    });
    EXPECT_EQ(second.record.program, 33);
    EXPECT_EQ(stored("ProgNum"), "7");
    double x = 0, y = 0;
    EXPECT_EQ(module_.resolution(&x, &y), 1);
    EXPECT_DOUBLE_EQ(y, 0.104 / 1.2);
}

TEST_P(KvDialog, WhatTheRegistryHoldsBeyondWhatTheDialogOffers) {
    store("ProgNum", "12");  // program 32, never offered
    store("kV", "120");
    store("mA", "9");  // beyond the mA table
    const std::string p33 = std::string(unit().key) + "\\PROG\\P33";
    sandbox_.set_user_text(p33, "Name", "Condyles b");
    sandbox_.set_user_text(p33, "W2", "600");
    sandbox_.set_user_text(p33, "I2", "650");
    sandbox_.set_machine_text(std::string(unit().key) + "\\PROG\\P20", "W1", "2000");
    const auto standard = acquire([&](const PanelOperator& panel) {
        EXPECT_EQ(panel.text(IDC_PROGRAM_NAME), "P20");
        EXPECT_EQ(panel.text(IDC_KV), "120") << "shown as stored until changed";
        EXPECT_EQ(panel.text(IDC_MA), unit().ma_max);
        panel.click(IDC_PLUS);
        EXPECT_EQ(panel.text(IDC_KV), unit().kv_max);
        panel.click(IDOK);
    });
    EXPECT_EQ(+standard.record.sections[0].width, 2000);

    store("ProgNum", "13");
    const auto tmj = acquire([&](const PanelOperator& panel) {
        EXPECT_STREQ(CharUpperA(panel.text(IDC_PROGRAM_NAME).data()), "CONDYLES B");
        panel.click(IDOK);
    });
    EXPECT_EQ(+tmj.record.sections[0].width, 560);
    EXPECT_EQ(+tmj.record.sections[1].width, 600);
    int gaps[kMaxSections] = {};
    EXPECT_EQ(module_.timing(33, gaps), 2000);
    EXPECT_EQ(gaps[0] * 1000 + gaps[1], 10650);
}

INSTANTIATE_TEST_SUITE_P(Models, KvDialog, ::testing::Values(kKv80, kKv40), [](const auto& info) {
    return std::string(info.param.model_name).substr(7);
});

TEST(KvModules, FixedAnswers) {
    testing::ModuleEntries kv80("Kv80.dll"), kv40("Kv40.dll");
    EXPECT_EQ(kv80.open(), 0);
    EXPECT_EQ(kv80.combine(27, 33), 34);
    EXPECT_EQ(kv80.combine(27, 27), 34);
    EXPECT_EQ(kv80.combine(33, 27), 0);
    EXPECT_EQ(kv80.mirror, nullptr);
    EXPECT_EQ(kv80.post_process, nullptr);
    EXPECT_STREQ(kv80.version()->name, "DLL Kv80");
    EXPECT_STREQ(kv80.version()->date, "15 March 2002");
    EXPECT_FALSE(kv40.mirror());
    std::vector<std::uint8_t> image(16 * 1244, 7);
    EXPECT_TRUE(kv40.post_process(image.data(), 16, 1244));
    EXPECT_EQ(image, std::vector<std::uint8_t>(16 * 1244, 7));
    EXPECT_STREQ(kv40.version()->name, "DLL Kv40");
}

}  // namespace
}  // namespace np
