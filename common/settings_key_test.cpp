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

// Without a user key the machine key answers alone; once the user key has the
// value, it wins.
TEST_F(SettingsKeyTest, UserValueFirstMachineValueOtherwise) {
    sandbox_.set_machine_text(kPath, "TypePano", "0");
    EXPECT_EQ(SettingsKey(kPath).number("TypePano", 64, "1"), 0);
    sandbox_.set_user_text(kPath, "TypePano", "2");
    EXPECT_EQ(SettingsKey(kPath).number("TypePano", 64, "1"), 2);
}

TEST_F(SettingsKeyTest, OnlyTheExpectedTypeThatFitsTheBufferIsTaken) {
    sandbox_.set_user_dword(kPath, "WithPreview", 2);
    sandbox_.set_user_text(kPath, "SerialNbK7_12b", std::string(20, '7'));  // 21 bytes
    sandbox_.set_user_text(kPath, "Exact", std::string(19, '7'));           // 20 bytes
    SettingsKey key(kPath);
    EXPECT_EQ(key.number("WithPreview", 64, "1"), 1);
    EXPECT_FALSE(key.text("SerialNbK7_12b", 20).has_value());
    EXPECT_EQ(key.text("Exact", 20), std::string(19, '7'));
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
