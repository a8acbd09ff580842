// Whole acquisitions as a practice takes them: PanoHost drives Scanlink_sim with Ventra
// installed as Panodlg.dll and the unit simulator on COM1. The operator's only gesture
// is the handswitch on the unit; the console, in PanoHost's process, must start the
// driver, fill the record and close when the image is in.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/testing/host_bench.h"
#include "adaptations/ventra/console/console_ids.h"
#include "adaptations/ventra/files/config_report.h"
#include "adaptations/ventra/files/event_log.h"
#include "adaptations/ventra/module/ventra_registry.h"
#include "common/acquisition_record.h"
#include "common/win32_handles.h"
#include "sim/phantom/sensor_model.h"
#include "tools/wintest/pano_host_run.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/test_files.h"
#include "tools/wintest/unit_command_line.h"
#include "tools/wintest/window_finder.h"

namespace np::ventra {
namespace {

constexpr const char* kOut = "ventra-acquisition";

// A shown dialog of `process` with the title given (any when null) that holds the
// control given (any when 0).
HWND find_in(DWORD process, const char* title, int control) {
    struct Search {
        DWORD process;
        const char* title;
        int control;
        HWND found;
    } search{process, title, control, nullptr};
    const WNDENUMPROC match = [](HWND window, LPARAM context) CALLBACK -> BOOL {
        auto& search = *reinterpret_cast<Search*>(context);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        char cls[16] = {};
        ::GetClassNameA(window, cls, sizeof cls);
        if (process != search.process || std::string(cls) != "#32770" || !testing::is_shown(window)) return TRUE;
        if (search.title && testing::window_text(window) != search.title) return TRUE;
        if (search.control && !::GetDlgItem(window, search.control)) return TRUE;
        search.found = window;
        return FALSE;
    };
    ::EnumWindows(match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Whether a window shows anything but black, read from the screen.
bool shows_an_image(HWND window) {
    RECT area{};
    if (!::GetWindowRect(window, &area)) return false;
    HDC screen = ::GetDC(nullptr);
    bool lit = false;
    for (int i = 1; i < 8 && !lit; ++i)
        for (int j = 1; j < 8 && !lit; ++j) {
            const COLORREF pixel = ::GetPixel(screen, area.left + (area.right - area.left) * i / 8,
                                              area.top + (area.bottom - area.top) * j / 8);
            lit = pixel != CLR_INVALID && (GetRValue(pixel) > 16 || GetGValue(pixel) > 16 || GetBValue(pixel) > 16);
        }
    ::ReleaseDC(nullptr, screen);
    return lit;
}

class VentraAcquisition : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(unit_.send("restore; error 0; indicators 0; maintenance off; ready on; "
                               "set 7012 46 0 0 70 0 1 1; set 7019 46 64 96 0 25"));  // 1.5 s exposure
        ASSERT_TRUE(adaptation_.install("Ventra.dll"));
        ASSERT_TRUE(::CopyFileA("NPeng.dll", "NPLang.dll", FALSE));
        ASSERT_TRUE(mask_.write(phantom::mask_file_bytes(phantom::make_sensor_model(1024))));
        testing::set_working_card(registry_);
        registry_.set_user_text(kPanoKey, "COM", "1");
        registry_.set_user_dword(kVentraKey, "Baudrate", 57600);
        registry_.set_user_text(testing::kCardSimulatorPath, "Widths", "2588");
        registry_.set_user_text(testing::kCardSimulatorPath, "Gaps", "10");
        ::CreateDirectoryA(kOut, nullptr);
        for (const char* file : {"image-1.bmp", "record-1.bin", "messages.log"})
            ::DeleteFileA((std::string(kOut) + "\\" + file).c_str());
        ::DeleteFileA(kEventLogPath);
        ::DeleteFileA(kConfigReportPath);
    }
    void TearDown() override {
        if (host_) {
            if (::WaitForSingleObject(host_.get(), 60000) != WAIT_OBJECT_0) ::TerminateProcess(host_.get(), 99);
        }
        ::DeleteFileA("NPLang.dll");
        unit_.send("restore; error 0");
    }

    // Starts PanoHost and waits for the console it shows.
    HWND start_host() {
        testing::PanoHostProcess host = testing::start_pano_host(kOut);
        if (!host.process) return nullptr;
        host_ = std::move(host.process);
        pid_ = host.id;
        HWND console = nullptr;
        testing::wait_until([&] { return (console = find_in(pid_, nullptr, IDC_KV_DISPLAY)) != nullptr; }, 30000);
        return console;
    }

    int host_exit_code() { return testing::pano_host_exit_code(host_.get()); }

    static std::string output(const char* file) { return testing::file_bytes((std::string(kOut) + "\\" + file).c_str()); }
    std::string messages() const { return output("messages.log"); }

    RegistrySandbox registry_{"NORVANE"};
    testing::UnitCommandLine unit_;
    testing::AdaptationInstall adaptation_;
    testing::MaskInstall mask_;
    UniqueHandle host_;
    DWORD pid_ = 0;
};

TEST_F(VentraAcquisition, TheHandswitchOnTheUnitBringsTheImageWithTheConsolesRecord) {
    registry_.set_user_dword(testing::kCardSimulatorPath, "LineRate", 1000);  // a scan of 2.6 s, to watch it
    const HWND console = start_host();
    ASSERT_TRUE(console);
    ASSERT_TRUE(testing::wait_until([&] { return testing::window_text(::GetDlgItem(console, IDC_KV_DISPLAY)) == "70"; }));
    unit_.send("handswitch");
    // The driver's preview reaches the console's preview window while the lines come.
    bool preview_seen = false;
    testing::wait_until(
        [&] {
            preview_seen = preview_seen || shows_an_image(::GetDlgItem(console, IDC_PREVIEW));
            return ::WaitForSingleObject(host_.get(), 0) == WAIT_OBJECT_0;
        },
        60000);
    EXPECT_TRUE(preview_seen);
    ASSERT_EQ(host_exit_code(), 0) << messages();
    EXPECT_FALSE(::IsWindow(console));

    const std::string record_bytes = output("record-1.bin");
    ASSERT_EQ(record_bytes.size(), sizeof(AcquisitionRecord));
    AcquisitionRecord record;
    std::memcpy(&record, record_bytes.data(), sizeof record);
    EXPECT_EQ(record.program, 180);
    EXPECT_FLOAT_EQ(record.kv, 70.0f);
    EXPECT_FLOAT_EQ(record.ma, 10.0f);
    EXPECT_NEAR(record.exposure_time, 1.5f, 0.001f);
    EXPECT_EQ(record.section_count, 1);
    EXPECT_EQ(record.sections[0].width, 2588);

    const std::string log = messages();
    EXPECT_NE(log.find("1625 "), std::string::npos) << log;  // the preview went to the host too
    EXPECT_FALSE(output("image-1.bmp").empty());
    const std::string report = testing::file_bytes(kConfigReportPath);
    EXPECT_NE(report.find("["), std::string::npos) << "no configuration report";
}

TEST_F(VentraAcquisition, ReleasingTheHandswitchBeforeTheExposureAbandons) {
    const HWND console = start_host();
    ASSERT_TRUE(console);
    // Released during the rotation: the unit reports it and returns to rest.
    unit_.send("handswitch; error 1; command 9");
    HWND dialog = nullptr;
    ASSERT_TRUE(testing::wait_until([&] { return (dialog = find_in(pid_, "Manipulation error", 0)) != nullptr; }));
    EXPECT_EQ(testing::window_text(::GetDlgItem(dialog, IDC_ERROR_TEXT_1)),
              "Handswitch was released before the end of exposure.");
    EXPECT_EQ(testing::window_text(::GetDlgItem(console, IDC_CODE_DISPLAY)), "E01");
    testing::press(dialog, IDOK);
    EXPECT_NE(host_exit_code(), 0);
    EXPECT_NE(messages().find("1624 wParam=0x00000000 lParam=4"), std::string::npos) << messages();
    EXPECT_NE(testing::file_bytes(kEventLogPath).find("1"), std::string::npos) << "the error is logged";
}

TEST_F(VentraAcquisition, AUnitFallingSilentDuringTheExposureDoesNotHang) {
    const HWND console = start_host();
    ASSERT_TRUE(console);
    unit_.send("handswitch");
    ASSERT_TRUE(testing::wait_until(
        [&] { return ::SendMessageA(::GetDlgItem(console, IDC_EMISSION_LAMP), BM_GETCHECK, 0, 0) == 1; }, 10000));
    unit_.send("cut");
    // The console says so while the driver finishes the image, then closes.
    EXPECT_TRUE(testing::wait_until(
        [&] {
            return !::IsWindow(console) ||
                   testing::window_text(::GetDlgItem(console, IDC_MESSAGE_DISPLAY)) == "Communication problem";
        },
        10000));
    EXPECT_EQ(host_exit_code(), 0) << messages();
}

}  // namespace
}  // namespace np::ventra
