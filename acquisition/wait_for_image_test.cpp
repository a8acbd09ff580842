// Whole acquisitions under Wine: Scanlink_sim with the simulated card playing the
// phantom, Generic or a test adaptation installed as Panodlg.dll beside this program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "acquisition/testing/acquisition_bench.h"
#include "common/acquisition_record.h"
#include "sim/phantom/phantom_scan.h"
#include "tools/wintest/address_space_hog.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/process_handles.h"
#include "tools/wintest/registry_sandbox.h"

namespace {

using np::testing::kImageMessage;
using np::testing::kPreviewMessage;
using Message = np::testing::HostMessage;

constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kCard = "NORVANE\\SIMULATOR\\CARD";
constexpr const char* kPanodlg = "NORVANE\\SIMULATOR\\PANODLG";
constexpr const char* kConsole = "NORVANE\\SIMULATOR\\CONSOLE";

using Bench = np::testing::AcquisitionBench;

// The phantom's scene in every section and the live preview at one sixth, which reports
// the columns drawn so far.
void expect_phantom_image(const Bench& bench, bool mirrored) {
    ASSERT_NE(bench.image_message(), nullptr);
    EXPECT_EQ(bench.size(), (std::pair{2700, 1244}));
    const np::testing::DeliveredImage image(bench.image());
    ASSERT_EQ(image.width, 2700);
    ASSERT_EQ(image.height, 1244);
    np::testing::expect_sections_in_place(image, {500, 500, 500, 500, 500},
                                          np::phantom::make_sensor_model(1024),
                                          mirrored ? 622 : 621);
    // The filled molar is on the left, where the scene has it.
    const auto filling = np::phantom::filling_landmark(2700);
    EXPECT_GT(image.at(filling.column, filling.row), 240);
    EXPECT_LT(image.at(2700 - 1 - filling.column, filling.row), 230);
    const np::AcquisitionRecord record = bench.record();
    EXPECT_EQ(record.section_count, 5);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(record.sections[k].width, 500);

    const std::vector<long> columns = bench.host().preview_values();
    ASSERT_GE(columns.size(), 3u);
    // A batch of fewer than six lines may add no preview column, so a count can repeat.
    for (std::size_t i = 1; i < columns.size(); ++i)
        EXPECT_GE(columns[i], columns[i - 1]);
    EXPECT_LT(columns.front(), 450);
    EXPECT_EQ(columns.back(), 450);  // 2700 lines at 1/6
    EXPECT_EQ(bench.messages().back().message, kImageMessage);
}

TEST(PhantomAcquisition, EveryScanArrivesWholeAndInPlace) {
    struct Scan {
        int mode;
        const char* rotation;
        const char* timeout;
    };
    // A negative time-out is no time-out: the image still ends on its last line.
    for (const Scan scan :
         {Scan{1, "1", "500"}, Scan{1, "0", "500"}, Scan{2, "1", "500"}, Scan{1, "1", "-500"}}) {
        SCOPED_TRACE(testing::Message()
                     << scan.mode << " " << scan.rotation << " " << scan.timeout);
        Bench bench("Generic.dll", scan.mode);
        bench.registry().set_user_text(kPano, "Rotation", scan.rotation);
        bench.registry().set_user_text(kPano, "TimeOut", scan.timeout);
        bench.registry().set_user_dword(kCard, "LineRate", 3000);  // several live previews
        ASSERT_EQ(bench.open(), 1);
        EXPECT_EQ(bench.preview_size(), (std::pair{666, 208}));
        const HCURSOR cursor = ::GetCursor();
        ASSERT_EQ(bench.acquire(), 1);
        expect_phantom_image(bench, scan.rotation == std::string("0"));
        // Priorities and cursor are as they were.
        EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()),
                  static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
        EXPECT_EQ(::GetThreadPriority(::GetCurrentThread()), THREAD_PRIORITY_NORMAL);
        EXPECT_EQ(::GetCursor(), cursor);
    }
}

