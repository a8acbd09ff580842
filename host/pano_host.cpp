// PanoHost: a small host application of the kind integrators write. It loads the
// acquisition driver by name, opens it on a window of its own, takes N images and
// closes, logging every message the driver sends and saving what it delivers:
//   DIR\messages.log, DIR\image-K.bmp, DIR\preview-K.bmp, DIR\raw-K.raw, DIR\record-K.bin
// Without --out, DIR is a folder beside the program, never the current folder, which
// is often a source tree.
// One line per step goes to standard output in key=value form; the exit code is 0
// only when every step succeeded.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/acquisition_record.h"
#include "common/sensor_lines.h"
#include "common/win32_handles.h"
#include "host/host_files.h"

namespace {

constexpr UINT kImageMessage = WM_USER + 600;     // 1624
constexpr UINT kPreviewMessage = WM_USER + 601;   // 1625
constexpr UINT kRawImageMessage = WM_USER + 602;  // 1626
constexpr const char* kWindowClass = "PanoHostWindow";
constexpr const char* kDefaultOutFolder = "PanoHost-out";

struct DriverExports {
    int (*open)(HWND, const char*, short) = nullptr;
    void (*close)() = nullptr;
    int (*wait_for_image)() = nullptr;
    void (*size)(int*, int*) = nullptr;
    int (*get_comm_data)(np::AcquisitionRecord*) = nullptr;
};

// What the window procedure saw during one PANOWAITFORIMAGE.
struct Acquisition {
    int index = 0;
    bool image_message = false;
    bool delivered = false;  // a bitmap or the raw image
    long code = -1;          // lParam of a no-image message
    std::vector<std::uint8_t> last_preview;
    LARGE_INTEGER image_time{};
};

struct Host {
    np::host::Options options;
    DriverExports driver;
    std::FILE* log = nullptr;
    Acquisition current;
};

Host* g_host = nullptr;

std::string path_in_out(const std::string& name) {
    return g_host->options.out_dir + "\\" + name;
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::vector<std::uint8_t> copy_global(HGLOBAL handle) {
    if (!handle) return {};
    const SIZE_T size = ::GlobalSize(handle);
    np::GlobalLock<> lock(handle);
    if (!lock || size == 0) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(lock.get());
    return {bytes, bytes + size};
}

void on_image(WPARAM wparam, LPARAM lparam) {
    Acquisition& acquisition = g_host->current;
    ::QueryPerformanceCounter(&acquisition.image_time);
    acquisition.image_message = true;
    if (!wparam) {
        acquisition.code = static_cast<long>(lparam);
        return;
    }
    // The host owns the bitmap from now on.
    HGLOBAL bitmap = reinterpret_cast<HGLOBAL>(wparam);
    const std::vector<std::uint8_t> block = copy_global(bitmap);
    ::GlobalFree(bitmap);
    const auto file = np::host::bmp_file(block);
    acquisition.delivered =
        !file.empty() &&
        write_file(path_in_out("image-" + std::to_string(acquisition.index) + ".bmp"), file);
}

void on_raw_image(WPARAM wparam) {
    Acquisition& acquisition = g_host->current;
    ::QueryPerformanceCounter(&acquisition.image_time);
    acquisition.image_message = true;
    int width = 0, height = 0;
    g_host->driver.size(&width, &height);
    const auto* samples = reinterpret_cast<const std::uint16_t*>(wparam);
    acquisition.delivered =
        samples && width > 0 &&
        write_file(path_in_out("raw-" + std::to_string(acquisition.index) + ".raw"),
                   np::host::raw_image_file(samples, static_cast<std::uint32_t>(width)));
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_host &&
        (message == kImageMessage || message == kPreviewMessage || message == kRawImageMessage)) {
        if (g_host->log)
            std::fprintf(g_host->log, "%u wParam=0x%08lx lParam=%ld\n", message,
                         static_cast<unsigned long>(wparam), static_cast<long>(lparam));
        if (message == kImageMessage) on_image(wparam, lparam);
        if (message == kRawImageMessage) on_raw_image(wparam);
        // The preview stays the driver's: keep a copy of the latest state.
        if (message == kPreviewMessage)
            g_host->current.last_preview = copy_global(reinterpret_cast<HGLOBAL>(wparam));
        return 0;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

HWND create_host_window() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = kWindowClass;
    if (!::RegisterClassA(&window_class)) return nullptr;
    return ::CreateWindowA(kWindowClass, "PanoHost", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 320, 200, nullptr, nullptr, window_class.hInstance,
                           nullptr);
}

template <typename T>
bool resolve(HMODULE module, const char* name, T& function) {
    function = reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return function != nullptr;
}

bool resolve_driver(HMODULE module, DriverExports& exports) {
    return resolve(module, "PANOOPEN", exports.open) &&
           resolve(module, "PANOCLOSE", exports.close) &&
           resolve(module, "PANOWAITFORIMAGE", exports.wait_for_image) &&
           resolve(module, "PANOSIZE", exports.size) &&
           resolve(module, "PANOGETCOMMDATA", exports.get_comm_data);
}

// Milliseconds between the card's last line (published by the simulated card) and
// the image message; negative when unknown.
double latency_ms(const LARGE_INTEGER& image_time) {
    np::UniqueKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\NORVANE\\SIMULATOR\\CARD", 0, KEY_READ,
                        key.put()) != ERROR_SUCCESS)
        return -1;
    LONGLONG last_line = 0;
    DWORD size = sizeof last_line, type = 0;
    if (::RegQueryValueExA(key.get(), "LastLineTime", nullptr, &type,
                           reinterpret_cast<BYTE*>(&last_line), &size) != ERROR_SUCCESS ||
        type != REG_QWORD || last_line == 0)
        return -1;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(image_time.QuadPart - last_line) /
           static_cast<double>(frequency.QuadPart);
}

