// The program tables of the four dialog models, row by row as the units' documents
// give them: what the dialog preselects, what READY reports, GetTiming, bResolution.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adaptations/dialog/kv_panel.h"
#include "adaptations/dialog/xray_panel.h"

namespace np::dialog {
namespace {

struct Row {
    int program;
    const char* time_text;  // null: not offered
    int ma;
    int kv;
    std::vector<int> widths, gaps;
    int timeout;
    double magnification;
};

// Starts of the sections as the record must carry them, widths as given.
void expect_layout(const AcquisitionRecord& record, const Row& row) {
    ASSERT_EQ(+record.section_count, static_cast<int>(row.widths.size()));
    int start = 0;
    for (std::size_t k = 0; k < row.widths.size(); ++k) {
        EXPECT_EQ(+record.sections[k].start, start) << k;
        EXPECT_EQ(+record.sections[k].width, row.widths[k]) << k;
        start += row.widths[k] + 50;
    }
}

void expect_timing(const ProgramLayout* layout, const Row& row) {
    int gaps[kMaxSections];
    std::fill(std::begin(gaps), std::end(gaps), -1);
    EXPECT_EQ(fill_timing(layout, gaps, {}), row.timeout);
    for (std::size_t k = 0; k < kMaxSections; ++k)
        EXPECT_EQ(gaps[k], k < row.gaps.size() ? row.gaps[k] : -1) << k;
}

void check_kv_model(const KvModel& model, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.program);
        const int index = row.program - 20;
        const KvPanel panel(model, {true, std::to_string(index), std::nullopt, std::nullopt});
        EXPECT_DOUBLE_EQ(*kv_pixel_size(model, std::to_string(index)), 0.104 / row.magnification);
        if (!row.time_text) {
            EXPECT_EQ(panel.program(), 20) << "a program not offered is never preselected";
            expect_timing(kv_layout(model, row.program), {0, "", 0, 0, {10}, {10}, 200, 0});
            continue;
        }
        ASSERT_EQ(panel.program(), row.program);
        EXPECT_STREQ(panel.time_text(), row.time_text);
        EXPECT_EQ(panel.kv(), row.kv);
        EXPECT_EQ(panel.ma(), row.ma);
        const AcquisitionRecord record = panel.record({});
        EXPECT_EQ(record.program, row.program);
        EXPECT_EQ(record.unit_specific, 77);
        EXPECT_FLOAT_EQ(+record.kv, row.kv);
        EXPECT_FLOAT_EQ(+record.ma, row.ma);
        EXPECT_FLOAT_EQ(+record.exposure_time, std::stof(row.time_text));
        EXPECT_EQ(+record.valid, 100u);
        expect_layout(record, row);
        expect_timing(kv_layout(model, row.program), row);
    }
    EXPECT_EQ(KvPanel(model, {true, "-1", std::nullopt, std::nullopt}).program(), 20);
    EXPECT_FALSE(kv_pixel_size(model, "14"));
    EXPECT_FALSE(kv_pixel_size(model, "-1"));
    EXPECT_FALSE(kv_pixel_size(model, std::nullopt));
}

