// Whole acquisitions under Wine: Scanlink_sim with the simulated card playing the
// phantom, Generic or a test adaptation installed as Panodlg.dll beside this program.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/acquisition_record.h"
#include "sim/phantom/phantom_scan.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/address_space_hog.h"

namespace {

constexpr UINT kImageMessage = WM_USER + 600;
constexpr UINT kPreviewMessage = WM_USER + 601;
constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kCard = "NORVANE\\SIMULATOR\\CARD";
constexpr const char* kPanodlg = "NORVANE\\SIMULATOR\\PANODLG";
constexpr const char* kConsole = "NORVANE\\SIMULATOR\\CONSOLE";

struct Message {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    int threads;              // threads of this process when it arrived
    std::string console_log;  // what the console had received by then
};

std::vector<Message> g_messages;
std::vector<std::uint8_t> g_image;  // the last delivered bitmap block
int (*g_console_log)(char*, int) = nullptr;

int thread_count() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    ::CloseHandle(snapshot);
    return count;
}

LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kImageMessage || message == kPreviewMessage || message == WM_USER + 602) {
        Message m{message, wparam, lparam, message == kImageMessage ? thread_count() : 0, {}};
        if (message == kImageMessage && g_console_log) {
            char text[4096];
            if (g_console_log(text, sizeof text) < static_cast<int>(sizeof text))
                m.console_log = text;
        }
        if (message == kImageMessage && wparam) {
            const HGLOBAL block = reinterpret_cast<HGLOBAL>(wparam);
            const auto* bytes = static_cast<const std::uint8_t*>(::GlobalLock(block));
            g_image.assign(bytes, bytes + ::GlobalSize(block));
            ::GlobalUnlock(block);
            ::GlobalFree(block);
        }
        g_messages.push_back(m);
        return 0;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

std::string program_directory() {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\'));
}

std::string mask_path() {
    char directory[MAX_PATH];
    ::GetSystemDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\PANO.MSK";
}

// One driver, one adaptation, one phantom: installed on construction, removed after.
class Bench {
  public:
    Bench(const char* adaptation, int mode = 1) : registry_("NORVANE"), mode_(mode) {
        panodlg_ = program_directory() + "\\Panodlg.dll";
        EXPECT_TRUE(::CopyFileA((program_directory() + "\\" + adaptation).c_str(), panodlg_.c_str(),
                                FALSE));
        std::ifstream previous(mask_path(), std::ios::binary);
        previous_mask_.assign(std::istreambuf_iterator<char>(previous), {});
        const auto model = np::phantom::make_sensor_model(mode == 2 ? 4096 : 1024);
        const auto mask = np::phantom::mask_file_bytes(model);
        std::ofstream(mask_path(), std::ios::binary)
            .write(reinterpret_cast<const char*>(mask.data()),
                   static_cast<std::streamsize>(mask.size()));
        registry_.set_user_dword(kPano, "BaudRatePano", 1);
        registry_.set_user_dword(kPano, "TimeoutPano", 100);
        registry_.set_user_dword(kPano, "BaudRateOrvix", 1);
        registry_.set_user_dword(kPano, "ModeOrvix", static_cast<std::uint32_t>(mode));
        registry_.set_user_dword(kCard, "LineRate", 20000);
        WNDCLASSA window_class{};
        window_class.lpfnWndProc = host_procedure;
        window_class.hInstance = ::GetModuleHandleA(nullptr);
        window_class.lpszClassName = "NpAcquisitionTestHost";
        ::RegisterClassA(&window_class);
        window_ = ::CreateWindowA(window_class.lpszClassName, "host", WS_OVERLAPPED, 0, 0, 100, 100,
                                  nullptr, nullptr, window_class.hInstance, nullptr);
        g_messages.clear();
        g_image.clear();
    }
    ~Bench() {
        if (opened_) close_();
        g_console_log = nullptr;
        module_.reset();
        ::DestroyWindow(window_);
        ::DeleteFileA(panodlg_.c_str());
        if (previous_mask_.empty())
            ::DeleteFileA(mask_path().c_str());
        else
            std::ofstream(mask_path(), std::ios::binary)
                .write(previous_mask_.data(), static_cast<std::streamsize>(previous_mask_.size()));
    }

    np::RegistrySandbox& registry() { return registry_; }

    int open() {
        module_.reset(::LoadLibraryA("Scanlink_sim.dll"));
        if (!module_) return -100;
        resolve("PANOOPEN", open_);
        resolve("PANOCLOSE", close_);
        resolve("PANOWAITFORIMAGE", wait_);
        resolve("PANOSIZE", size_);
        resolve("PANOPREVIEWSIZE", preview_size_);
        resolve("PANOGETCOMMDATA", comm_data_);
        HMODULE console = ::GetModuleHandleA("Panodlg.dll");
        g_console_log = console ? reinterpret_cast<int (*)(char*, int)>(reinterpret_cast<void*>(
                                      ::GetProcAddress(console, "TestConsoleLog")))
                                : nullptr;
        const int result = open_(window_, "test", 0);
        opened_ = result == 1;
        if (opened_ && !g_console_log) {
            console = ::GetModuleHandleA("Panodlg.dll");
            if (console)
                g_console_log = reinterpret_cast<int (*)(char*, int)>(
                    reinterpret_cast<void*>(::GetProcAddress(console, "TestConsoleLog")));
        }
        return result;
    }
    int acquire() {
        g_messages.clear();
        g_image.clear();
        threads_before_ = thread_count();
        return wait_();
    }
    std::pair<int, int> size() const {
        int w = 0, h = 0;
        size_(&w, &h);
        return {w, h};
    }
    std::pair<int, int> preview_size() const {
        int w = 0, h = 0;
        preview_size_(&w, &h);
        return {w, h};
    }
    np::AcquisitionRecord record() const {
        np::AcquisitionRecord record{};
        comm_data_(&record);
        return record;
    }
    // lParam of the single no-image message, or -1.
    long no_image_code() const {
        const Message* last = nullptr;
        for (const Message& m : g_messages)
            if (m.message == kImageMessage) last = &m;
        return last && last->wparam == 0 ? static_cast<long>(last->lparam) : -1;
    }
    const Message* image_message() const {
        for (const Message& m : g_messages)
            if (m.message == kImageMessage && m.wparam) return &m;
        return nullptr;
    }
    int threads_before() const { return threads_before_; }
    HWND window() const { return window_; }

  private:
    template <typename T>
    void resolve(const char* name, T& function) {
        function =
            reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), name)));
        ASSERT_NE(function, nullptr) << name;
    }
    struct ModuleFree {
        void operator()(HMODULE module) const { ::FreeLibrary(module); }
    };

    np::RegistrySandbox registry_;
    int mode_;
    std::string panodlg_;
    std::vector<char> previous_mask_;
    HWND window_ = nullptr;
    std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree> module_;
    bool opened_ = false;
    int threads_before_ = 0;
    int (*open_)(HWND, const char*, short) = nullptr;
    void (*close_)() = nullptr;
    int (*wait_)() = nullptr;
    void (*size_)(int*, int*) = nullptr;
    void (*preview_size_)(int*, int*) = nullptr;
    int (*comm_data_)(np::AcquisitionRecord*) = nullptr;
};

