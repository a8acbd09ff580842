// Ventra's link, files and voice against the NorvanePan unit simulator: COM1 is
// the unit's line, COM2 its command line (tools/wine-kvunit with sim/ventra-unit).
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "adaptations/ventra/files/config_report.h"
#include "adaptations/ventra/files/event_log.h"
#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/module/ventra_module.h"
#include "adaptations/ventra/module/ventra_registry.h"
#include "adaptations/ventra/module/unit_refresh.h"
#include "adaptations/ventra/texts/voice.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/test_files.h"
#include "tools/wintest/unit_command_line.h"

namespace np::ventra {
namespace {

using testing::file_bytes;

std::string ini(const char* section, const char* key) {
    char value[256] = {};
    ::GetPrivateProfileStringA(section, key, "(none)", value, sizeof value, kConfigReportPath);
    return value;
}

// The module as the driver's process holds it, with the language given as NPLang.
class VentraShell : public ::testing::Test {
  protected:
    void SetUp() override { use_language("NPeng.dll"); }
    void TearDown() override {
        unit_.send("restore");
        module_.end();
        ::DeleteFileA("NPLang.dll");
    }
    void use_language(const char* file) {
        module_.end();
        ASSERT_TRUE(::CopyFileA(file, "NPLang.dll", FALSE));
        ASSERT_TRUE(module_.start());
    }
    void configure_port(const char* port) {
        registry_.set_user_text(kPanoKey, "COM", port);
        registry_.set_user_dword(kVentraKey, "Baudrate", 57600);
    }
    int open() {
        configure_port("1");
        return open_comm_port(module_);
    }

    RegistrySandbox registry_{"NORVANE"};
    MessageBoxCapture boxes_;
    testing::UnitCommandLine unit_;
    VentraModule module_;
};

TEST_F(VentraShell, OpenCommPortNeedsTheKeysThePortAndAUnitThatPassesTheCheck) {
    EXPECT_EQ(open_comm_port(module_), 7);
    configure_port("7");
    EXPECT_EQ(open_comm_port(module_), 7);
    ASSERT_EQ(boxes_.count(), 2u);
    EXPECT_EQ(boxes_[0].text, "Register base read failed");
    EXPECT_EQ(boxes_[1].text, "Failure to open COM port");

    EXPECT_EQ(open(), 0);
    EXPECT_EQ(open_comm_port(module_), 7);  // already open
    EXPECT_EQ(boxes_.count(), 2u);
    std::array<std::uint16_t, 20> shown{};
    ASSERT_EQ(module_.link.read(address::startup_text, 20, shown.data()), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(shown.data()), 40),
              "Interface_inactive" + std::string(21, ' ') + '\0');
}

TEST_F(VentraShell, FirmwareBelowOneIsRefusedAndOneOhTwoIsNew) {
    unit_.send("firmware 0.9");
    EXPECT_EQ(open(), 7);
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_[0].text, "Wrong version of FirmWare");
    module_.link.close();
    unit_.send("firmware 1.01");
    EXPECT_EQ(open(), 0);
    EXPECT_FALSE(module_.new_firmware);
    module_.link.close();
    unit_.send("firmware 1.02");
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(module_.new_firmware);
}

// The record, the cooling and the menus the console's and the acquisition's tests read.
TEST_F(VentraShell, MirrorFollowsTheUnitAndOutlivesASilentOne) {
    ASSERT_EQ(open(), 0);
    EXPECT_TRUE(refresh_mirror(module_));
    EXPECT_FALSE(module_.mirror);
    unit_.send("set 7028 0");
    EXPECT_TRUE(refresh_mirror(module_));
    EXPECT_TRUE(module_.mirror);
    unit_.send("cut");
    EXPECT_FALSE(refresh_mirror(module_));
    EXPECT_TRUE(module_.mirror);
}

TEST_F(VentraShell, ConfigurationReportFollowsTheLanguageModule) {
    ASSERT_EQ(open(), 0);
    write_configuration_report(module_.link, module_.language);
    EXPECT_EQ(ini("VERSION", "SoftName"), "NorvanePan");
    EXPECT_EQ(ini("VERSION", "SoftVersion"), "1.02");
    EXPECT_EQ(ini("CALIBRATION", "pnDeltaHeat[60]"), std::to_string(0x1100 + 23));
    EXPECT_EQ(ini("PREFERENCE", "kV compensation ( Child, Low body weight)"), std::to_string(0x4400 + 2));

    module_.link.close();
    use_language("NPfra.dll");
    ASSERT_EQ(open(), 0);
    write_configuration_report(module_.link, module_.language);
    EXPECT_EQ(ini("CALIBRATION", "pnDeltaHeat[60]"), "(none)");  // the old report is gone
    EXPECT_EQ(ini("ETALONNAGE", "fCorGainMesKV"), "0.000000");
}

TEST_F(VentraShell, EventLogStoresLinesWithCrCrLfAndCountersOnlyWhenWorthIt) {
    ASSERT_EQ(open(), 0);
    ::DeleteFileA(kEventLogPath);
    log_error(12);
    log_technical_access();
    std::string log = file_bytes(kEventLogPath);
    EXPECT_EQ(log.substr(0, 11), "Error n\xB0" "12\t");
    EXPECT_EQ(log.find("\r\r\nAccess to the technical menu\t"), 30u);
    EXPECT_EQ(log.substr(log.size() - 3), "\r\r\n");

    // The counter of correct requests includes the read that fetches it.
    unit_.send("set 702C C6 1");  // 198 and 1
    log_counters(module_.link);
    EXPECT_EQ(file_bytes(kEventLogPath), log);
    unit_.send("set 702C 62 1");  // 98 and 1
    log_counters(module_.link);
    log = file_bytes(kEventLogPath);
    EXPECT_NE(log.find("Counter 1 : 99\r\r\nCounter 2 : 1\r\r\n"), std::string::npos);
}

struct Played {
    std::uintptr_t id;
    HMODULE module;
    DWORD flags;
};
std::vector<Played> g_played;
BOOL WINAPI record_prompt(LPCSTR sound, HMODULE module, DWORD flags) {
    g_played.push_back({reinterpret_cast<std::uintptr_t>(sound), module, flags});
    return TRUE;
}

TEST_F(VentraShell, PromptsPlayOnlyWithTheSwitchOnWhichPersists) {
    g_played.clear();
    Voice voice(module_.language.handle(), record_prompt);
    voice.restore_switch();
    EXPECT_FALSE(voice.is_on());
    voice.play(24038);
    EXPECT_TRUE(g_played.empty());

    EXPECT_TRUE(voice.set_switch(true));
    Voice next_console(module_.language.handle(), record_prompt);
    next_console.restore_switch();
    ASSERT_TRUE(next_console.is_on());
    next_console.play(24044);
    ASSERT_EQ(g_played.size(), 1u);
    EXPECT_EQ(g_played[0].id, 24044u);
    EXPECT_EQ(g_played[0].module, module_.language.handle());
    EXPECT_EQ(g_played[0].flags, static_cast<DWORD>(SND_RESOURCE | SND_APPLICATION | SND_NOSTOP | SND_ASYNC));

    registry_.set_user_text(kVentraKey, "WithVocal", "1");  // a string counts as absent
    next_console.restore_switch();
    EXPECT_FALSE(next_console.is_on());
}

}  // namespace
}  // namespace np::ventra
