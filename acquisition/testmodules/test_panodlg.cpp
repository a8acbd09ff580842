// An adaptation module for tests. The same source is linked several times with
// different export tables (the .def files): only the four required entry points,
// the required ones with the optional ones under type-decorated names, all twelve,
// one without GetTiming, and (built with NP_TEST_CONSOLE) one with an operator console.
//
// Every call except ReArrangement appends its entry point's name and a line break to
// the file named by the environment variable NP_PANODLG_LOG, when set. Behaviour comes
// from the values below HKEY_CURRENT_USER "Software\NORVANE\SIMULATOR\PANODLG", for the
// console module "...\CONSOLE" (see README.md). The image steps leave marks a test can
// find in the delivered image: bPostProcess paints the bottom kMarkedRows rows
// kPostProcessGrey, and TraitementATM4Images adds 1 to every pixel of those rows, so the
// strip reads kPostProcessGrey + 1 only when both ran, in that order, on the delivered
// bitmap.
//
// StartDesignDialog starts a thread that plays the operator: after "StartDelay" ms it
// notifies "Notify" (0 start, 1 cancel, others as they come), then, when "Then" is set,
// notifies that code "ThenDelay" ms later; "Then" 27 instead presses the Escape key and
// leaves it down (the test releases it). With "ThenAfterPreview" 1 the delay counts from
// the first live preview the console receives, so that lines are known to have arrived
// however slowly the scan started. The console module's console is a window of the
// thread that calls StartDesignDialog; it notes every image and preview message it
// receives, and TestConsoleLog() returns what it noted.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/sensor_lines.h"
#include "common/settings_key.h"
#include "common/text_numbers.h"
#include "common/win32_handles.h"
#include "tools/wintest/address_space_hog.h"

namespace {

// What sets the console module apart: its own settings, the record its console reports
// (program and sections only) and a shorter time-out.
struct Flavour {
    const char* config_path;
    const char* widths;
    int timeout_units;
    bool console;
};
#ifdef NP_TEST_CONSOLE
constexpr Flavour kFlavour{"NORVANE\\SIMULATOR\\CONSOLE", "500,500,500,500,500", 100, true};
#else
constexpr Flavour kFlavour{"NORVANE\\SIMULATOR\\PANODLG", "2300", 200, false};
#endif
constexpr int kMarkedRows = 100;
constexpr std::uint8_t kPostProcessGrey = 100;
constexpr const char* kConsoleClass = "NpTestConsole";
constexpr DWORD kLongestWaitForPreview = 60000;

// A REG_DWORD of the module's settings, or the fallback.
int configured_number(const char* name, int fallback) {
    const auto value = np::SettingsKey(kFlavour.config_path).dword(name);
    return value ? static_cast<int>(*value) : fallback;
}

// A comma-separated list of decimal numbers, at most one per image section.
std::vector<int> configured_list(const char* name, const char* fallback) {
    const std::string text = np::SettingsKey(kFlavour.config_path).text(name, 256, fallback);
    std::vector<int> values;
    std::size_t at = 0;
    while (at <= text.size() && values.size() < np::kMaxSections) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        values.push_back(np::decimal_value(std::string_view(text).substr(at, end - at)));
        at = end + 1;
    }
    return values;
}

void log_call(const char* name) {
    char path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableA("NP_PANODLG_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", name);
        std::fclose(file);
    }
}

void fill_record(np::AcquisitionRecord* record) {
    *record = {};
    record->program = static_cast<std::uint8_t>(configured_number("Program", 20));
    if (!kFlavour.console) {
        record->kv = 70.0f;
        record->ma = 10.0f;
        record->exposure_time =
            static_cast<float>(configured_number("ExposureMs", 14200)) / 1000.0f;
    }
    record->valid = 1;
    const std::vector<int> widths = configured_list("Widths", kFlavour.widths);
    record->section_count = static_cast<std::int16_t>(widths.size());
    int start = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        record->sections[k].start = static_cast<std::int16_t>(start);
        record->sections[k].width = static_cast<std::int16_t>(widths[k]);
        start += widths[k] + np::kSectionGap;
    }
}

HMODULE g_self = nullptr;

// "StarveAtLine" n: at the n-th line of a transfer the process is left without room for
// any block of 4 KB or more (no address space, the C heap filled) until the host calls
// TestReleaseMemory, so that the driver meets a refused allocation mid-transfer.
class Starvation {
  public:
    void arm(int line) {
        at_line_ = line;
        lines_ = 0;
    }
    void count_line() {
        if (++lines_ != at_line_) return;
        blocks_.reserve(1 << 18);
        hog_ = std::make_unique<np::AddressSpaceHog>();
        while (blocks_.size() < blocks_.capacity()) {
            void* block = std::malloc(4096);
            if (!block) break;
            blocks_.push_back(block);
        }
    }
    void release() {
        for (void* block : blocks_)
            std::free(block);
        blocks_.clear();
        hog_.reset();
    }

  private:
    int at_line_ = 0;
    int lines_ = 0;
    std::unique_ptr<np::AddressSpaceHog> hog_;
    std::vector<void*> blocks_;
};
Starvation g_starvation;

std::string g_console_log;
HWND g_console = nullptr;
np::UniqueHandle g_first_preview(::CreateEventA(nullptr, TRUE, FALSE, nullptr));

