// Generic.dll as the driver binds it: by plain export names, settings in a sandbox.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "common/acquisition_record.h"
#include "common/sensor_lines.h"
#include "common/version_record.h"
#include "acquisition/testing/module_entries.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

constexpr const char* kPath = "NORVANE\\PANO";

class GenericModule : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(generic_.open && generic_.read && generic_.rearrange && generic_.timing &&
                    generic_.mirror && generic_.post_process && generic_.resolution &&
                    generic_.combine && generic_.version);
    }

    std::vector<std::uint16_t> rearranged(const std::vector<std::uint16_t>& raw) {
        std::vector<std::uint16_t> out(raw.size(), 0xFFFF);
        generic_.rearrange(out.data(), static_cast<int>(raw.size()), raw.data());
        return out;
    }

    RegistrySandbox sandbox_{"NORVANE"};
    testing::ModuleEntries generic_{"Generic.dll"};
};

// Which way the lines are turned; the interleaving itself is common_test's.
TEST_F(GenericModule, ScansForwardUntilRotationSaysOtherwise) {
    EXPECT_FALSE(generic_.mirror());  // before OpenCommPort
    EXPECT_EQ(generic_.open(), 0);
    EXPECT_FALSE(generic_.mirror());
    std::vector<std::uint16_t> raw(2 * kSamplesPerLine);
    std::iota(raw.begin(), raw.end(), std::uint16_t{1});
    const auto forward = rearranged(raw);
    EXPECT_EQ(forward[kTapPairs], raw[1]);
    EXPECT_EQ(forward[kSamplesPerLine + kTapPairs], raw[kSamplesPerLine + 1]);

    for (const char* rotation : {"0", "2", "abc"}) {
        sandbox_.set_user_text(kPath, "Rotation", rotation);
        EXPECT_EQ(generic_.open(), 0);
        EXPECT_TRUE(generic_.mirror()) << rotation;
        const auto reversed = rearranged(raw);
        EXPECT_EQ(reversed[kSamplesPerLine - 1 - kTapPairs], raw[1]) << rotation;
        EXPECT_EQ(reversed[2 * kSamplesPerLine - 1], forward[kSamplesPerLine]) << rotation;
    }

    sandbox_.set_user_text(kPath, "Rotation", " 1");
    generic_.open();
    EXPECT_FALSE(generic_.mirror());
    sandbox_.clear();
    sandbox_.set_machine_text(kPath, "Rotation", "0");
    generic_.open();
    EXPECT_TRUE(generic_.mirror()) << "machine key read when the user key has no value";
}

TEST_F(GenericModule, TimingFromTheSettings) {
    int gaps[kMaxSections];
    std::fill(std::begin(gaps), std::end(gaps), -3);
    EXPECT_EQ(generic_.timing(17, gaps), 500);
    EXPECT_EQ(gaps[0], 10);
    for (int k = 1; k < kMaxSections; ++k)
        EXPECT_EQ(gaps[k], -3);

    sandbox_.set_user_text(kPath, "TimeOut", "abc");
    gaps[0] = 0;
    EXPECT_EQ(generic_.timing(0, gaps), 0);
    EXPECT_EQ(gaps[0], 10);
    sandbox_.set_user_text(kPath, "TimeOut", "750");
    EXPECT_EQ(generic_.timing(0, gaps), 750);
    EXPECT_EQ(gaps[1], -3);
}

TEST_F(GenericModule, RecordIsFixed) {
    AcquisitionRecord record;
    std::memset(&record, 0xAB, sizeof record);
    EXPECT_EQ(generic_.read(reinterpret_cast<HWND>(0x1234), &record), 0);
    EXPECT_EQ(record.program, 255);
    EXPECT_EQ(record.unit_specific, 77);
    EXPECT_EQ(record.kv, 0.0f);
    EXPECT_EQ(record.ma, 0.0f);
    EXPECT_EQ(record.exposure_time, 0.0f);
    EXPECT_EQ(record.valid, 1264u);
    EXPECT_EQ(record.section_count, 5);
    // The sections beyond the fifth are cleared.
    const std::int16_t starts[kMaxSections] = {0, 550, 1100, 1650, 2200};
    const std::int16_t widths[kMaxSections] = {500, 500, 500, 500, 500};
    for (int k = 0; k < kMaxSections; ++k) {
        EXPECT_EQ(record.sections[k].start, starts[k]) << k;
        EXPECT_EQ(record.sections[k].width, widths[k]) << k;
    }
    AcquisitionRecord again{};
    EXPECT_EQ(generic_.read(nullptr, &again), 0);
    EXPECT_EQ(std::memcmp(&record, &again, sizeof record), 0);
}

TEST_F(GenericModule, ResolutionAndCombinationAreOneBodyAndTheVersionIsFixed) {
    EXPECT_EQ(reinterpret_cast<void*>(generic_.resolution),
              reinterpret_cast<void*>(generic_.combine));
    double x = 1.5, y = 2.5;
    EXPECT_EQ(generic_.resolution(&x, &y), 0);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 2.5);
    EXPECT_EQ(generic_.combine(180, 181), 0);
    const VersionRecord* record = generic_.version();
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->name, "DLL Generic");
    EXPECT_STREQ(record->version, "3.0.0.0");
    EXPECT_STREQ(record->date, "15 March 2002");
    EXPECT_EQ(record->next, nullptr);
}

TEST_F(GenericModule, PostProcessBalancesColumns) {
    const int width = 41, height = 1244, stride = 44;
    std::vector<std::uint8_t> image(stride * height, 128);
    for (int j = 0; j < height; ++j)
        image[j * stride + 20] = 90;
    EXPECT_TRUE(generic_.post_process(image.data(), width, height));
    EXPECT_GT(image[20], 90);
}

}  // namespace
}  // namespace np
