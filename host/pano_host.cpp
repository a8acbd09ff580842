// PanoHost: a small host application of the kind integrators write. It loads an
// acquisition driver by name, takes images and keeps everything it receives.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/acquisition_record.h"
#include "common/win32_handles.h"
#include "host/host_files.h"

namespace {

constexpr UINT kImageMessage = WM_USER + 600;    // 1624
constexpr UINT kPreviewMessage = WM_USER + 601;  // 1625
constexpr UINT kRawMessage = WM_USER + 602;      // 1626

struct Driver {
    int (*open)(HWND, const char*, short) = nullptr;
    void (*close)() = nullptr;
    void (*size)(int*, int*) = nullptr;
    void (*preview_size)(int*, int*) = nullptr;
    int (*wait_for_image)() = nullptr;
    int (*get_comm_data)(np::AcquisitionRecord*) = nullptr;
    void (*get_version)(char*) = nullptr;
};

template <typename Fn>
bool bind(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr;
}

bool bind_driver(HMODULE module, Driver& d) {
    return bind(module, "PANOOPEN", d.open) && bind(module, "PANOCLOSE", d.close) &&
           bind(module, "PANOSIZE", d.size) && bind(module, "PANOPREVIEWSIZE", d.preview_size) &&
           bind(module, "PANOWAITFORIMAGE", d.wait_for_image) &&
           bind(module, "PANOGETCOMMDATA", d.get_comm_data) &&
           bind(module, "PANOGetVersion", d.get_version);
}

// What the window procedure learns during one acquisition.
struct Acquisition {
    HGLOBAL image = nullptr;
    bool no_image = false;
    LPARAM code = 0;
    const std::uint16_t* raw = nullptr;
    std::vector<std::uint8_t> last_preview;
};

struct HostState {
    std::ofstream log;
    Acquisition current;
};
HostState* g_state = nullptr;

std::vector<std::uint8_t> copy_global(HGLOBAL block) {
    np::GlobalLock<std::uint8_t> lock(block);
    if (!lock) return {};
    return {lock.get(), lock.get() + GlobalSize(block)};
}

LRESULT CALLBACK host_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_state &&
        (message == kImageMessage || message == kPreviewMessage || message == kRawMessage)) {
        g_state->log << message << " wParam=" << (wparam ? "handle" : "0") << " lParam=" << lparam
                     << "\n";
        Acquisition& a = g_state->current;
        if (message == kImageMessage) {
            if (wparam) {
                a.image = reinterpret_cast<HGLOBAL>(wparam);
            } else {
                a.no_image = true;
                a.code = lparam;
            }
        } else if (message == kPreviewMessage && wparam) {
            a.last_preview = copy_global(reinterpret_cast<HGLOBAL>(wparam));
        } else if (message == kRawMessage) {
            a.raw = reinterpret_cast<const std::uint16_t*>(wparam);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND create_host_window() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = host_window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PanoHostWindow";
    RegisterClassA(&wc);
    return CreateWindowA("PanoHostWindow", "PanoHost", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 320, 200, nullptr, nullptr, wc.hInstance, nullptr);
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Takes image k and saves what arrived; true when the driver delivered an image
// (or the raw image) and every file could be written.
bool take_image(const Driver& driver, const np::host::Options& options, int k) {
    g_state->current = {};
    const int result = driver.wait_for_image();
    Acquisition& a = g_state->current;
    const std::string dir = options.out_dir + "\\";
    int width = 0, height = 0;
    driver.size(&width, &height);
    bool ok = result == 1;

    if (a.image) {
        np::UniqueGlobal image(a.image);  // the host owns the delivered bitmap
        const auto packed = copy_global(image.get());
        ok = write_file(dir + "image-" + std::to_string(k) + ".bmp", np::host::bmp_file(packed)) &&
             ok;
    }
    if (a.raw && width > 0)
        ok = write_file(dir + "raw-" + std::to_string(k) + ".raw",
                        np::host::raw_image_file(a.raw, static_cast<std::uint32_t>(width))) &&
             ok;
    if (!a.last_preview.empty())
        write_file(dir + "preview-" + std::to_string(k) + ".bmp",
                   np::host::bmp_file(a.last_preview));

    std::printf("image=%d result=%d code=%s width=%d height=%d\n", k, result,
                a.no_image ? std::to_string(a.code).c_str() : "-", width, height);

    np::AcquisitionRecord record{};
    const int copied = driver.get_comm_data(&record);
    if (copied) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
        write_file(dir + "record-" + std::to_string(k) + ".bin", {bytes, bytes + sizeof record});
    }
    std::printf("record=%d copied=%d program=%d sections=%d\n", k, copied, record.program,
                record.section_count);
    return ok && !a.no_image && (a.image || a.raw);
}

int run(const np::host::Options& options) {
    CreateDirectoryA(options.out_dir.c_str(), nullptr);
    HostState state;
    state.log.open(options.out_dir + "\\messages.log");
    g_state = &state;

    np::UniqueModule module(LoadLibraryA(options.driver.c_str()));
    Driver driver;
    if (!module || !bind_driver(module.get(), driver)) {
        std::printf("driver=%s loaded=0\n", options.driver.c_str());
        return 1;
    }
    char version[16] = {};
    driver.get_version(version);
    std::printf("driver=%s version=%s\n", options.driver.c_str(), version);

    HWND window = create_host_window();
    const int opened = driver.open(window, "PanoHost", static_cast<short>(options.host_code));
    std::printf("open=%d\n", opened);
    bool ok = opened == 1;
    if (ok) {
        int width = 0, height = 0;
        driver.preview_size(&width, &height);
        std::printf("preview_width=%d preview_height=%d\n", width, height);
        for (int k = 1; k <= options.count; ++k)
            ok = take_image(driver, options, k) && ok;
    }
    driver.close();
    std::printf("close=1\n");
    DestroyWindow(window);
    g_state = nullptr;
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = np::host::parse_options({argv + 1, argv + argc});
    if (!options) {
        std::fprintf(stderr,
                     "usage: PanoHost [--driver NAME] [--count N] [--out DIR] [--host-code N]\n");
        return 2;
    }
    return run(*options);
}