// The delivered bitmap: pixel at image column c, display row s (0 = top).
struct Delivered {
    int width = 0, height = 0, stride = 0;
    const std::uint8_t* pixels = nullptr;
    explicit Delivered(const std::vector<std::uint8_t>& block) {
        if (block.size() < 40 + 1024) return;
        std::memcpy(&width, block.data() + 4, 4);
        std::memcpy(&height, block.data() + 8, 4);
        stride = (width + 3) & ~3;
        pixels = block.data() + 40 + 1024;
    }
    int at(int column, int row) const {
        return pixels[std::size_t(height - 1 - row) * stride + column];
    }
};

bool in_section_gap(int column) {
    for (int k = 1; k < 5; ++k)
        if (column >= 550 * k - 50 - 1 && column <= 550 * k) return true;
    return false;
}

// Correlation of the delivered image with the scene over the live area: no section
// gaps, no seam, no dead positions, no logo, no border.
double scene_correlation(const Delivered& image, const np::phantom::Scene& scene, bool mirrored) {
    const auto model = np::phantom::make_sensor_model(1024);
    const int seam = mirrored ? 622 : 621;
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, n = 0;
    for (int row = 2; row < 1242; row += 2) {
        if (std::abs(row - seam) <= 2) continue;
        bool near_dead = false;
        for (int dead : model.dead_positions)
            near_dead |= std::abs(row - dead) <= 1;
        if (near_dead) continue;
        for (int column = 2; column < image.width - 2; column += 3) {
            if (in_section_gap(column) || (row > 1180 && column > image.width - 60)) continue;
            const double x = scene.at(column, row), y = image.at(column, row);
            sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y, n += 1;
        }
    }
    const double cov = sxy / n - sx / n * sy / n;
    return cov / std::sqrt((sxx / n - sx / n * sx / n) * (syy / n - sy / n * sy / n));
}