TEST(ProgramTables, BothKvModels) {
    check_kv_model(kv80_model(), {{20, "12.0", 12, 71, {2420}, {10}, 200, 1.23},
                                  {21, "12.0", 12, 75, {2340}, {10}, 200, 1.23},
                                  {22, "12.0", 12, 79, {2390}, {10}, 200, 1.23},
                                  {23, "12.0", 12, 61, {2180}, {10}, 200, 1.23},
                                  {24, "12.0", 12, 64, {2090}, {10}, 200, 1.23},
                                  {25, "12.0", 12, 68, {2390}, {10}, 200, 1.23},
                                  {26, "9.8", 12, 70, {1180}, {10}, 200, 1.27},
                                  {27, "10.0", 12, 74, {580, 540}, {20, 35}, 1200, 1.2},
                                  {28, "12.0", 12, 74, {800, 800}, {10, 80}, 1200, 1.89},
                                  {29, "19.0", 4, 60, {480, 570, 580}, {10, 100, 90}, 1200, 1.45},
                                  {30, "19.0", 4, 60, {490, 560, 570}, {10, 125, 125}, 1200, 1.45},
                                  {31, nullptr, 0, 0, {}, {}, 0, 1.1},
                                  {32, nullptr, 0, 0, {}, {}, 0, 1.1},
                                  {33, "10.0", 12, 74, {560, 530}, {10, 700}, 2000, 1.2}});
    check_kv_model(kv40_model(), {{20, "12.0", 4, 63, {2420}, {10}, 200, 1.23},
                                  {21, nullptr, 0, 0, {}, {}, 0, 1.23},
                                  {22, nullptr, 0, 0, {}, {}, 0, 1.23},
                                  {23, "12.0", 4, 63, {2180}, {10}, 200, 1.23},
                                  {24, nullptr, 0, 0, {}, {}, 0, 1.23},
                                  {25, nullptr, 0, 0, {}, {}, 0, 1.23},
                                  {26, "9.8", 12, 70, {1180}, {10}, 200, 1.27},
                                  {27, "12.0", 4, 63, {580, 540}, {20, 35}, 1200, 1.2},
                                  {28, "8.0", 4, 63, {800, 800}, {10, 80}, 1200, 1.89},
                                  {29, nullptr, 0, 0, {}, {}, 0, 1.45},
                                  {30, nullptr, 0, 0, {}, {}, 0, 1.45},
                                  {31, nullptr, 0, 0, {}, {}, 0, 1.1},
                                  {32, nullptr, 0, 0, {}, {}, 0, 1.1},
                                  {33, "12.0", 4, 63, {560, 530}, {10, 700}, 2000, 1.2}});
}

void check_xray_model(const XrayModel& model, const std::vector<Row>& rows,
                      const std::vector<std::string>& names) {
    ASSERT_EQ(model.programs.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.program);
        const XrayPanel panel(model,
                              {true, std::to_string(row.program), std::nullopt, std::nullopt});
        ASSERT_EQ(panel.program(), row.program);
        EXPECT_EQ(panel.entry().name, names[i]);
        EXPECT_STREQ(panel.entry().time_text, row.time_text);
        const AcquisitionRecord record = panel.record({});
        EXPECT_EQ(record.program, row.program);
        EXPECT_FLOAT_EQ(+record.exposure_time, std::stof(row.time_text));
        expect_layout(record, row);
        expect_timing(&panel.entry().layout, row);
        EXPECT_DOUBLE_EQ(*xray_pixel_size(model, std::to_string(row.program)),
                         0.104 / row.magnification);
    }
    EXPECT_FALSE(xray_pixel_size(model, "7"));
    const ProgramLayout* none = nullptr;
    expect_timing(none, {0, "", 0, 0, {10}, {10}, 200, 0});
}

TEST(ProgramTables, BothXrayModels) {
    check_xray_model(trevian_model(),
                     {{120, "12.0", 0, 0, {2400}, {10}, 200, 1.23},
                      {121, "12.0", 0, 0, {500, 500}, {20, 35}, 1200, 1.2},
                      {122, "12.0", 0, 0, {500, 500}, {10, 700}, 2000, 1.8},
                      {123, "12.0", 0, 0, {1500}, {10}, 200, 1.27},
                      {124, "12.0", 0, 0, {500, 500, 500, 500}, {10, 10, 10, 10}, 2000, 1.45}},
                     {"Pano Standard", "ATM LA", "ATM PA", "Sinus", "Tomo"});
    check_xray_model(brevian_model(),
                     {{130, "15.0", 0, 0, {2400}, {10}, 200, 1.23},
                      {131, "10.0", 0, 0, {580, 540}, {20, 35}, 1200, 1.23},
                      {132, "10.0", 0, 0, {560, 530}, {10, 700}, 2000, 1.23}},
                     {"Pano Standard", "ATM 1", "ATM 2"});
}

}  // namespace
}  // namespace np::dialog
