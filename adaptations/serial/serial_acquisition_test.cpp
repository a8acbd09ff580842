// Whole acquisitions with Kv80SR as Panodlg.dll: the unit simulator reports an
// exposure on COM1 (commands go to it on COM2, see tools/wine-kvunit), Scanlink_sim's
// simulated card plays the phantom in the line layout of that program, and the image
// must come out with the program's sections, each in its place.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "common/acquisition_record.h"
#include "common/win32_handles.h"
#include "sim/phantom/phantom_scan.h"
#include "adaptations/serial/unit_simulator_client.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

using testing::EscapeLater;
using testing::UnitCommands;

constexpr UINT kImageMessage = WM_USER + 600;
constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kKv80 = "NORVANE\\PANO\\KV80";
constexpr const char* kCard = "NORVANE\\SIMULATOR\\CARD";
// A scan that never reaches its end is cancelled with Escape after this long, so that
// the test fails instead of hanging (the driver's first wait has no time limit).
constexpr auto kRescueAfter = std::chrono::seconds(60);

// What the host window received: the single image message and its bitmap.
struct HostInbox {
    int image_messages = 0;
    long code = -1;  // lParam of a message without an image
    std::vector<std::uint8_t> bitmap;
};
HostInbox g_inbox;

LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != kImageMessage) return ::DefWindowProcA(window, message, wparam, lparam);
    ++g_inbox.image_messages;
    if (!wparam) {
        g_inbox.code = static_cast<long>(lparam);
        return 0;
    }
    const HGLOBAL block = reinterpret_cast<HGLOBAL>(wparam);
    const auto* bytes = static_cast<const std::uint8_t*>(::GlobalLock(block));
    g_inbox.bitmap.assign(bytes, bytes + ::GlobalSize(block));
    ::GlobalUnlock(block);
    ::GlobalFree(block);
    return 0;
}

std::string program_directory() {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\'));
}

std::string mask_path() {
    char directory[MAX_PATH];
    ::GetSystemDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\" + phantom::kMaskFileName;
}

std::string number_list(const std::vector<int>& values) {
    std::string text;
    for (int v : values) {
        if (!text.empty()) text.push_back(',');
        text.append(std::to_string(v));
    }
    return text;
}

const phantom::SensorModel& sensor_model(int mode) {
    static const phantom::SensorModel ten_bit = phantom::make_sensor_model(1024);
    static const phantom::SensorModel twelve_bit = phantom::make_sensor_model(4096);
    return mode == 2 ? twelve_bit : ten_bit;
}

// One exposure as the unit reports it and the layout its program has on the sensor.
struct Exposure {
    const char* name;
    int program_code;            // the 'O' value the unit sends
    const char* stored_program;  // "ProgNum" before the exposure, or null
    int program;                 // what the record must say
    std::vector<int> widths;     // section widths of the program
    std::vector<int> gaps;       // line pairs the sensor delivers before each section
    int mode = 1;                // card transfer mode: 1 10-bit, 2 12-bit with markers
};

void PrintTo(const Exposure& exposure, std::ostream* out) {
    *out << exposure.name;
}

// The driver with Kv80SR installed as its adaptation, the phantom's mask in place and
// the simulated card set to scan the exposure's layout.
class Kv80Bench {
  public:
    explicit Kv80Bench(const Exposure& exposure) : registry_("NORVANE") {
        panodlg_ = program_directory() + "\\Panodlg.dll";
        installed_ =
            ::CopyFileA((program_directory() + "\\Kv80SR.dll").c_str(), panodlg_.c_str(), FALSE);
        std::ifstream previous(mask_path(), std::ios::binary);
        previous_mask_.assign(std::istreambuf_iterator<char>(previous), {});
        const auto mask = phantom::mask_file_bytes(sensor_model(exposure.mode));
        std::ofstream(mask_path(), std::ios::binary)
            .write(reinterpret_cast<const char*>(mask.data()),
                   static_cast<std::streamsize>(mask.size()));

        registry_.set_user_text(kPano, "COM", "1");
        registry_.set_user_dword(kPano, "BaudRatePano", 1);
        registry_.set_user_dword(kPano, "TimeoutPano", 100);
        registry_.set_user_dword(kPano, "BaudRateOrvix", 1);
        registry_.set_user_dword(kPano, "ModeOrvix", static_cast<std::uint32_t>(exposure.mode));
        if (exposure.stored_program)
            registry_.set_user_text(kKv80, "ProgNum", exposure.stored_program);
        // Kv80SR rearranges forward and never mirrors: the unit scans forward.
        registry_.set_user_dword(kCard, "Rotation", 1);
        registry_.set_user_dword(kCard, "LineRate", 20000);
        registry_.set_user_text(kCard, "Widths", number_list(exposure.widths));
        registry_.set_user_text(kCard, "Gaps", number_list(exposure.gaps));

        WNDCLASSA window_class{};
        window_class.lpfnWndProc = host_procedure;
        window_class.hInstance = ::GetModuleHandleA(nullptr);
        window_class.lpszClassName = "NpKv80AcquisitionHost";
        ::RegisterClassA(&window_class);
        window_ = ::CreateWindowA(window_class.lpszClassName, "host", WS_OVERLAPPED, 0, 0, 100, 100,
                                  nullptr, nullptr, window_class.hInstance, nullptr);
        g_inbox = {};
    }
    ~Kv80Bench() {
        if (opened_) close_();
        driver_.reset();
        ::DestroyWindow(window_);
        ::DeleteFileA(panodlg_.c_str());
        if (previous_mask_.empty())
            ::DeleteFileA(mask_path().c_str());
        else
            std::ofstream(mask_path(), std::ios::binary)
                .write(previous_mask_.data(), static_cast<std::streamsize>(previous_mask_.size()));
    }
    Kv80Bench(const Kv80Bench&) = delete;
    Kv80Bench& operator=(const Kv80Bench&) = delete;

