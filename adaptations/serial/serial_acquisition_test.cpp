// A whole acquisition with Kv80SR as Panodlg.dll: the unit simulator reports an
// exposure on COM1 (commands go to it on COM2, see tools/wine-kvunit), Scanlink_sim's
// simulated card plays the phantom in the line layout of that program, and the image
// must come out with the program's sections, each in its place.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "acquisition/testing/host_bench.h"
#include "common/acquisition_record.h"
#include "sim/phantom/phantom_scan.h"
#include "adaptations/serial/unit_simulator_client.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

using testing::EscapeLater;
using testing::UnitCommands;

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

// The phantom's mask in place and the simulated card set to scan program 29 forward.
void set_up_scan(RegistrySandbox& registry, testing::MaskInstall& mask,
                 const phantom::SensorModel& model) {
    mask.write(phantom::mask_file_bytes(model));
    registry.set_user_text(kPano, "COM", "1");
    for (const char* name : {"BaudRatePano", "BaudRateOrvix", "ModeOrvix"})
        registry.set_user_dword(kPano, name, 1);
    registry.set_user_dword(kPano, "TimeoutPano", 100);
    // Kv80SR rearranges forward and never mirrors: the unit scans forward.
    registry.set_user_dword(kCard, "Rotation", 1);
    registry.set_user_dword(kCard, "LineRate", 20000);
    registry.set_user_text(kCard, "Widths", kWidthList);
    registry.set_user_text(kCard, "Gaps", kGapList);
}

// Correlation of image columns [first, last] with the scene shifted by `shift`
// columns, over the rows the sensor sees cleanly (no seam, no dead positions, no logo).
double section_correlation(const testing::DeliveredImage& image, const phantom::Scene& scene,
                           const phantom::SensorModel& model, int first, int last, int shift) {
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, n = 0;
    for (int row = 2; row < 1242; row += 3) {
        if (std::abs(row - 621) <= 2) continue;
        bool near_dead = false;
        for (int dead : model.dead_positions)
            near_dead |= std::abs(row - dead) <= 1;
        if (near_dead) continue;
        for (int column = first; column <= last; column += 2) {
            const int source = column + shift;
            if (source < 0 || source >= scene.columns) continue;
            if (row > 1180 && column > image.width - 60) continue;
            const double x = scene.at(source, row), y = image.at(column, row);
            sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y, n += 1;
        }
    }
    const double cov = sxy / n - sx / n * sy / n;
    return cov / std::sqrt((sxx / n - sx / n * sx / n) * (syy / n - sy / n * sy / n));
}

// Each section of the image (widths from the left edge) shows its part of the scene,
// and in exactly its place: a section window off by a line would shift the section
// against the scene.
void expect_sections_in_place(const testing::DeliveredImage& image, const std::vector<int>& widths,
                              const phantom::SensorModel& model) {
    int columns = -kSectionGap;
    for (int w : widths)
        columns += w + kSectionGap;
    const phantom::Scene scene = phantom::make_panoramic_scene(columns, 1);
    int start = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        const int first = start + 4, last = start + widths[k] - 5;
        const double in_place = section_correlation(image, scene, model, first, last, 0);
        EXPECT_GT(in_place, 0.99) << "section " << k;
        for (int shift : {-3, -2, -1, 1, 2, 3})
            EXPECT_GT(in_place, section_correlation(image, scene, model, first, last, shift))
                << "section " << k << " fits the scene better shifted by " << shift;
        start += widths[k] + kSectionGap;
    }
}

TEST(Kv80Acquisition, ImageHasTheSectionsOfTheReportedProgram) {
    const phantom::SensorModel model = phantom::make_sensor_model(1024);
    RegistrySandbox registry("NORVANE");
    testing::MaskInstall mask;
    set_up_scan(registry, mask, model);
    testing::AdaptationInstall adaptation;
    ASSERT_TRUE(adaptation.install("Kv80SR.dll"));
    testing::HostWindow host;
    testing::DriverLibrary driver;
    ASSERT_EQ(driver.load("Scanlink_sim.dll"), "");
    ASSERT_EQ(driver.open(host.handle()), 1);
    UnitCommands unit;
    ASSERT_TRUE(unit.ready()) << "COM2 is not mapped to the unit simulator";
    // The pause lets the module open and flush its port before the frames come.
    ASSERT_TRUE(unit.send("wait 600;exposure " + std::to_string(kProgramCode) + " 170 110 112"));

    EscapeLater rescue(kRescueAfter);
    const int result = driver->PANOWAITFORIMAGE();
    rescue.disarm();
    ASSERT_FALSE(rescue.pressed()) << "the acquisition did not end by itself";
    ASSERT_EQ(result, 1) << "code " << host.last_no_image_code();
    EXPECT_EQ(host.image_messages(), 1);

    // The host's copy lists the sections as they lie in the image, from its left edge:
    // a forward scan puts the first section acquired at the right.
    const std::vector<int> image_widths(kWidths.rbegin(), kWidths.rend());
    AcquisitionRecord record{};
    driver->PANOGETCOMMDATA(&record);
    EXPECT_EQ(record.program, 29);
    ASSERT_EQ(record.section_count, 3);
    const int starts[] = {0, 600, 1200};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(record.sections[k].start, starts[k]) << k;
        EXPECT_EQ(record.sections[k].width, image_widths[k]) << k;
    }
    EXPECT_EQ(driver->size().first, 1650);
    const testing::DeliveredImage image(host.image());
    ASSERT_EQ(image.width, 1650);
    ASSERT_EQ(image.height, 1244);
    expect_sections_in_place(image, image_widths, model);
}

}  // namespace
}  // namespace np