LRESULT CALLBACK console_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message >= WM_USER + 600 && message <= WM_USER + 602) {
        char line[96];
        std::snprintf(line, sizeof line, "console %u %lu %ld\n", message,
                      static_cast<unsigned long>(wparam), static_cast<long>(lparam));
        g_console_log += line;
        if (message == WM_USER + 601) ::SetEvent(g_first_preview.get());
        return 0;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

HWND create_console() {
    if (g_console && ::IsWindow(g_console)) return g_console;
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = console_procedure;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = kConsoleClass;
    ::RegisterClassA(&window_class);
    g_console = ::CreateWindowA(kConsoleClass, "console", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, window_class.hInstance, nullptr);
    return g_console;
}

struct Operator {
    np::contract::NotifyFn notify;
    int first;
    int start_delay;
    int then;
    int then_delay;
    bool then_after_preview;
};

// Runs on a reference to this module taken by its starter, so that the module stays
// loaded until the thread is done even when the driver is closed meanwhile.
DWORD WINAPI play_operator(LPVOID parameter) {
    const std::unique_ptr<Operator> owned(static_cast<Operator*>(parameter));
    const Operator op = *owned;
    ::Sleep(static_cast<DWORD>(op.start_delay));
    op.notify(op.first);
    if (op.then >= 0) {
        if (op.then_after_preview)
            ::WaitForSingleObject(g_first_preview.get(), kLongestWaitForPreview);
        ::Sleep(static_cast<DWORD>(op.then_delay));
        if (op.then == VK_ESCAPE)
            ::keybd_event(VK_ESCAPE, 1, 0, 0);
        else
            op.notify(op.then);
    }
    ::FreeLibraryAndExitThread(g_self, 0);
}

}  // namespace

extern "C" {

int OpenCommPort() {
    log_call("OpenCommPort");
    return configured_number("OpenCommPort", 0);
}

int ReadCommData(HWND, np::AcquisitionRecord* record) {
    log_call("ReadCommData");
    const int result = configured_number("ReadCommData", 0);
    if (result == 0) fill_record(record);
    return result;
}

void ReArrangement(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    g_starvation.count_line();
    np::rearrange_sensor_lines(dest, static_cast<std::size_t>(samples), src,
                               np::LineOrder::forward);
}

int GetTiming(int, int gaps[np::kMaxSections]) {
    log_call("GetTiming");
    g_starvation.arm(configured_number("StarveAtLine", 0));
    const std::vector<int> configured_gaps = configured_list("Gaps", "10");
    for (std::size_t k = 0; k < configured_gaps.size(); ++k)
        gaps[k] = configured_gaps[k];
    return configured_number("TimeoutUnits", kFlavour.timeout_units);
}

int nCanCombineATM(int first, int second) {
    log_call("nCanCombineATM");
    return first * 1000 + second;
}

int bResolution(double* x, double* y) {
    log_call("bResolution");
    *x = 0.125;
    *y = 0.125;
    return 1;
}

bool bPostProcess(std::uint8_t* bits, int width, int height) {
    log_call("bPostProcess");
    if (!bits || width <= 0 || height < kMarkedRows) return false;
    const int stride = (width + 3) & ~3;
    std::memset(bits, kPostProcessGrey, static_cast<std::size_t>(stride) * kMarkedRows);
    return true;
}

bool bHaveToMirror() {
    log_call("bHaveToMirror");
    return configured_number("Mirror", 0) != 0;
}

int StartDesignDialog(HWND, HWND* console, np::contract::NotifyFn notify) {
    log_call("StartDesignDialog");
    *console = kFlavour.console ? create_console() : nullptr;
    auto op = std::make_unique<Operator>(Operator{
        notify, configured_number("Notify", np::contract::kNotifyStart),
        configured_number("StartDelay", 50), configured_number("Then", -1),
        configured_number("ThenDelay", 300), configured_number("ThenAfterPreview", 0) != 0});
    ::ResetEvent(g_first_preview.get());
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCSTR>(&play_operator), &g_self);
    if (np::UniqueHandle(::CreateThread(nullptr, 0, play_operator, op.get(), 0, nullptr)))
        op.release();  // the thread owns it now
    else
        ::FreeLibrary(g_self);
    return 0;
}

void GetInfosTir(np::AcquisitionRecord* record) {
    log_call("GetInfosTir");
    fill_record(record);
}

void TraitementATM4Images(HGLOBAL dib, np::AcquisitionRecord*) {
    log_call("TraitementATM4Images");
    auto* block = static_cast<std::uint8_t*>(::GlobalLock(dib));
    if (!block) return;
    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof header);
    const int stride = (header.biWidth + 3) & ~3;
    if (header.biBitCount == 8 && header.biHeight >= kMarkedRows) {
        std::uint8_t* rows = block + sizeof header + 256 * sizeof(RGBQUAD);
        for (int i = 0; i < stride * kMarkedRows; ++i)
            ++rows[i];
    }
    ::GlobalUnlock(dib);
}

// Rounds the exposure time to a tenth of a second, as the units' modules do.
int GetExpositionTime(np::AcquisitionRecord* host_copy) {
    log_call("GetExpositionTime");
    host_copy->exposure_time =
        static_cast<float>(std::floor(host_copy->exposure_time * 10.0 + 0.5) / 10.0);
    return 0;
}

void TestReleaseMemory() {
    g_starvation.release();
}

// What the console received since the last call, one line per message.
int TestConsoleLog(char* buffer, int size) {
    const int length = static_cast<int>(g_console_log.size());
    if (buffer && size > length) {
        g_console_log.copy(buffer, g_console_log.size());
        buffer[length] = '\0';
    }
    g_console_log.clear();
    return length;
}

}  // extern "C"