// A registry value for a test module or the simulated card: text, or the DWORD `number`.
struct Setting {
    const char* path;
    const char* name;
    const char* text;
    std::uint32_t number = 0;
};

void apply(Bench& bench, const Setting& setting) {
    if (setting.text)
        bench.registry().set_user_text(setting.path, setting.name, setting.text);
    else
        bench.registry().set_user_dword(setting.path, setting.name, setting.number);
}

// A driver that failed to open (it got as far as the card device but no further: no
// picture buffer to read) is not ready, and gives back every handle of the attempt.
TEST(AcquisitionResults, CardModuleAndOpeningFailuresReachTheHostAsCodes) {
    np::MessageBoxCapture boxes;
    struct Case {
        const char* module;
        std::vector<Setting> settings;
        int open_result;
        long code;
    };
    const char* minimal = "TestPanodlgMinimal.dll";
    for (const Case& c : {Case{minimal, {{kCard, "Status", nullptr, 0}}, 1, 7},
                          Case{minimal, {{kPanodlg, "OpenCommPort", nullptr, 7}}, 1, 6},
                          Case{minimal, {{kPanodlg, "OpenCommPort", nullptr, 3}}, 1, 1},
                          Case{minimal, {{kPanodlg, "ReadCommData", nullptr, 5}}, 1, 2},
                          Case{minimal, {{kPanodlg, "ReadCommData", nullptr, 6}}, 1, 3},
                          Case{minimal, {{kPanodlg, "ReadCommData", nullptr, 9}}, 1, 4},
                          // The end event before any line of a single section.
                          Case{minimal,
                               {{kPanodlg, "Widths", "500"},
                                {kCard, "Widths", "500"},
                                {kCard, "Fault", "end-first"}},
                               1,
                               5},
                          // The console cancels before the start.
                          Case{"TestPanodlgConsole.dll", {{kConsole, "Notify", nullptr, 1}}, 1, 4},
                          Case{minimal, {{kCard, "Fail", "IOCTL_MAP_PICT_XFER_ADD"}}, -7, 7},
                          Case{minimal, {{kCard, "Firmware", "2.00"}}, -9, 7},
                          Case{minimal, {{kPano, "BaudRatePano", nullptr, 9}}, -8, 7}}) {
        SCOPED_TRACE(testing::Message() << c.settings.back().name << " " << c.code);
        Bench bench(c.module);
        for (const Setting& setting : c.settings)
            apply(bench, setting);
        ASSERT_EQ(bench.open(), c.open_result);
        const std::size_t handles = np::count_open_handles();
        EXPECT_EQ(bench.acquire(), 0);
        EXPECT_EQ(bench.no_image_code(), c.code);
        if (c.open_result != 1) {
            EXPECT_EQ(np::count_open_handles(), handles);
        }
        bench.close();
    }
}

TEST(AcquisitionResults, NoMemoryForTheImageGivesCodeZero) {
    Bench bench("TestPanodlgMinimal.dll");
    ASSERT_EQ(bench.open(), 1);
    {
        np::AddressSpaceHog hog;
        EXPECT_EQ(bench.acquire(), 0);
    }
    EXPECT_EQ(bench.no_image_code(), 0);
    // Memory back, the driver takes the next image as usual.
    EXPECT_EQ(bench.acquire(), 1);
    EXPECT_NE(bench.image_message(), nullptr);
}