    bool open() {
        if (!installed_) return false;
        driver_.reset(::LoadLibraryA("Scanlink_sim.dll"));
        if (!driver_) return false;
        open_ = lookup<int (*)(HWND, const char*, short)>("PANOOPEN");
        close_ = lookup<void (*)()>("PANOCLOSE");
        wait_ = lookup<int (*)()>("PANOWAITFORIMAGE");
        size_ = lookup<void (*)(int*, int*)>("PANOSIZE");
        comm_data_ = lookup<int (*)(AcquisitionRecord*)>("PANOGETCOMMDATA");
        if (!open_ || !close_ || !wait_ || !size_ || !comm_data_) return false;
        opened_ = open_(window_, "test", 0) == 1;
        return opened_;
    }
    int acquire() { return wait_(); }
    int image_width() const {
        int width = 0, height = 0;
        size_(&width, &height);
        return width;
    }
    AcquisitionRecord record() const {
        AcquisitionRecord record{};
        comm_data_(&record);
        return record;
    }

  private:
    template <typename Fn>
    Fn lookup(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(driver_.get(), name)));
    }

    RegistrySandbox registry_;
    std::string panodlg_;
    bool installed_ = false;
    std::vector<char> previous_mask_;
    HWND window_ = nullptr;
    UniqueModule driver_;
    bool opened_ = false;
    int (*open_)(HWND, const char*, short) = nullptr;
    void (*close_)() = nullptr;
    int (*wait_)() = nullptr;
    void (*size_)(int*, int*) = nullptr;
    int (*comm_data_)(AcquisitionRecord*) = nullptr;
};

// The delivered bitmap: pixel at image column c, display row r (0 = top).
struct Delivered {
    int width = 0, height = 0, stride = 0;
    const std::uint8_t* pixels = nullptr;
    explicit Delivered(const std::vector<std::uint8_t>& block) {
        if (block.size() < 40 + 1024) return;
        std::memcpy(&width, block.data() + 4, 4);
        std::memcpy(&height, block.data() + 8, 4);
        stride = (width + 3) & ~3;
        if (block.size() < 40 + 1024 + std::size_t(stride) * std::abs(height)) width = height = 0;
        pixels = block.data() + 40 + 1024;
    }
    int at(int column, int row) const {
        return pixels[std::size_t(height - 1 - row) * stride + column];
    }
};

// Correlation of image columns [first, last] with the scene shifted by `shift`
// columns, over the rows the sensor sees cleanly (no seam, no dead positions, no logo).
double section_correlation(const Delivered& image, const phantom::Scene& scene,
                           const phantom::SensorModel& model, int first, int last, int shift) {
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, n = 0;
    for (int row = 2; row < 1242; row += 3) {
        if (std::abs(row - 621) <= 2) continue;
        bool near_dead = false;
        for (int dead : model.dead_positions)
            near_dead |= std::abs(row - dead) <= 1;
        if (near_dead) continue;
        for (int column = first; column <= last; column += 2) {
            const int source = column + shift;
            if (source < 0 || source >= scene.columns) continue;
            if (row > 1180 && column > image.width - 60) continue;
            const double x = scene.at(source, row), y = image.at(column, row);
            sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y, n += 1;
        }
    }
    const double cov = sxy / n - sx / n * sy / n;
    return cov / std::sqrt((sxx / n - sx / n * sx / n) * (syy / n - sy / n * sy / n));
}

