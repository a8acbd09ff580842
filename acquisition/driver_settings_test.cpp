// The driver's registry settings against Wine's registry.
#include "acquisition/driver_settings.h"

#include <gtest/gtest.h>

#include "tools/wintest/registry_sandbox.h"

namespace np::acquisition {
namespace {

class DriverSettingsTest : public ::testing::Test {
  protected:
    RegistrySandbox sandbox_{"NORVANE"};
    DriverState state_;
};

TEST_F(DriverSettingsTest, OnlyWithPreview2TurnsThePreviewOff) {
    using Case = std::pair<const char*, bool>;  // "WithPreview", preview on
    for (const auto& [value, on] : {Case{"0", true}, Case{"1", true}, Case{"-2", true},
                                    Case{"x", true}, Case{" 2", false}, Case{"2", false}}) {
        sandbox_.set_user_text(kSettingsPath, "WithPreview", value);
        state_.live_preview = !on;
        read_preview_and_image_type(state_);
        EXPECT_EQ(state_.live_preview, on) << value;
    }
}

TEST_F(DriverSettingsTest, MissingValuesGiveTheDefaultsAndNoKeyTurnsThePreviewOff) {
    state_.image_type = 0;
    read_preview_and_image_type(state_);
    EXPECT_FALSE(state_.live_preview);
    EXPECT_EQ(state_.image_type, 0);

    sandbox_.set_user_text(kSettingsPath, "Other", "1");
    state_.image_type = 2;
    read_preview_and_image_type(state_);
    EXPECT_TRUE(state_.live_preview);
    EXPECT_EQ(state_.image_type, 1);
    sandbox_.set_machine_text(kSettingsPath, "TypePano", "2");
    read_preview_and_image_type(state_);
    EXPECT_EQ(state_.image_type, 2);
}

TEST_F(DriverSettingsTest, CardSettingsAreDwordsAndAllFourRequired) {
    const char* const names[] = {"BaudRatePano", "TimeoutPano", "BaudRateOrvix", "ModeOrvix"};
    for (const char* missing : names) {
        sandbox_.clear();
        for (const char* name : names)
            if (name != missing) sandbox_.set_user_dword(kSettingsPath, name, 1);
        EXPECT_FALSE(read_card_settings()) << missing;
        sandbox_.set_user_text(kSettingsPath, missing, "1");
        EXPECT_FALSE(read_card_settings()) << missing;
    }
    sandbox_.clear();
    sandbox_.set_machine_dword(kSettingsPath, "BaudRatePano", 3);
    sandbox_.set_user_dword(kSettingsPath, "TimeoutPano", 250);
    sandbox_.set_user_dword(kSettingsPath, "BaudRateOrvix", 2);
    sandbox_.set_user_dword(kSettingsPath, "ModeOrvix", 0);
    const auto settings = read_card_settings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->baud_rate_pano, 3u);
    EXPECT_EQ(settings->timeout_pano, 250u);
    EXPECT_EQ(settings->baud_rate_orvix, 2u);
    EXPECT_EQ(settings->mode, 0u);
}

TEST_F(DriverSettingsTest, FirstTwelveBitSerialFitsTwentyBytes) {
    EXPECT_FALSE(read_first_12_bit_serial());
    sandbox_.set_user_text(kSettingsPath, "SerialNbK7_12b", "OR  01234");
    EXPECT_EQ(read_first_12_bit_serial(), "OR  01234");
    sandbox_.set_user_text(kSettingsPath, "SerialNbK7_12b", std::string(20, '7'));
    EXPECT_FALSE(read_first_12_bit_serial());
}

}  // namespace
}  // namespace np::acquisition