// CPU time of this process so far, in milliseconds.
double process_cpu_ms() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10000.0;
}

double peak_memory_mb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

bool take_image(Host& host, int index) {
    host.current = Acquisition{};
    host.current.index = index;
    const double cpu_before = process_cpu_ms();
    LARGE_INTEGER frequency, started, ended;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&started);
    const int result = host.driver.wait_for_image();
    ::QueryPerformanceCounter(&ended);
    const double cpu_ms = process_cpu_ms() - cpu_before;
    const double wall_ms = 1000.0 * static_cast<double>(ended.QuadPart - started.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    Acquisition& acquisition = host.current;
    int width = 0, height = 0;
    host.driver.size(&width, &height);
    std::string code = acquisition.code >= 0 ? std::to_string(acquisition.code) : "-";
    std::printf("image=%d result=%d code=%s width=%d height=%d", index, result, code.c_str(), width,
                height);
    const double latency = acquisition.image_message ? latency_ms(acquisition.image_time) : -1;
    if (latency >= 0) std::printf(" last_line_to_image_ms=%.1f", latency);
    std::printf("\n");
    std::printf("cost=%d wall_ms=%.0f cpu_ms=%.0f peak_mb=%.1f\n", index, wall_ms, cpu_ms,
                peak_memory_mb());
    bool ok = result == 1 && acquisition.delivered;
    if (!acquisition.last_preview.empty()) {
        const auto file = np::host::bmp_file(acquisition.last_preview);
        const bool saved =
            !file.empty() &&
            write_file(path_in_out("preview-" + std::to_string(index) + ".bmp"), file);
        std::printf("preview=%d saved=%d\n", index, saved ? 1 : 0);
    }
    np::AcquisitionRecord record{};
    const int have_record = host.driver.get_comm_data(&record);
    const std::vector<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(&record),
                                          reinterpret_cast<std::uint8_t*>(&record) + sizeof record);
    const bool saved =
        have_record && write_file(path_in_out("record-" + std::to_string(index) + ".bin"), bytes);
    std::printf("record=%d result=%d sections=%d\n", index, have_record,
                have_record ? record.section_count : 0);
    return ok && saved;
}

// The program's own folder followed by kDefaultOutFolder; empty when unknown.
std::string default_out_dir() {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string folder(path, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + kDefaultOutFolder;
}

int run(Host& host) {
    if (host.options.out_dir.empty()) host.options.out_dir = default_out_dir();
    if (host.options.out_dir.empty()) {
        std::printf("out=0\n");
        return 1;
    }
    ::CreateDirectoryA(host.options.out_dir.c_str(), nullptr);
    host.log = std::fopen(path_in_out("messages.log").c_str(), "w");
    if (!host.log) {
        std::printf("log=0 path=%s\n", path_in_out("messages.log").c_str());
        return 1;
    }
    np::UniqueModule module(::LoadLibraryA(host.options.driver.c_str()));
    if (!module || !resolve_driver(module.get(), host.driver)) {
        std::printf("load=0 driver=%s\n", host.options.driver.c_str());
        return 1;
    }
    std::printf("load=1 driver=%s\n", host.options.driver.c_str());
    HWND window = create_host_window();
    if (!window) {
        std::printf("window=0\n");
        return 1;
    }
    const int opened =
        host.driver.open(window, "PanoHost", static_cast<short>(host.options.host_code));
    std::printf("open=%d\n", opened);
    bool ok = opened == 1;
    for (int k = 1; ok && k <= host.options.count; ++k)
        ok = take_image(host, k) && ok;
    host.driver.close();
    std::printf("close=1\n");
    ::DestroyWindow(window);
    std::fclose(host.log);
    host.log = nullptr;
    std::printf("ok=%d\n", ok ? 1 : 0);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const auto options = np::host::parse_options(args);
    if (!options) {
        std::fprintf(stderr,
                     "usage: PanoHost [--driver NAME] [--count N] [--out DIR] [--host-code N]\n"
                     "DIR defaults to %s beside the program.\n",
                     kDefaultOutFolder);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Host host;
    host.options = *options;
    g_host = &host;
    const int exit_code = run(host);
    g_host = nullptr;
    return exit_code;
}
