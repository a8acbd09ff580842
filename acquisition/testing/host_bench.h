// Test helpers for programs that host an acquisition driver under Wine: the driver's
// exports, a host window that records what the driver sends it, the files a driver
// looks for ("Panodlg.dll" beside the program, "PANO.MSK" in the system directory),
// each removed or restored again when its owner goes, and Scanlink_sim set up with all
// of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/acquisition_record.h"
#include "common/win32_handles.h"
#include "tools/wintest/registry_sandbox.h"

namespace np::testing {

inline constexpr UINT kImageMessage = WM_USER + 600;     // 1624
inline constexpr UINT kPreviewMessage = WM_USER + 601;   // 1625
inline constexpr UINT kRawImageMessage = WM_USER + 602;  // 1626

inline constexpr const char* kPanoPath = "NORVANE\\PANO";
inline constexpr const char* kCardSimulatorPath = "NORVANE\\SIMULATOR\\CARD";

std::string program_directory();

// The driver's card settings of a working installation (BaudRatePano 1, TimeoutPano 100,
// BaudRateOrvix 1, ModeOrvix `mode`) and the simulated card at `line_rate` lines a second.
void set_working_card(RegistrySandbox& registry, std::uint32_t mode = 1,
                      std::uint32_t line_rate = 20000);

struct DriverExports {
    int (*PANOOPEN)(HWND, const char*, short) = nullptr;
    void (*PANOCLOSE)() = nullptr;
    int (*PANOWAITFORIMAGE)() = nullptr;
    void (*PANOSIZE)(int*, int*) = nullptr;
    void (*PANOPREVIEWSIZE)(int*, int*) = nullptr;
    int (*PANOGETCOMMDATA)(AcquisitionRecord*) = nullptr;
    int (*NPANOCANCOMBINEATM)(int, int) = nullptr;
    int (*BPANORESOLUTION)(double*, double*) = nullptr;
    void (*PANOGetVersion)(char*) = nullptr;

    // Resolves every export of `driver`; the names it lacks, empty when none.
    std::string resolve(HMODULE driver);

    std::pair<int, int> size() const;
    std::pair<int, int> preview_size() const;
};

// A driver DLL loaded by name; PANOCLOSE is called on destruction once opened.
class DriverLibrary {
  public:
    DriverLibrary() = default;
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;
    ~DriverLibrary() { unload(); }

    // Loads `name` and resolves its exports; what failed, empty on success.
    std::string load(const char* name);
    bool loaded() const { return static_cast<bool>(module_); }
    // PANOOPEN; a result of 1 makes the destructor close the driver.
    int open(HWND host, short host_code = 0);
    // PANOCLOSE, whether or not the driver was opened.
    void close();
    void unload();

    const DriverExports& operator*() const { return exports_; }
    const DriverExports* operator->() const { return &exports_; }

  private:
    UniqueModule module_;
    DriverExports exports_;
    bool opened_ = false;
};

struct HostMessage {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    int threads;              // threads of this process when an image message arrived
    std::string console_log;  // what the console had received by then
};

// Threads of this process now, -1 when they cannot be counted.
int thread_count();

// A window of this thread that records messages 1624, 1625 and 1626, keeps a copy of
// the last delivered bitmap (and frees its block) and of the first preview.
class HostWindow {
  public:
    HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow();

    HWND handle() const { return window_; }
    void clear();
    // Asks "TestConsoleLog" of the Panodlg.dll loaded now, if it has one, for its log at
    // every image message.
    void follow_console_log();
    // Runs `hook` first thing on every driver message, before anything is recorded.
    void on_each_message(void (*hook)()) { before_message_ = hook; }

    const std::vector<HostMessage>& messages() const { return messages_; }
    const std::vector<std::uint8_t>& image() const { return image_; }
    const std::vector<std::uint8_t>& preview() const { return preview_; }
    // lParam of every preview message, in order.
    std::vector<long> preview_values() const;
    // lParam of the first image message without an image, or -1.
    long first_no_image_code() const;
    // lParam of the last image message if it had no image, or -1.
    long last_no_image_code() const;
    // The first image message with an image, or null.
    const HostMessage* image_message() const;
    int image_messages() const;

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void record(UINT message, WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
    int (*console_log_)(char*, int) = nullptr;
    void (*before_message_)() = nullptr;
    std::vector<HostMessage> messages_;
    std::vector<std::uint8_t> image_;
    std::vector<std::uint8_t> preview_;
};

// "PANO.MSK" in the system directory; what was there before comes back on destruction.
class MaskInstall {
  public:
    MaskInstall();
    MaskInstall(const MaskInstall&) = delete;
    MaskInstall& operator=(const MaskInstall&) = delete;
    ~MaskInstall();

    const std::string& path() const { return path_; }
    // The file's bytes (empty: no file); false when it cannot be written.
    bool write(const std::vector<std::uint8_t>& bytes);

  private:
    std::string path_;
    std::vector<std::uint8_t> previous_;
};

// A mask file of `size` bytes whose header names the cassette `serial`, every gain 1.
std::vector<std::uint8_t> mask_file_bytes(std::size_t size = 5000, const char* serial = "OR  1000");

// An adaptation module copied beside the program as "Panodlg.dll", removed on destruction.
class AdaptationInstall {
  public:
    AdaptationInstall();
    AdaptationInstall(const AdaptationInstall&) = delete;
    AdaptationInstall& operator=(const AdaptationInstall&) = delete;
    ~AdaptationInstall() { remove(); }

    // `module` from the program's directory (null: none); false when it cannot be copied.
    bool install(const char* module);
    void remove();

  private:
    std::string path_;
};

// Scanlink_sim loaded by this program, with the adaptation module `adaptation` installed
// (null: none), `mask` as "PANO.MSK" and the working card settings of `mode`; closed and
// unloaded, and everything it was given removed, on destruction.
class ScanlinkBench {
  public:
    explicit ScanlinkBench(const char* adaptation,
                           const std::vector<std::uint8_t>& mask = mask_file_bytes(),
                           std::uint32_t mode = 1);
    ScanlinkBench(const ScanlinkBench&) = delete;
    ScanlinkBench& operator=(const ScanlinkBench&) = delete;
    ~ScanlinkBench() { close(); }

    RegistrySandbox& registry() { return registry_; }
    HostWindow& host() { return host_; }
    const HostWindow& host() const { return host_; }
    AdaptationInstall& adaptation() { return adaptation_; }
    MaskInstall& mask() { return mask_; }
    const DriverExports& driver() const { return *driver_; }
    // PANOOPEN from the host window; an opened driver's console log is followed.
    int open(short host_code = 0);
    // PANOCLOSE, also after a failed opening.
    void close() { driver_.close(); }

  private:
    RegistrySandbox registry_{"NORVANE"};
    AdaptationInstall adaptation_;
    MaskInstall mask_;
    HostWindow host_;
    DriverLibrary driver_;
};

// A bitmap resource of the loaded Scanlink_sim: its white pixels by row from the top.
struct DriverBitmap {
    int width = 0, height = 0, bits = 0;
    std::vector<bool> white;
    bool white_at(int x, int row) const { return white[std::size_t(row) * width + x]; }
};
// Resource `id` of 4 or 8 bits a pixel; empty when there is none.
DriverBitmap driver_bitmap(int id);

// The delivered bitmap: pixel at image column c, display row r (0 = top). A block too
// short for its header's size reads as an empty image.
struct DeliveredImage {
    int width = 0, height = 0, stride = 0;
    const std::uint8_t* pixels = nullptr;
    explicit DeliveredImage(const std::vector<std::uint8_t>& block) {
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

}  // namespace np::testing
