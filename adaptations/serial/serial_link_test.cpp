// The modules on a real serial line: COM1 is the unit simulator's data line and
// COM2 its command line; COM3 is a device that is no serial line (tools/wine-kvunit
// maps all three).
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/settings_key.h"
#include "common/version_record.h"
#include "common/win32_handles.h"
#include "adaptations/serial/unit_simulator_client.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

using testing::EscapeLater;
using testing::press_escape;
using testing::UnitCommands;

constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kKv80 = "NORVANE\\PANO\\KV80";
constexpr const char* kKv40 = "NORVANE\\PANO\\KV40";
// Long enough for the module to have flushed its port before the frames come.
constexpr const char* kLead = "wait 600;";

std::string after_lead(std::string_view commands) {
    std::string line = kLead;
    line.append(commands);
    return line;
}

struct Module {
    explicit Module(const char* name) : handle(::LoadLibraryA(name)) {
        if (!handle) return;
        open = lookup<contract::OpenCommPortFn>("OpenCommPort");
        read = lookup<contract::ReadCommDataFn>("ReadCommData");
        timing = lookup<contract::GetTimingFn>("GetTiming");
        resolution = lookup<contract::BResolutionFn>("bResolution");
    }
    template <typename Fn>
    Fn lookup(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(handle.get(), name)));
    }
    bool loaded() const { return open && read && timing && resolution; }

    UniqueModule handle;
    contract::OpenCommPortFn open = nullptr;
    contract::ReadCommDataFn read = nullptr;
    contract::GetTimingFn timing = nullptr;
    contract::BResolutionFn resolution = nullptr;
};

struct Fields {
    int program, count;
    float kv, ma, time;
    unsigned valid;
    std::array<int, 3> start, width;
};

Fields fields(const AcquisitionRecord& r) {
    Fields f{r.program, r.section_count, r.kv, r.ma, r.exposure_time, r.valid, {}, {}};
    for (int k = 0; k < 3; ++k) {
        f.start[k] = r.sections[k].start;
        f.width[k] = r.sections[k].width;
    }
    return f;
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
        ASSERT_TRUE(kv80_.loaded());
        ASSERT_TRUE(unit_.ready()) << "COM2 is not mapped to the unit simulator";
    }

    // Plays the commands on the unit and reads them through the module; a read that
    // finds nothing is ended by Escape after a while so that the test fails instead
    // of hanging.
    int acquire(const Module& module, const std::string& commands, AcquisitionRecord& record) {
        EXPECT_EQ(module.open(), 0);
        EXPECT_TRUE(unit_.send(commands));
        EscapeLater rescue(std::chrono::seconds(30));
        const int result = module.read(nullptr, &record);
        rescue.disarm();
        EXPECT_FALSE(rescue.pressed()) << "no message came for: " << commands;
        return result;
    }

    Fields acquire_ok(const std::string& commands) {
        AcquisitionRecord record{};
        EXPECT_EQ(acquire(kv80_, commands, record), 0);
        return fields(record);
    }

    RegistrySandbox sandbox_{"NORVANE"};
    Module kv80_{"Kv80SR.dll"};
    UnitCommands unit_;
};

TEST_F(SerialLink, EveryKv80ProgramGivesItsRecord) {
    const int first_widths[] = {2300, 2190, 2100, 2120, 2020, 2000, 940,
                                520,  800,  450,  450,  0,    0,    510};
    const int section_counts[] = {1, 1, 1, 1, 1, 1, 1, 2, 2, 3, 3, 1, 1, 2};
    for (int value = 101; value <= 114; ++value) {
        const int program = value - 81;
        char command[64];
        std::snprintf(command, sizeof command, "exposure %d 175 112 115", value);
        const Fields f = acquire_ok(after_lead(command));
        EXPECT_EQ(f.program, program);
        EXPECT_FLOAT_EQ(f.kv, 75.0f);
        EXPECT_FLOAT_EQ(f.ma, 12.0f);
        EXPECT_FLOAT_EQ(f.time, program == 26 ? 1.5f : 15.0f) << program;
        EXPECT_EQ(f.valid, 1u);
        EXPECT_EQ(f.count, section_counts[program - 20]) << program;
        EXPECT_EQ(f.width[0], first_widths[program - 20]) << program;
        EXPECT_EQ(stored_program(kKv80), std::to_string(program));
    }
}

TEST_F(SerialLink, NoiseBeforeTheFirstStxAndNothingAfterSixteenBytes) {
    const Fields f = acquire_ok(after_lead("noise 9;exposure 102 165 108 104;frame O 114"));
    EXPECT_EQ(f.program, 21);
    EXPECT_FLOAT_EQ(f.kv, 65.0f);
    EXPECT_FLOAT_EQ(f.ma, 8.0f);
    EXPECT_FLOAT_EQ(f.time, 4.0f);
}

TEST_F(SerialLink, FramesSplitAcrossWritesAndABadFrame) {
    Fields f = acquire_ok(after_lead("split 1 25;exposure 110 170 110 112;split 0 0"));
    EXPECT_EQ(f.program, 29);
    EXPECT_EQ(f.count, 3);
    EXPECT_EQ(f.start[1], 500);
    EXPECT_EQ(f.start[2], 1100);

    f = acquire_ok(after_lead("frame O 101;badetx V 180;frame A 110;frame S 112"));
    EXPECT_EQ(f.program, 20);
    EXPECT_EQ(f.kv, 0.0f);
    EXPECT_FLOAT_EQ(f.ma, 10.0f);
}

