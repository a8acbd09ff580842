// What an acquisition through Scanlink_sim promises the adaptation module and the host:
// the order of the module's calls and its image steps, the settings read at each
// acquisition, the raw image and its dumps, a card request refused during the start,
// and the console's notification that stands for the Escape key.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/testing/acquisition_bench.h"
#include "common/acquisition_record.h"
#include "sim/phantom/phantom_scan.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/registry_sandbox.h"

namespace {

using np::testing::HostMessage;
using np::testing::kImageMessage;
using np::testing::kPreviewMessage;
using np::testing::kRawDumps;
using np::testing::kRawImageMessage;

constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kCard = "NORVANE\\SIMULATOR\\CARD";
constexpr const char* kPanodlg = "NORVANE\\SIMULATOR\\PANODLG";
constexpr const char* kConsole = "NORVANE\\SIMULATOR\\CONSOLE";
constexpr int kLine = 1244;

using Bench = np::testing::AcquisitionBench;

// The calls of the test adaptation module while it lives, one name each, with a
// run of repeated names (bHaveToMirror) kept once.
class CallLog {
  public:
    CallLog() {
        char directory[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, directory);
        path_ = std::string(directory) + "np-contract-calls.log";
        ::DeleteFileA(path_.c_str());
        ::SetEnvironmentVariableA("NP_PANODLG_LOG", path_.c_str());
    }
    ~CallLog() {
        ::SetEnvironmentVariableA("NP_PANODLG_LOG", nullptr);
        ::DeleteFileA(path_.c_str());
    }
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    std::vector<std::string> calls() const {
        std::vector<std::string> calls;
        std::ifstream file(path_);
        for (std::string line; std::getline(file, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (calls.empty() || calls.back() != line) calls.push_back(line);
        }
        return calls;
    }

  private:
    std::string path_;
};

struct RawDump {
    bool present = false;
    std::uint32_t samples_per_line = 0;
    std::uint32_t lines = 0;
    std::vector<std::uint16_t> samples;  // everything after the two counts

    const std::uint16_t* line(int n) const { return samples.data() + std::size_t(n) * kLine; }
};

RawDump read_dump(const char* path) {
    RawDump dump;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return dump;
    dump.present = std::fread(&dump.samples_per_line, 4, 1, file) == 1 &&
                   std::fread(&dump.lines, 4, 1, file) == 1;
    std::uint16_t chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 2, 4096, file)) > 0;)
        dump.samples.insert(dump.samples.end(), chunk, chunk + n);
    std::fclose(file);
    return dump;
}

bool line_is_blank(const std::uint16_t* line) {
    for (int s = 0; s < kLine; ++s)
        if (line[s] != 0) return false;
    return true;
}

// Program 188 with bit 8 of "PostProcess": the module's post-processing paints the
// bottom 100 rows grey 100, its TMJ step adds 1 to them, and only then the driver
// inverts the logo's white pixels there (101 is dark, so they turn 255).
TEST(ContractAcquisition, TmjProgramRunsBothImageStepsInOrderUnderTheOemLogo) {
    Bench bench("TestPanodlgFull.dll");
    bench.registry().set_user_dword(kPanodlg, "Program", 188);
    bench.registry().set_user_text(kPanodlg, "Widths", "400,500,600");
    bench.registry().set_user_dword(kPanodlg, "ExposureMs", 1250);
    bench.registry().set_user_text(kCard, "Widths", "400,500,600");
    bench.registry().set_user_text(kPano, "PostProcess", "8");
    const CallLog log;
    ASSERT_EQ(bench.open(2), 1);
    ASSERT_EQ(bench.acquire(), 1);
    const np::AcquisitionRecord host_copy = bench.record();
    ASSERT_NE(host_copy.valid, 0u);

    // The image steps come after the transfer, the 8-bit steps before the TMJ
    // combination, which may rework the whole bitmap its handle names.
    EXPECT_EQ(log.calls(),
              (std::vector<std::string>{"OpenCommPort", "StartDesignDialog", "GetInfosTir",
                                        "GetTiming", "bHaveToMirror", "bPostProcess",
                                        "TraitementATM4Images", "GetExpositionTime"}));
    EXPECT_EQ(host_copy.program, 188);
    EXPECT_FLOAT_EQ(host_copy.exposure_time, 1.3f);
    ASSERT_EQ(host_copy.section_count, 3);
    const int widths[3] = {600, 500, 400}, starts[3] = {0, 650, 1200};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(host_copy.sections[k].width, widths[k]) << k;
        EXPECT_EQ(host_copy.sections[k].start, starts[k]) << k;
    }

    const np::testing::DeliveredImage image(bench.image());
    ASSERT_EQ(image.width, 1600);
    ASSERT_EQ(image.height, kLine);
    const np::testing::DriverBitmap logo = np::testing::driver_bitmap(112);
    ASSERT_EQ(logo.width, 169);
    ASSERT_EQ(logo.height, 65);
    int wrong = 0, inverted = 0;
    for (int stored = 0; stored < 100; ++stored)
        for (int column = 0; column < image.width; ++column) {
            const int x = column - (image.width - logo.width);
            const bool under_logo = stored < logo.height && x >= 0 && logo.white_at(x, stored);
            const int pixel = image.at(column, kLine - 1 - stored);
            wrong += pixel != (under_logo ? 255 : 101);
            inverted += under_logo;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(inverted, 50);
}

