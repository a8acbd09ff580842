// The kit's examples under Wine, set up as an integrator would: the example host in a
// directory of its own with Scanlink_sim.dll beside it as Scanlink.dll (the name its
// import library names) and the adaptation template as Panodlg.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "acquisition/testing/host_bench.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/test_files.h"

namespace {

using np::testing::program_directory;

struct ProgramRun {
    DWORD exit_code = 0xFFFFFFFF;
    std::string output;
    DWORD start_error = 0;
};

class ExampleHost : public ::testing::Test {
  protected:
    void SetUp() override {
        ::CreateDirectoryA(dir_.c_str(), nullptr);
        copy("example_host_a.exe", "example_host_a.exe");
        copy("example_host_lib.exe", "example_host_lib.exe");
        copy("Scanlink_sim.dll", "Scanlink.dll");
        copy("PanodlgTemplate.dll", "Panodlg.dll");
        ASSERT_TRUE(mask_.write(np::testing::mask_file_bytes()));
        np::testing::set_working_card(registry_);
    }
    void TearDown() override { ::DeleteFileA((dir_ + "\\image.bmp").c_str()); }

    void copy(const char* from, const char* to) {
        ASSERT_TRUE(::CopyFileA((program_directory() + "\\" + from).c_str(),
                                (dir_ + "\\" + to).c_str(), FALSE))
            << from;
    }

    // Runs a program of the run directory there, without a console, and collects its
    // standard output through a pipe until it has exited.
    ProgramRun run_program(const std::string& command_line) {
        ProgramRun result;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        np::UniqueHandle reader, writer;
        if (!::CreatePipe(reader.put(), writer.put(), &inherit, 0)) return result;
        ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = writer.get();
        PROCESS_INFORMATION process{};
        std::string line = dir_ + "\\" + command_line;
        if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                              nullptr, dir_.c_str(), &startup, &process)) {
            result.start_error = ::GetLastError();
            return result;
        }
        np::UniqueHandle owned_process(process.hProcess), owned_thread(process.hThread);
        writer.reset();
        auto drain = [&] {
            char buffer[512];
            DWORD available = 0, got = 0;
            while (::PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &available, nullptr) &&
                   available > 0 && ::ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr))
                result.output.append(buffer, got);
        };
        for (int waited = 0; waited < 120000; waited += 50) {
            const bool exited = ::WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0;
            drain();
            if (exited) {
                ::GetExitCodeProcess(process.hProcess, &result.exit_code);
                return result;
            }
        }
        ::TerminateProcess(process.hProcess, 99);
        return result;
    }

    std::string dir_ = program_directory() + "\\sdk_run";
    np::RegistrySandbox registry_{"NORVANE"};
    np::testing::MaskInstall mask_;
};

TEST_F(ExampleHost, TakesAnImageWithTheTemplateBoundAsAdaptation) {
    const ProgramRun run = run_program("example_host_a.exe image.bmp");
    EXPECT_EQ(run.exit_code, 0u) << run.start_error << run.output;
    // The template's geometry, exposure and pixel size, through the driver.
    for (const char* line :
         {"PANOOPEN: 1 (opened)", "image size 2550 x 1244", "preview size 666 x 208",
          "image: 2700 x 1244", "saved image.bmp: yes",
          "record: program 1, 70.0 kV, 10.0 mA, 14.00 s, 5 section(s) [0+500] [550+500] "
          "[1100+500] [1650+500] [2200+500]",
          "pixel size: 0.100 x 0.100"})
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    EXPECT_EQ(run.output.find("PANOWAITFORIMAGE: 1, 0 preview"), std::string::npos);

    const std::string file = np::testing::file_bytes((dir_ + "\\image.bmp").c_str());
    ASSERT_GT(file.size(), 54u + 1024u);
    std::int32_t width = 0, height = 0;
    std::memcpy(&width, file.data() + 18, 4);
    std::memcpy(&height, file.data() + 22, 4);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(width, 2700);
    EXPECT_EQ(height, 1244);
    EXPECT_EQ(file.size(), 14u + 40u + 1024u + 2700u * 1244u);
}

TEST_F(ExampleHost, ReportsFailuresInWordsThroughEitherImportLibrary) {
    registry_.set_user_dword(np::testing::kCardSimulatorPath, "Status", 0);
    ProgramRun run = run_program("example_host_lib.exe");
    EXPECT_EQ(run.exit_code, 1u) << run.start_error;
    EXPECT_NE(run.output.find("PANOWAITFORIMAGE: 0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("no image: 7 (the card is not ready)"), std::string::npos)
        << run.output;

    ::DeleteFileA((dir_ + "\\Panodlg.dll").c_str());
    run = run_program("example_host_a.exe");
    EXPECT_EQ(run.exit_code, 1u) << run.start_error;
    EXPECT_NE(
        run.output.find("PANOOPEN: -10 (adaptation module Panodlg.dll missing or incomplete)"),
        std::string::npos)
        << run.output;
}

}  // namespace
