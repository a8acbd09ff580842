// A whole acquisition with Kv80SR as Panodlg.dll: the unit simulator reports an
// exposure on COM1 (commands go to it on COM2, see tools/wine-kvunit), Scanlink_sim's
// simulated card plays the phantom in the line layout of that program, and the image
// must come out with the program's sections, each in its place.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "acquisition/testing/acquisition_bench.h"
#include "common/acquisition_record.h"
#include "sim/phantom/phantom_scan.h"
#include "adaptations/serial/unit_simulator_client.h"
#include "tools/wintest/unit_command_line.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

using testing::EscapeLater;
using testing::UnitCommandLine;

constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kCard = "NORVANE\\SIMULATOR\\CARD";
// A scan that never reaches its end is cancelled with Escape after this long, so that
// the test fails instead of hanging (the driver's first wait has no time limit).
constexpr auto kRescueAfter = std::chrono::seconds(60);

// Program 29 as the unit reports it ('O' 110) and as the sensor delivers it: sections of
// unequal widths after unequal gaps (line pairs), so that a section or gap taken from
// the wrong position, or timings asked for the wrong program, show in the image.
constexpr int kProgramCode = 110;
const std::vector<int> kWidths = {450, 550, 550};
constexpr const char* kWidthList = "450,550,550";
constexpr const char* kGapList = "10,100,100";

TEST(Kv80Acquisition, ImageHasTheSectionsOfTheReportedProgram) {
    testing::AcquisitionBench bench("Kv80SR.dll");
    bench.registry().set_user_text(kPano, "COM", "1");
    // Kv80SR rearranges forward and never mirrors: the unit scans forward.
    bench.registry().set_user_dword(kCard, "Rotation", 1);
    bench.registry().set_user_text(kCard, "Widths", kWidthList);
    bench.registry().set_user_text(kCard, "Gaps", kGapList);
    ASSERT_EQ(bench.open(), 1);
    UnitCommandLine unit;
    ASSERT_TRUE(unit.ready()) << "COM2 is not mapped to the unit simulator";
    // The pause lets the module open and flush its port before the frames come.
    ASSERT_TRUE(unit.send("wait 600;exposure " + std::to_string(kProgramCode) + " 170 110 112"));

    EscapeLater rescue(kRescueAfter);
    const int result = bench.acquire();
    rescue.disarm();
    ASSERT_FALSE(rescue.pressed()) << "the acquisition did not end by itself";
    ASSERT_EQ(result, 1) << "code " << bench.no_image_code();
    EXPECT_EQ(bench.host().image_messages(), 1);

    // The host's copy lists the sections as they lie in the image, from its left edge:
    // a forward scan puts the first section acquired at the right.
    const std::vector<int> image_widths(kWidths.rbegin(), kWidths.rend());
    const AcquisitionRecord record = bench.record();
    EXPECT_EQ(record.program, 29);
    ASSERT_EQ(record.section_count, 3);
    const int starts[] = {0, 600, 1200};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(record.sections[k].start, starts[k]) << k;
        EXPECT_EQ(record.sections[k].width, image_widths[k]) << k;
    }
    EXPECT_EQ(bench.size().first, 1650);
    const testing::DeliveredImage image(bench.image());
    ASSERT_EQ(image.width, 1650);
    ASSERT_EQ(image.height, 1244);
    testing::expect_sections_in_place(image, image_widths, phantom::make_sensor_model(1024));
}

}  // namespace
}  // namespace np