const np::phantom::Scene& scene() {
    static const np::phantom::Scene s = np::phantom::make_panoramic_scene(2700, 1);
    return s;
}

void expect_phantom_image(const Bench& bench, bool mirrored) {
    ASSERT_NE(bench.image_message(), nullptr);
    EXPECT_EQ(bench.size(), (std::pair{2700, 1244}));
    const Delivered image(g_image);
    ASSERT_EQ(image.width, 2700);
    ASSERT_EQ(image.height, 1244);
    EXPECT_GT(scene_correlation(image, scene(), mirrored), 0.99);
    // The filled molar is on the left, where the scene has it.
    const auto filling = np::phantom::filling_landmark(2700);
    EXPECT_GT(image.at(filling.column, filling.row), 240);
    EXPECT_LT(image.at(2700 - 1 - filling.column, filling.row), 230);
    const np::AcquisitionRecord record = bench.record();
    EXPECT_EQ(record.section_count, 5);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(record.sections[k].width, 500);
}

TEST(PhantomAcquisition, TenBitForwardScanArrivesWholeAndInPlace) {
    Bench bench("Generic.dll");
    bench.registry().set_user_text(kPano, "Rotation", "1");
    ASSERT_EQ(bench.open(), 1);
    EXPECT_EQ(bench.preview_size(), (std::pair{666, 208}));
    const HCURSOR cursor = ::GetCursor();
    ASSERT_EQ(bench.acquire(), 1);
    expect_phantom_image(bench, false);
    // Priorities and cursor are as they were.
    EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(::GetThreadPriority(::GetCurrentThread()), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(::GetCursor(), cursor);
}

TEST(PhantomAcquisition, ReverseScanIsMirroredBackIntoPlace) {
    Bench bench("Generic.dll");
    bench.registry().set_user_text(kPano, "Rotation", "0");
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    expect_phantom_image(bench, true);
}

TEST(PhantomAcquisition, TwelveBitScanFindsItsSectionsFromTheMarkers) {
    Bench bench("Generic.dll", 2);
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    expect_phantom_image(bench, false);
}

TEST(PhantomAcquisition, LivePreviewAtOneSixthReportsTheColumnsDrawn) {
    Bench bench("Generic.dll");
    bench.registry().set_user_dword(kCard, "LineRate", 3000);
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    std::vector<long> columns;
    for (const Message& m : g_messages)
        if (m.message == kPreviewMessage) columns.push_back(static_cast<long>(m.lparam));
    ASSERT_GE(columns.size(), 3u);
    // A batch of fewer than six lines may add no preview column, so a count can repeat.
    for (std::size_t i = 1; i < columns.size(); ++i)
        EXPECT_GE(columns[i], columns[i - 1]);
    EXPECT_LT(columns.front(), 450);
    EXPECT_EQ(columns.back(), 450);  // 2700 lines at 1/6
    EXPECT_EQ(g_messages.back().message, kImageMessage);
}

TEST(AcquisitionResults, CardAndModuleFailuresReachTheHostAsCodes) {
    struct Case {
        const char* path;
        const char* name;
        std::uint32_t value;
        long code;
    };
    for (const Case& c :
         {Case{kCard, "Status", 0, 7}, Case{kPanodlg, "OpenCommPort", 7, 6},
          Case{kPanodlg, "OpenCommPort", 3, 1}, Case{kPanodlg, "ReadCommData", 5, 2},
          Case{kPanodlg, "ReadCommData", 6, 3}, Case{kPanodlg, "ReadCommData", 9, 4}}) {
        Bench bench("TestPanodlgMinimal.dll");
        bench.registry().set_user_dword(c.path, c.name, c.value);
        ASSERT_EQ(bench.open(), 1);
        EXPECT_EQ(bench.acquire(), 0) << c.name << " " << c.value;
        EXPECT_EQ(bench.no_image_code(), c.code) << c.name << " " << c.value;
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

TEST(AcquisitionResults, TheEndEventBeforeAnyLineOfASingleSectionFails) {
    Bench bench("TestPanodlgMinimal.dll");
    bench.registry().set_user_text(kPanodlg, "Widths", "500");
    bench.registry().set_user_text(kCard, "Widths", "500");
    bench.registry().set_user_text(kCard, "Fault", "end-first");
    ASSERT_EQ(bench.open(), 1);
    EXPECT_EQ(bench.acquire(), 0);
    EXPECT_EQ(bench.no_image_code(), 5);
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

TEST(AcquisitionResults, TwelveBitResynchronisesOnACorruptControlField) {
    Bench bench("Generic.dll", 2);
    bench.registry().set_user_text(kCard, "Fault", "bad-control");
    bench.registry().set_user_dword(kCard, "FaultLine", 700);
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    // The bad line and the one whose marker word resynchronised the stream are lost.
    EXPECT_EQ(bench.size().first, 2698);
    const np::AcquisitionRecord record = bench.record();
    ASSERT_EQ(record.section_count, 5);
    int widths = 0;
    for (int k = 0; k < 5; ++k)
        widths += record.sections[k].width;
    EXPECT_EQ(widths, 2498);
}

TEST(AcquisitionResults, TwelveBitLinesPastTheRawBufferFailTheTransfer) {
    Bench bench("Generic.dll", 2);
    // Four marked sections of 1000 lines need 4150 columns with their separators.
    bench.registry().set_user_text(kCard, "Widths", "1000,1000,1000,1000");
    bench.registry().set_user_text(kPano, "TimeOut", "50");
    ASSERT_EQ(bench.open(), 1);
    EXPECT_EQ(bench.acquire(), 0);
    EXPECT_EQ(bench.no_image_code(), 5);
}

TEST(ConsoleAcquisition, StartDeliversToTheConsoleFirst) {
    Bench bench("TestPanodlgConsole.dll");
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    const Message* image = bench.image_message();
    ASSERT_NE(image, nullptr);
    EXPECT_NE(image->console_log.find("console 1624 " + std::to_string(image->wparam) + " 0\n"),
              std::string::npos)
        << image->console_log;
    EXPECT_EQ(bench.size().first, 2700);
}

TEST(ConsoleAcquisition, CancelBeforeTheStartGivesFour) {
    Bench bench("TestPanodlgConsole.dll");
    bench.registry().set_user_dword(kConsole, "Notify", 1);
    ASSERT_EQ(bench.open(), 1);
    EXPECT_EQ(bench.acquire(), 0);
    EXPECT_EQ(bench.no_image_code(), 4);
}

TEST(ConsoleAcquisition, TheModulesEndSignalFinishesWithWhatWasReceived) {
    Bench bench("TestPanodlgConsole.dll");
    // Rendering the phantom for a new card configuration takes a moment at the start.
    bench.registry().set_user_dword(kCard, "LineRate", 500);
    bench.registry().set_user_dword(kConsole, "Then", 3);
    bench.registry().set_user_dword(kConsole, "ThenDelay", 2500);
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
    ASSERT_FALSE(g_messages.empty());
    // The operator's thread has ended too; the driver's watchers and the card's feed
    // must not outlive the transfer.
    EXPECT_LE(g_messages.back().threads, bench.threads_before());
}

TEST(ConsoleAcquisition, FourSectionsPreviewAtOneEighthCentred) {
    Bench bench("TestPanodlgConsole.dll");
    bench.registry().set_user_text(kConsole, "Widths", "500,500,500,500");
    bench.registry().set_user_text(kCard, "Widths", "500,500,500,500");
    bench.registry().set_user_dword(kCard, "LineRate", 3000);
    ASSERT_EQ(bench.open(), 1);
    ASSERT_EQ(bench.acquire(), 1);
    EXPECT_EQ(bench.preview_size(), (std::pair{500, 156}));
    // Planned 2150 columns: offset (500 - 268) / 2 = 116, announced once to the host.
    std::vector<long> to_host;
    for (const Message& m : g_messages)
        if (m.message == kPreviewMessage) to_host.push_back(static_cast<long>(m.lparam));
    EXPECT_EQ(to_host, std::vector<long>{116});
    // The drawn columns go to the console: 2150 lines at 1/8 right of the offset.
    const Message* image = bench.image_message();
    ASSERT_NE(image, nullptr);
    EXPECT_NE(image->console_log.find(" " + std::to_string(269 + 116) + "\n"), std::string::npos);
    EXPECT_EQ(bench.size().first, 2150);
}

}  // namespace
