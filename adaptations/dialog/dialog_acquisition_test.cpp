// Whole acquisitions through PanoHost and Scanlink_sim with a program dialog module as
// Panodlg.dll: the program an operator thread picks in the dialog must decide the
// sections of the image PanoHost saves, each showing its part of the phantom in place.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/testing/acquisition_bench.h"
#include "adaptations/dialog/testing/panel_operator.h"
#include "common/acquisition_record.h"
#include "tools/wintest/pano_host_run.h"
#include "tools/wintest/test_files.h"

namespace np {
namespace {

constexpr const char* kCard = "NORVANE\\SIMULATOR\\CARD";
constexpr const char* kOut = "dialog-acquisition";

struct Exposure {
    const char* module;
    const char* model;
    int program;
    std::vector<int> widths, gaps;  // as the program lays them out on the sensor
    int image_width;                // the sections side by side, 50 columns apart
};

std::string number_list(const std::vector<int>& values) {
    std::string text;
    for (int v : values)
        text.append(text.empty() ? "" : ",").append(std::to_string(v));
    return text;
}

class DialogAcquisition : public ::testing::TestWithParam<Exposure> {};

TEST_P(DialogAcquisition, TheChosenProgramShapesTheImage) {
    const Exposure& exposure = GetParam();
    testing::AcquisitionBench bench(exposure.module);
    bench.registry().set_user_dword(kCard, "Rotation", 1);
    bench.registry().set_user_text(kCard, "Widths", number_list(exposure.widths));
    bench.registry().set_user_text(kCard, "Gaps", number_list(exposure.gaps));
    ::CreateDirectoryA(kOut, nullptr);
    ::DeleteFileA((std::string(kOut) + "\\image-1.bmp").c_str());

    bool chosen = false;
    std::thread operator_thread([&] {
        const HWND dialog = testing::wait_for_program_dialog(0, std::chrono::seconds(60));
        if (dialog)
            chosen =
                testing::PanelOperator(dialog).choose_and_confirm(exposure.model, exposure.program);
    });
    const int host_result = testing::run_pano_host(kOut);
    operator_thread.join();
    ASSERT_TRUE(chosen);
    ASSERT_EQ(host_result, 0);

    // The host's copy of the record lists the sections from the image's left edge; a
    // forward scan puts the first section acquired at the right.
    const std::vector<int> image_widths(exposure.widths.rbegin(), exposure.widths.rend());
    const std::string record_bytes = testing::file_bytes("dialog-acquisition\\record-1.bin");
    ASSERT_EQ(record_bytes.size(), sizeof(AcquisitionRecord));
    AcquisitionRecord record;
    std::memcpy(&record, record_bytes.data(), sizeof record);
    EXPECT_EQ(record.program, exposure.program);
    ASSERT_EQ(+record.section_count, static_cast<int>(image_widths.size()));
    for (std::size_t k = 0; k < image_widths.size(); ++k)
        EXPECT_EQ(+record.sections[k].width, image_widths[k]) << k;

    const std::string bitmap = testing::file_bytes("dialog-acquisition\\image-1.bmp");
    ASSERT_GT(bitmap.size(), 14u);
    const std::vector<std::uint8_t> block(bitmap.begin() + 14, bitmap.end());  // no file header
    const testing::DeliveredImage image(block);
    ASSERT_EQ(image.width, exposure.image_width);
    ASSERT_EQ(image.height, 1244);
    testing::expect_sections_in_place(image, image_widths, phantom::make_sensor_model(1024));
}

INSTANTIATE_TEST_SUITE_P(
    Programs, DialogAcquisition,
    ::testing::Values(
        Exposure{"Kv80.dll", "kv80", 29, {480, 570, 580}, {10, 100, 90}, 1730},
        Exposure{"Trevian.dll", "trevian", 124, {500, 500, 500, 500}, {10, 10, 10, 10}, 2150}),
    [](const auto& info) {
        return std::string(info.param.model) + std::to_string(info.param.program);
    });

}  // namespace
}  // namespace np