// The adaptation starves the process at the first line it reorders, so the live
// preview's display table, computed a few lines later, is refused its memory and the
// transfer ends by an exception.
TEST(AcquisitionResults, MemoryRefusedMidTransferStopsTheCardAndReportsCodeZero) {
    Bench bench("TestPanodlgFull.dll");
    bench.registry().set_user_dword(kPanodlg, "StarveAtLine", 1);
    bench.registry().set_user_dword(kCard, "LineRate", 2000);  // still scanning at the failure
    ASSERT_EQ(bench.open(), 1);
    const auto release = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("Panodlg.dll"), "TestReleaseMemory")));
    ASSERT_NE(release, nullptr);
    bench.host().on_each_message(release);
    const int result = bench.acquire();
    release();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(bench.no_image_code(), 0);
    ASSERT_FALSE(bench.messages().empty());
    // The card's feed has stopped with the watchers.
    EXPECT_LE(bench.messages().back().threads, bench.threads_before());

    bench.registry().set_user_dword(kPanodlg, "StarveAtLine", 0);
    bench.registry().set_user_dword(kCard, "LineRate", 20000);
    EXPECT_EQ(bench.acquire(), 1);
}

TEST(AcquisitionResults, AStalledFeedEndsOnTheTimeOutWithWhatArrived) {
    Bench bench("Generic.dll");
    bench.registry().set_user_text(kPano, "TimeOut", "30");  // 300 ms
    bench.registry().set_user_text(kCard, "Fault", "stall");
    bench.registry().set_user_dword(kCard, "FaultLine", 320);
    ASSERT_EQ(bench.open(), 1);
    EXPECT_EQ(bench.acquire(), 1);
    EXPECT_EQ(bench.size().first, 300);  // lines 20 .. 319
}

TEST(ConsoleAcquisition, TheModulesEndSignalFinishesWithWhatWasReceived) {
    Bench bench("TestPanodlgConsole.dll");
    // The end comes a second after the first live preview: lines have arrived, and
    // at this rate the scan is far from over, however late it started.
    bench.registry().set_user_dword(kCard, "LineRate", 500);
    bench.registry().set_user_dword(kConsole, "Then", 3);
    bench.registry().set_user_dword(kConsole, "ThenAfterPreview", 1);
    bench.registry().set_user_dword(kConsole, "ThenDelay", 1000);
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    const int width = bench.size().first;
    EXPECT_GT(width, 100);
    EXPECT_LT(width, 2700);
}

TEST(ConsoleAcquisition, EscapeDuringTheTransferStopsBothWatchersFirst) {
    Bench bench("TestPanodlgConsole.dll");
    bench.registry().set_user_dword(kCard, "LineRate", 1000);
    bench.registry().set_user_dword(kConsole, "Then", VK_ESCAPE);  // the operator presses Escape
    bench.registry().set_user_dword(kConsole, "ThenDelay", 600);
    ASSERT_EQ(bench.open(), 1);
    const int result = bench.acquire();
    ::keybd_event(VK_ESCAPE, 1, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(bench.no_image_code(), 4);
    ASSERT_FALSE(bench.messages().empty());
    // The operator's thread has ended too; the driver's watchers and the card's feed
    // must not outlive the transfer.
    EXPECT_LE(bench.messages().back().threads, bench.threads_before());
}

TEST(ConsoleAcquisition, FourSectionsPreviewAtOneEighthAndTheImageGoesToTheConsoleFirst) {
    Bench bench("TestPanodlgConsole.dll");
    bench.registry().set_user_text(kConsole, "Widths", "500,500,500,500");
    bench.registry().set_user_text(kCard, "Widths", "500,500,500,500");
    bench.registry().set_user_dword(kCard, "LineRate", 3000);
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    EXPECT_EQ(bench.preview_size(), (std::pair{500, 156}));
    // Planned 2150 columns: offset (500 - 268) / 2 = 116, announced once to the host.
    EXPECT_EQ(bench.host().preview_values(), std::vector<long>{116});
    // The drawn columns go to the console: 2150 lines at 1/8 right of the offset.
    const Message* image = bench.image_message();
    ASSERT_NE(image, nullptr);
    EXPECT_NE(image->console_log.find(" 385\n"), std::string::npos);  // 269 columns + offset 116
    EXPECT_NE(image->console_log.find("console 1624 " + std::to_string(image->wparam) + " 0\n"),
              std::string::npos)
        << image->console_log;
    EXPECT_EQ(bench.size().first, 2150);
}

}  // namespace
