// The modules on a real serial line: COM1 is the unit simulator's data line and
// COM2 its command line; COM3 is a device that is no serial line (tools/wine-kvunit
// maps all three).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "common/acquisition_record.h"
#include "common/settings_key.h"
#include "common/version_record.h"
#include "acquisition/testing/module_entries.h"
#include "adaptations/serial/unit_simulator_client.h"
#include "tools/wintest/unit_command_line.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

using testing::EscapeLater;
using testing::press_escape;
using testing::UnitCommandLine;

constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kKv80 = "NORVANE\\PANO\\KV80";
constexpr const char* kKv40 = "NORVANE\\PANO\\KV40";
// Long enough for the module to have flushed its port before the frames come.
constexpr const char* kLead = "wait 600;";

using Module = testing::ModuleEntries;

bool loaded(const Module& module) {
    return module.open && module.read && module.timing && module.resolution;
}

std::optional<std::string> stored_program(const char* model_key) {
    return SettingsKey(model_key).text("ProgNum", 32);
}

double process_cpu_seconds() {
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

class SerialLink : public ::testing::Test {
  protected:
    void SetUp() override {
        sandbox_.set_user_text(kPano, "COM", "1");
        ASSERT_TRUE(loaded(kv80_));
        ASSERT_TRUE(unit_.ready()) << "COM2 is not mapped to the unit simulator";
    }

    // Plays the commands on the unit and reads them through the module; a read that
    // finds nothing is ended by Escape after a while so that the test fails instead
    // of hanging.
    int acquire(const Module& module, const std::string& commands, AcquisitionRecord& record) {
        EXPECT_EQ(module.open(), 0);
        EXPECT_TRUE(unit_.send(kLead + commands));
        EscapeLater rescue(std::chrono::seconds(30));
        const int result = module.read(nullptr, &record);
        rescue.disarm();
        EXPECT_FALSE(rescue.pressed()) << "no message came for: " << commands;
        return result;
    }

    AcquisitionRecord acquire_ok(const std::string& commands) {
        AcquisitionRecord record{};
        EXPECT_EQ(acquire(kv80_, commands, record), 0);
        return record;
    }

    RegistrySandbox sandbox_{"NORVANE"};
    Module kv80_{"Kv80SR.dll"};
    UnitCommandLine unit_;
};

// Noise before the first STX, nothing read after sixteen bytes, frames split across writes.
TEST_F(SerialLink, NoiseAndSplitFramesAndTheSixteenByteMessage) {
    const AcquisitionRecord noisy = acquire_ok("noise 9;exposure 102 165 108 104;frame O 114");
    EXPECT_EQ(+noisy.program, 21);
    EXPECT_FLOAT_EQ(+noisy.exposure_time, 4.0f);  // the fourth frame, the last one read
    EXPECT_EQ(+noisy.valid, 1u);
    EXPECT_EQ(+noisy.sections[0].width, 2190);
    const AcquisitionRecord split = acquire_ok("split 1 25;exposure 110 170 110 112;split 0 0");
    EXPECT_EQ(+split.program, 29);
    EXPECT_FLOAT_EQ(+split.exposure_time, 12.0f);
}

TEST_F(SerialLink, TmjProgramsAlternateThroughTheStoredProgramAndOverridesApply) {
    sandbox_.set_user_text("NORVANE\\PANO\\KV80\\PROG\\P33", "W1", "500");
    EXPECT_EQ(+acquire_ok("exposure 108 170 110 112").program, 27);
    const AcquisitionRecord second = acquire_ok("exposure 108 170 110 112");
    EXPECT_EQ(+second.program, 33);
    EXPECT_EQ(+second.sections[0].width, 500);
    EXPECT_EQ(stored_program(kKv80), "33");
    EXPECT_EQ(+acquire_ok("exposure 108 170 110 112").program, 27);
}

TEST_F(SerialLink, UnitFallingSilentEndsTheMessage) {
    // The third frame never comes: after the byte time-out the message is what arrived.
    const auto begun = std::chrono::steady_clock::now();
    const double cpu_before = process_cpu_seconds();
    const AcquisitionRecord r = acquire_ok("frame O 103;frame V 170");
    const double cpu = process_cpu_seconds() - cpu_before;
    const auto waited = std::chrono::steady_clock::now() - begun;
    EXPECT_EQ(+r.program, 22);
    EXPECT_FLOAT_EQ(+r.kv, 70.0f);
    EXPECT_EQ(+r.ma, 0.0f);
    std::printf("message ended by the byte time-out after %lld ms, %.2f s of CPU meanwhile\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()),
                cpu);
}

TEST_F(SerialLink, EscapeWhileWaitingCancelsAndTouchesNothing) {
    sandbox_.set_user_text(kKv80, "ProgNum", "22");
    AcquisitionRecord record;
    std::memset(&record, 0xAB, sizeof record);
    ASSERT_EQ(kv80_.open(), 0);
    EscapeLater cancel(std::chrono::milliseconds(600));
    EXPECT_EQ(kv80_.read(nullptr, &record), contract::kReadCancelled);
    EXPECT_TRUE(cancel.pressed());
    for (std::size_t i = 0; i < sizeof record; ++i)
        ASSERT_EQ(reinterpret_cast<const unsigned char*>(&record)[i], 0xAB) << i;
    EXPECT_EQ(stored_program(kKv80), "22");
    // The link was closed: the next acquisition opens it again, and the Escape press
    // that ended before it began does not cancel it.
    press_escape();
    ::Sleep(100);
    EXPECT_EQ(+acquire_ok("exposure 101 170 110 112").program, 20);
}

TEST_F(SerialLink, PortsThatCannotBeOpened) {
    AcquisitionRecord record{};
    // COM7 does not exist; COM3 is a device but not a serial line, so its settings fail.
    for (const char* port : {"7", "3"}) {
        sandbox_.set_user_text(kPano, "COM", port);
        EXPECT_EQ(kv80_.open(), 5) << port;
        EXPECT_EQ(kv80_.read(nullptr, &record), 5) << port;  // nothing open to read from
    }
}

TEST_F(SerialLink, Kv40ReadsItsCodesAndKeyAndHasAVersion) {
    Module kv40("Kv40SR.dll");
    ASSERT_TRUE(loaded(kv40));
    AcquisitionRecord r{};
    ASSERT_EQ(acquire(kv40, "exposure 104 170 110 112", r), 0);
    EXPECT_EQ(+r.program, 27);
    EXPECT_EQ(+r.sections[1].width, 540);
    EXPECT_EQ(stored_program(kKv40), "27");
    EXPECT_FALSE(stored_program(kKv80));

    ASSERT_NE(kv40.version, nullptr);
    const VersionRecord* record = kv40.version();
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->name, "DLL Kv40Serial");
    EXPECT_STREQ(record->version, "3.0.0.0");
    EXPECT_STREQ(record->date, "15 March 2002");
    EXPECT_EQ(record->next, nullptr);
}

TEST_F(SerialLink, TimingAndResolutionReadTheRegistry) {
    sandbox_.set_machine_text("NORVANE\\PANO\\KV80\\PROG\\P27", "I2", "60");
    int gaps[kMaxSections] = {};
    EXPECT_EQ(kv80_.timing(27, gaps), 1200);
    EXPECT_EQ(gaps[1], 60);

    double x = -1, y = -1;
    EXPECT_EQ(kv80_.resolution(&x, &y), 0);
    EXPECT_EQ(x, -1);
    sandbox_.set_user_text(kKv80, "ProgNum", "28");
    EXPECT_EQ(kv80_.resolution(&x, &y), 1);
    EXPECT_DOUBLE_EQ(x, 0.104 / 1.89);
    EXPECT_DOUBLE_EQ(y, 0.104 / 1.89);
}

}  // namespace
}  // namespace np
