// The settings key against Wine's real registry.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/settings_key.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

constexpr const char* kPath = "NPTEST\\SETTINGS";

class SettingsKeyTest : public ::testing::Test {
  protected:
    RegistrySandbox sandbox_{"NPTEST"};
};

TEST_F(SettingsKeyTest, UserValueComesFirst) {
    sandbox_.set_user_text(kPath, "TypePano", "2");
    sandbox_.set_machine_text(kPath, "TypePano", "0");
    SettingsKey key(kPath);
    ASSERT_TRUE(key.is_open());
    EXPECT_EQ(key.number("TypePano", 64, "1"), 2);
}

TEST_F(SettingsKeyTest, MachineKeyAnswersWhenTheUserKeyIsAbsent) {
    sandbox_.set_machine_text(kPath, "TypePano", "0");
    SettingsKey key(kPath);
    ASSERT_TRUE(key.is_open());
    EXPECT_EQ(key.number("TypePano", 64, "1"), 0);
}

TEST_F(SettingsKeyTest, ValueOnlyInTheMachineKeyIsFound) {
    sandbox_.set_user_text(kPath, "Other", "x");
    sandbox_.set_machine_text(kPath, "Rotation", "0");
    SettingsKey key(kPath);
    EXPECT_EQ(key.text("Rotation", 64, "1"), "0");
}

TEST_F(SettingsKeyTest, NothingOpenLeavesEveryDefault) {
    SettingsKey key(kPath);
    EXPECT_FALSE(key.is_open());
    EXPECT_EQ(key.number("TypePano", 64, "1"), 1);
    EXPECT_FALSE(key.dword("ModeOrvix").has_value());
}

TEST_F(SettingsKeyTest, WrongTypeLeavesTheDefault) {
    sandbox_.set_user_dword(kPath, "WithPreview", 2);
    sandbox_.set_user_text(kPath, "ModeOrvix", "2");
    SettingsKey key(kPath);
    EXPECT_EQ(key.number("WithPreview", 64, "1"), 1);
    EXPECT_FALSE(key.dword("ModeOrvix").has_value());
}

TEST_F(SettingsKeyTest, ValueLongerThanTheBufferLeavesTheDefault) {
    sandbox_.set_user_text(kPath, "SerialNbK7_12b",
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ");          // 27 bytes with its zero
    sandbox_.set_user_text(kPath, "Exact", std::string(19, '7'));  // 20 bytes exactly
    SettingsKey key(kPath);
    EXPECT_FALSE(key.text("SerialNbK7_12b", 20).has_value());
    EXPECT_EQ(key.text("Exact", 20), std::string(19, '7'));
}

TEST_F(SettingsKeyTest, ReadsDwords) {
    sandbox_.set_machine_dword(kPath, "BaudRatePano", 5);
    SettingsKey key(kPath);
    EXPECT_EQ(key.dword("BaudRatePano"), 5u);
}

TEST_F(SettingsKeyTest, WritingCreatesTheUserKeyWithTerminatedText) {
    ASSERT_TRUE(write_setting(kPath, "ProgNum", "28"));
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\NPTEST\\SETTINGS", 0, KEY_READ, &raw),
              ERROR_SUCCESS);
    UniqueKey key(raw);
    char data[16] = {};
    DWORD type = 0, size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key.get(), "ProgNum", nullptr, &type, reinterpret_cast<BYTE*>(data),
                               &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 3u);
    EXPECT_STREQ(data, "28");
    EXPECT_EQ(SettingsKey(kPath).number("ProgNum", 64, "0"), 28);
}

}  // namespace
}  // namespace np