// "LigneHorsHisto" leaves lines of section 0 out of the contrast histogram: all 500
// of them leave no histogram, hence the plain scale that program 0 always gets.
TEST(AcquisitionSettings, LinesOutOfTheHistogramAreReadAtEachAcquisition) {
    Bench bench("TestPanodlgMinimal.dll");
    bench.registry().set_user_text(kPanodlg, "Widths", "500,500,500,500,500");
    bench.registry().set_user_text(kPano, "WithPreview", "2");
    ASSERT_EQ(bench.open(), 1);

    std::vector<std::vector<std::uint8_t>> images;
    auto take = [&](int program, const char* lines_out) {
        bench.registry().set_user_dword(kPanodlg, "Program", static_cast<std::uint32_t>(program));
        bench.registry().set_user_text(kPano, "LigneHorsHisto", lines_out);
        ASSERT_EQ(bench.acquire(), 1);
        EXPECT_EQ(bench.count(kPreviewMessage), 0) << "no live preview with WithPreview 2";
        images.push_back(bench.image());
    };
    take(20, "0");
    take(20, "500");
    take(0, "0");
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(np::testing::DeliveredImage(images[0]).width, 2700);
    EXPECT_NE(images[0], images[1]);
    EXPECT_TRUE(images[1] == images[2]);
}

// Image type 2, set after opening, hands over the raw image instead of a bitmap. A
// reverse scan shows each dump at its place: Buffer1 as the lines came, Buffer2 once
// mirrored, Buffer3 the same image the host receives.
TEST(AcquisitionSettings, ImageTypeTwoDeliversTheMirroredRawImageAsDumped) {
    Bench bench("TestPanodlgFull.dll");
    bench.registry().set_user_text(kPanodlg, "Widths", "500,500,500,500,500");
    bench.registry().set_user_dword(kPanodlg, "Mirror", 1);
    bench.registry().set_user_dword(kCard, "Rotation", 0);
    bench.registry().set_user_text(kPano, "TypePano", "1");
    ASSERT_EQ(bench.open(), 1);
    bench.registry().set_user_text(kPano, "TypePano", "2");
    ASSERT_EQ(bench.acquire(), 1);

    EXPECT_EQ(bench.count(kImageMessage), 0);
    ASSERT_EQ(bench.count(kRawImageMessage), 1);
    ASSERT_EQ(bench.messages().back().message, kRawImageMessage);
    const HostMessage& raw_message = bench.messages().back();
    EXPECT_EQ(raw_message.lparam, 0);
    ASSERT_EQ(bench.size().first, 2700);
    const auto* raw = reinterpret_cast<const std::uint16_t*>(raw_message.wparam);
    ASSERT_NE(raw, nullptr);

    const RawDump as_read = read_dump(kRawDumps[0]), mirrored = read_dump(kRawDumps[1]),
                  with_bitmap = read_dump(kRawDumps[2]);
    for (const RawDump* dump : {&as_read, &mirrored, &with_bitmap}) {
        ASSERT_TRUE(dump->present);
        EXPECT_EQ(dump->samples_per_line, 1244u);
        EXPECT_EQ(dump->lines, 2700u);
        ASSERT_EQ(dump->samples.size(), 2700u * kLine);
    }
    EXPECT_FALSE(line_is_blank(as_read.line(0)));
    EXPECT_TRUE(line_is_blank(as_read.line(500)));  // first separator column
    int misplaced = 0;
    for (int n = 0; n < 2700; ++n)
        misplaced += !std::equal(as_read.line(n), as_read.line(n) + kLine, mirrored.line(2699 - n));
    EXPECT_EQ(misplaced, 0);
    EXPECT_TRUE(with_bitmap.samples == mirrored.samples);
    EXPECT_TRUE(std::equal(mirrored.samples.begin(), mirrored.samples.end(), raw));
}

