// The test adaptation module itself: what other tests rely on it to do.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "common/adaptation_contract.h"
#include "common/win32_handles.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

constexpr const char* kConfig = "NORVANE\\SIMULATOR\\PANODLG";

template <typename Fn>
Fn entry(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

std::atomic<int> g_notified{-1};
void remember(int code) {
    g_notified = code;
}

class TestPanodlg : public ::testing::Test {
  protected:
    RegistrySandbox sandbox_{"NORVANE"};
};

TEST_F(TestPanodlg, FillsTheRecordAndTimingFromItsSettings) {
    sandbox_.set_user_dword(kConfig, "Program", 27);
    sandbox_.set_user_text(kConfig, "Widths", "520,600");
    sandbox_.set_user_text(kConfig, "Gaps", "20,35");
    sandbox_.set_user_dword(kConfig, "TimeoutUnits", 1200);
    UniqueModule module(::LoadLibraryA("TestPanodlgFull.dll"));
    ASSERT_TRUE(module);

    AcquisitionRecord record{};
    ASSERT_EQ(entry<contract::ReadCommDataFn>(module.get(), "ReadCommData")(nullptr, &record), 0);
    EXPECT_EQ(record.program, 27);
    EXPECT_NE(record.valid, 0u);
    EXPECT_EQ(record.section_count, 2);
    EXPECT_EQ(record.sections[1].start, 570);
    EXPECT_EQ(record.sections[1].width, 600);

    int gaps[kMaxSections] = {};
    EXPECT_EQ(entry<contract::GetTimingFn>(module.get(), "GetTiming")(27, gaps), 1200);
    EXPECT_EQ(gaps[0], 20);
    EXPECT_EQ(gaps[1], 35);
    EXPECT_EQ(gaps[2], 0);

    sandbox_.set_user_dword(kConfig, "ReadCommData", 5);
    EXPECT_EQ(entry<contract::ReadCommDataFn>(module.get(), "ReadCommData")(nullptr, &record), 5);
}

TEST_F(TestPanodlg, ConsoleSignalsItsCodeAndSurvivesAnEarlyUnload) {
    sandbox_.set_user_dword(kConfig, "Notify", 1);
    UniqueModule module(::LoadLibraryA("TestPanodlgFull.dll"));
    ASSERT_TRUE(module);
    HWND console = reinterpret_cast<HWND>(1);
    g_notified = -1;
    entry<contract::StartDesignDialogFn>(module.get(), "StartDesignDialog")(nullptr, &console,
                                                                            remember);
    EXPECT_EQ(console, nullptr);
    module.reset();  // the notifying thread keeps the module until it is done
    for (int i = 0; i < 100 && g_notified < 0; ++i)
        ::Sleep(10);
    EXPECT_EQ(g_notified, 1);
}

TEST_F(TestPanodlg, LogsEveryCallWhenAsked) {
    char directory[MAX_PATH];
    ::GetTempPathA(MAX_PATH, directory);
    const std::string log = std::string(directory) + "np_panodlg_test.log";
    ::DeleteFileA(log.c_str());
    ::SetEnvironmentVariableA("NP_PANODLG_LOG", log.c_str());
    {
        UniqueModule module(::LoadLibraryA("TestPanodlgFull.dll"));
        entry<contract::OpenCommPortFn>(module.get(), "OpenCommPort")();
        entry<contract::NCanCombineAtmFn>(module.get(), "nCanCombineATM")(1, 2);
    }
    ::SetEnvironmentVariableA("NP_PANODLG_LOG", nullptr);
    std::ifstream file(log);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "OpenCommPort\nnCanCombineATM\n");
    file.close();
    ::DeleteFileA(log.c_str());
}

}  // namespace
}  // namespace np