TEST_F(SerialLink, TmjProgramsAlternateThroughTheStoredProgram) {
    EXPECT_EQ(acquire_ok(after_lead("exposure 108 170 110 112")).program, 27);
    EXPECT_EQ(acquire_ok(after_lead("exposure 108 170 110 112")).program, 33);
    EXPECT_EQ(stored_program(kKv80), "33");
    const Fields f = acquire_ok(after_lead("exposure 108 170 110 112"));
    EXPECT_EQ(f.program, 27);
    EXPECT_EQ(f.width[1], 520);
}

TEST_F(SerialLink, OverridesApplyToTheReportedProgram) {
    sandbox_.set_user_text("NORVANE\\PANO\\KV80\\PROG\\P20", "W1", "2200");
    EXPECT_EQ(acquire_ok(after_lead("exposure 101 170 110 112")).width[0], 2200);
}

TEST_F(SerialLink, UnitFallingSilentEndsTheMessage) {
    // The third frame never comes: after the byte time-out the message is what arrived.
    const auto begun = std::chrono::steady_clock::now();
    const double cpu_before = process_cpu_seconds();
    const Fields f = acquire_ok(after_lead("frame O 103;frame V 170"));
    const double cpu = process_cpu_seconds() - cpu_before;
    const auto waited = std::chrono::steady_clock::now() - begun;
    EXPECT_EQ(f.program, 22);
    EXPECT_FLOAT_EQ(f.kv, 70.0f);
    EXPECT_EQ(f.ma, 0.0f);
    std::printf("message ended by the byte time-out after %lld ms, %.1f s of CPU meanwhile\n",
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
    // The link was closed: the next acquisition opens it again.
    EXPECT_EQ(acquire_ok(after_lead("exposure 101 170 110 112")).program, 20);
}

TEST_F(SerialLink, EscapeReleasedBeforeTheReadDoesNotCancel) {
    press_escape();
    ::Sleep(100);
    EXPECT_EQ(acquire_ok(after_lead("exposure 104 170 110 112")).program, 23);
}

TEST_F(SerialLink, PortsThatCannotBeOpened) {
    sandbox_.set_user_text(kPano, "COM", "7");
    EXPECT_EQ(kv80_.open(), 5);
    AcquisitionRecord record{};
    EXPECT_EQ(kv80_.read(nullptr, &record), 5);  // nothing open to read from

    // COM3 is a device but not a serial line: it opens, and its line settings fail.
    sandbox_.set_user_text(kPano, "COM", "3");
    EXPECT_EQ(kv80_.open(), 5);
    EXPECT_EQ(kv80_.read(nullptr, &record), 5);
}

TEST_F(SerialLink, Kv40ReadsItsCodesAndKey) {
    Module kv40("Kv40SR.dll");
    ASSERT_TRUE(kv40.loaded());
    AcquisitionRecord record{};
    ASSERT_EQ(acquire(kv40, after_lead("exposure 104 170 110 112"), record), 0);
    const Fields f = fields(record);
    EXPECT_EQ(f.program, 27);
    EXPECT_EQ(f.width[0], 580);
    EXPECT_EQ(f.width[1], 540);
    EXPECT_EQ(stored_program(kKv40), "27");
    EXPECT_FALSE(stored_program(kKv80));
}

TEST(SerialModules, Kv40HidesMirrorAndPostProcessFromPlainLookups) {
    Module kv40("Kv40SR.dll");
    ASSERT_TRUE(kv40.loaded());
    EXPECT_EQ(kv40.lookup<void (*)()>("bHaveToMirror"), nullptr);
    EXPECT_EQ(kv40.lookup<void (*)()>("bPostProcess"), nullptr);
    using VersionFn = VersionRecord* (*)();
    const auto version = kv40.lookup<VersionFn>("pKXGetVersion");
    ASSERT_NE(version, nullptr);
    VersionRecord* record = version();
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->name, "DLL Kv40Serial");
    EXPECT_STREQ(record->version, "3.0.0.0");
    EXPECT_STREQ(record->date, "15 March 2002");
    EXPECT_EQ(record->next, nullptr);

    Module kv80("Kv80SR.dll");
    EXPECT_EQ(kv80.lookup<void (*)()>("pKXGetVersion"), nullptr);
}

TEST(SerialModules, TimingAndResolutionReadTheRegistry) {
    RegistrySandbox sandbox("NORVANE");
    Module kv80("Kv80SR.dll");
    ASSERT_TRUE(kv80.loaded());
    sandbox.set_machine_text("NORVANE\\PANO\\KV80\\PROG\\P27", "I2", "60");
    int gaps[kMaxSections];
    std::fill(std::begin(gaps), std::end(gaps), -1);
    EXPECT_EQ(kv80.timing(27, gaps), 1200);
    EXPECT_EQ(gaps[0], 20);
    EXPECT_EQ(gaps[1], 60);
    EXPECT_EQ(gaps[2], -1);

    double x = -1, y = -1;
    EXPECT_EQ(kv80.resolution(&x, &y), 0);
    EXPECT_EQ(x, -1);
    sandbox.set_user_text(kKv80, "ProgNum", "28");
    EXPECT_EQ(kv80.resolution(&x, &y), 1);
    EXPECT_DOUBLE_EQ(x, 0.104 / 1.89);
    EXPECT_DOUBLE_EQ(y, 0.104 / 1.89);
}

}  // namespace
}  // namespace np