// A card request refused while the transfer starts: its box, the card stopped again
// (the stop is refused too, so that it shows), no watcher left, priorities and
// cursor as they were, and code 5 for the host.
TEST(TransferFailure, ARefusedStartRequestStopsTheCardAndGivesFive) {
    for (const char* request : {"IOCTL_START_PICT_READ", "IOCTL_READ_PICT_IN_INDEX"}) {
        SCOPED_TRACE(request);
        Bench bench("TestPanodlgMinimal.dll");
        bench.registry().set_user_dword(kCard, "Feed", 0);
        bench.registry().set_user_text(kCard, "Fail",
                                       std::string(request) + " IOCTL_STOP_PICT_READ");
        ASSERT_EQ(bench.open(), 1);
        np::MessageBoxCapture boxes;
        const HCURSOR cursor = ::GetCursor();
        EXPECT_EQ(bench.acquire(), 0);
        EXPECT_EQ(bench.no_image_code(), 5);
        std::vector<std::string> titles;
        for (const np::CapturedMessageBox& box : boxes.boxes()) {
            titles.push_back(box.title);
            EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONSTOP));
        }
        // The stop follows every refused start, a refused IOCTL_START_PICT_READ included.
        EXPECT_EQ(titles, (std::vector<std::string>{std::string("Scanlink : ") + request,
                                                    "Scanlink : IOCTL_STOP_PICT_READ"}))
            << "the card is not stopped after the refused " << request;
        ASSERT_FALSE(bench.messages().empty());
        EXPECT_LE(bench.messages().back().threads, bench.threads_before());
        EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()),
                  static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
        EXPECT_EQ(::GetThreadPriority(::GetCurrentThread()), THREAD_PRIORITY_NORMAL);
        EXPECT_EQ(::GetCursor(), cursor);
    }
}

// The console notifies a code of no meaning of its own during the transfer: the driver
// turns it into the Escape key, and the card, stalled after 100 lines with a time-out
// of a minute, could not end the transfer otherwise. Buffer1 keeps the planned length.
TEST(ConsoleNotification, AnyOtherCodeIsTheEscapeKeyAndTheFirstDumpKeepsThePlannedLength) {
    Bench bench("TestPanodlgConsole.dll");
    bench.registry().set_user_dword(kConsole, "Then", 2);
    bench.registry().set_user_dword(kConsole, "ThenDelay", 1000);
    bench.registry().set_user_dword(kConsole, "TimeoutUnits", 6000);
    bench.registry().set_user_text(kCard, "Fault", "stall");
    bench.registry().set_user_dword(kCard, "FaultLine", 100);
    ASSERT_EQ(bench.open(), 1);
    EXPECT_EQ(bench.acquire(), 0);
    EXPECT_EQ(bench.no_image_code(), 4);
    EXPECT_EQ(bench.size().first, 2700);
    EXPECT_EQ(bench.record().valid, 0u) << "no record of a failed acquisition for the host";

    const RawDump as_read = read_dump(kRawDumps[0]);
    ASSERT_TRUE(as_read.present);
    EXPECT_EQ(as_read.lines, 2700u);
    ASSERT_EQ(as_read.samples.size(), 2700u * kLine);
    // Lines 20 to 99 of the card are the most that can have been kept.
    int written_past_the_stall = 0;
    for (int n = 80; n < 2700; ++n)
        written_past_the_stall += !line_is_blank(as_read.line(n));
    EXPECT_EQ(written_past_the_stall, 0);
    EXPECT_FALSE(read_dump(kRawDumps[1]).present);
    EXPECT_FALSE(read_dump(kRawDumps[2]).present);
}

}  // namespace