// Each section of the image (widths from the left edge) shows its part of the scene,
// and in exactly its place: a section window off by a line would shift the section
// against the scene.
void expect_sections_in_place(const Delivered& image, const std::vector<int>& widths,
                              const phantom::SensorModel& model) {
    int columns = -kSectionGap;
    for (int w : widths)
        columns += w + kSectionGap;
    const phantom::Scene scene = phantom::make_panoramic_scene(columns, 1);
    int start = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        const int first = start + 4, last = start + widths[k] - 5;
        const double in_place = section_correlation(image, scene, model, first, last, 0);
        EXPECT_GT(in_place, 0.99) << "section " << k;
        for (int shift : {-3, -2, -1, 1, 2, 3})
            EXPECT_GT(in_place, section_correlation(image, scene, model, first, last, shift))
                << "section " << k << " fits the scene better shifted by " << shift;
        start += widths[k] + kSectionGap;
    }
}

class Kv80Acquisition : public ::testing::TestWithParam<Exposure> {};

TEST_P(Kv80Acquisition, ImageHasTheSectionsOfTheReportedProgram) {
    const Exposure& exposure = GetParam();
    Kv80Bench bench(exposure);
    ASSERT_TRUE(bench.open());
    UnitCommands unit;
    ASSERT_TRUE(unit.ready()) << "COM2 is not mapped to the unit simulator";
    // The pause lets the module open and flush its port before the frames come.
    ASSERT_TRUE(
        unit.send("wait 600;exposure " + std::to_string(exposure.program_code) + " 170 110 112"));

    EscapeLater rescue(kRescueAfter);
    const int result = bench.acquire();
    rescue.disarm();
    ASSERT_FALSE(rescue.pressed()) << "the acquisition did not end by itself";
    ASSERT_EQ(result, 1) << "code " << g_inbox.code;
    EXPECT_EQ(g_inbox.image_messages, 1);

    // The host's copy lists the sections as they lie in the image, from its left edge:
    // a forward scan puts the first section acquired at the right.
    const std::vector<int> image_widths(exposure.widths.rbegin(), exposure.widths.rend());
    const AcquisitionRecord record = bench.record();
    const int count = static_cast<int>(image_widths.size());
    EXPECT_EQ(record.program, exposure.program);
    EXPECT_FLOAT_EQ(record.kv, 70.0f);
    EXPECT_FLOAT_EQ(record.ma, 10.0f);
    EXPECT_FLOAT_EQ(record.exposure_time, 12.0f);
    ASSERT_EQ(record.section_count, count);
    int start = 0;
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(record.sections[k].start, start) << k;
        EXPECT_EQ(record.sections[k].width, image_widths[k]) << k;
        start += image_widths[k] + kSectionGap;
    }
    const int planned = start - kSectionGap;

    // The card played the layout the module's gaps describe.
    const auto timing = reinterpret_cast<int (*)(int, int*)>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("Panodlg.dll"), "GetTiming")));
    ASSERT_NE(timing, nullptr);
    int gaps[kMaxSections] = {};
    timing(exposure.program, gaps);
    EXPECT_TRUE(std::equal(exposure.gaps.begin(), exposure.gaps.end(), gaps));

    EXPECT_EQ(bench.image_width(), planned);
    const Delivered image(g_inbox.bitmap);
    ASSERT_EQ(image.width, planned);
    ASSERT_EQ(image.height, 1244);
    expect_sections_in_place(image, image_widths, sensor_model(exposure.mode));
}

INSTANTIATE_TEST_SUITE_P(
    Programs, Kv80Acquisition,
    ::testing::Values(
        Exposure{"Standard20", 101, nullptr, 20, {2300}, {10}},
        Exposure{"ThreeSections29", 110, nullptr, 29, {450, 550, 550}, {10, 100, 100}},
        Exposure{"FirstTmj27", 108, "33", 27, {520, 520}, {20, 40}},
        Exposure{"SecondTmj33", 108, "27", 33, {510, 510}, {10, 700}},
        // 12-bit: the sections come from the card's markers, not the gaps.
        Exposure{"ThreeSections29TwelveBit", 110, nullptr, 29, {450, 550, 550}, {10, 100, 100}, 2}),
    [](const ::testing::TestParamInfo<Exposure>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace np
