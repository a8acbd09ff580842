#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "acquisition/image/flat_field.h"
#include "common/sensor_lines.h"
#include "sim/phantom/phantom_scan.h"

namespace np::phantom {
namespace {

constexpr int kColumns = 2700;

const Scene& shared_scene() {
    static const Scene scene = make_panoramic_scene(kColumns, 1);
    return scene;
}

TEST(PanoramicScene, IsDeterministicForASeed) {
    const Scene again = make_panoramic_scene(kColumns, 1);
    EXPECT_EQ(again.values, shared_scene().values);
    const Scene other = make_panoramic_scene(kColumns, 2);
    EXPECT_NE(other.values, shared_scene().values);
}

TEST(PanoramicScene, TeethOutshineBoneWhichOutshinesSoftTissueAndAir) {
    const Scene& scene = shared_scene();
    const int middle = kColumns / 2;
    const float air = scene.at(kColumns / 10, 10);
    const float soft = scene.at(middle, 1200);
    const float mandible = scene.at(middle + kColumns / 5, 900);
    const float incisor_crown = scene.at(middle + 37, 625);
    EXPECT_LT(air, 0.15f);
    EXPECT_LT(air, soft);
    EXPECT_LT(soft, mandible);
    EXPECT_LT(mandible, incisor_crown);
    const Landmark filling = filling_landmark(kColumns);
    EXPECT_GT(scene.at(filling.column, filling.row), 0.97f);
    // The filling is on the left only: the mirrored place holds an ordinary crown.
    EXPECT_LT(scene.at(kColumns - 1 - filling.column, filling.row), 0.95f);
}

TEST(SensorModel, GainsAndDeadPositionsStayClearOfTheSeamAndTheEnds) {
    const SensorModel model = make_sensor_model(1024);
    int dead = 0;
    for (int s = 0; s < kSamplesPerLine; ++s) {
        const float gain = model.gains[s];
        if (gain < 0.01f) {
            ++dead;
            EXPECT_TRUE(s > 4 && s < 1239 && std::abs(s - 621) > 4) << s;
        } else {
            EXPECT_GE(gain, 0.5f);
            EXPECT_LE(gain, 1.5f);
        }
    }
    EXPECT_EQ(dead, static_cast<int>(model.dead_positions.size()));
    EXPECT_EQ(make_sensor_model(4096).dark_offsets[1], 4 * model.dark_offsets[1]);
}

// The driver's own flat field, fed the phantom's mask file as the driver reads it.
image::Corrector driver_corrector(const SensorModel& model, int mode, bool mirrored) {
    const std::vector<std::uint8_t> bytes = mask_file_bytes(model);
    EXPECT_EQ(bytes.size(), 5000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), kPhantomCassette);
    image::FlatFieldMask mask;
    std::memcpy(&mask, bytes.data() + 20, sizeof mask);
    return image::Corrector(mask, mode == 2 ? image::TransferMode::bits12 : image::TransferMode::bits10,
                            mirrored);
}

struct Direction {
    int mode;
    bool forward;
};

class PhantomScanThroughTheImageChain : public ::testing::TestWithParam<Direction> {};

TEST_P(PhantomScanThroughTheImageChain, FlatFieldCorrectionRecoversTheScene) {
    const Direction direction = GetParam();
    ScanPlan plan;
    plan.mode = direction.mode;
    plan.forward = direction.forward;
    const SensorModel model = make_sensor_model(plan.mode == 2 ? 4096 : 1024);
    const PhantomScan scan(shared_scene(), model, plan);
    const int seam = scan.seam();
    const image::Corrector corrected = driver_corrector(model, plan.mode, !plan.forward);
    ASSERT_EQ(corrected.seam(), seam);
    const LineOrder order = plan.forward ? LineOrder::forward : LineOrder::reversed;

    std::vector<std::uint16_t> card(scan.line_words());
    std::vector<std::uint16_t> line(kSamplesPerLine);
    int image_lines = 0, worst = 0, controls[8] = {};
    for (int n = 0; n < scan.line_count(); ++n) {
        scan.write_line(n, card.data());
        if (plan.mode == 2) ++controls[(card[1245] >> 10) & 7];
        const int column = scan.scene_column(n);
        if (column < 0) continue;
        ++image_lines;
        rearrange_sensor_lines(line.data(), kSamplesPerLine, card.data(), order);
        const std::vector<int> expected = scan.corrected_line(column);
        for (int s = 0; s < kSamplesPerLine; ++s) {
            ASSERT_GT(line[s], 0);
            ASSERT_LT(line[s], model.sample_range);
            if (s == seam || model.gains[s] < 0.01f) continue;
            worst = std::max(worst, std::abs(corrected(line[s], s) - expected[s]));
        }
        // A dead position between two live ones is repaired from its neighbours.
        const int a = corrected(line[132], 132), b = corrected(line[134], 134);
        EXPECT_NEAR((a + b) / 2.0, expected[133], model.sample_range / 50.0);
    }
    EXPECT_LE(worst, 1);
    EXPECT_EQ(image_lines, 2500);
    if (plan.mode == 2) {
        EXPECT_EQ(scan.line_count(), 2500);
        EXPECT_EQ(controls[6], 4);
        EXPECT_EQ(controls[5], 1);
        EXPECT_EQ(controls[7], 2495);
    } else {
        EXPECT_EQ(scan.line_count(), 20 + 2500 + 10);
        EXPECT_EQ(scan.scene_column(19), -1);
    }
    // The first line acquired is the rightmost column, or the leftmost when mirrored.
    const int first = plan.mode == 2 ? 0 : 20;
    EXPECT_EQ(scan.scene_column(first), plan.forward ? kColumns - 1 : 0);
    EXPECT_EQ(scan.scene_column(first + 500), plan.forward ? kColumns - 551 : 550);
}

INSTANTIATE_TEST_SUITE_P(ModesAndDirections, PhantomScanThroughTheImageChain,
                         ::testing::Values(Direction{1, true}, Direction{1, false},
                                           Direction{2, true}, Direction{2, false}));

}  // namespace
}  // namespace np::phantom
