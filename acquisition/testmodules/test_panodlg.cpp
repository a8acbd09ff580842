// An adaptation module for tests. The same source is linked several times with
// different export tables (the .def files): only the four required entry points,
// the required ones with the optional ones under type-decorated names, all twelve,
// and one without GetTiming.
//
// Every call except ReArrangement appends its entry point's name and a line break to
// the file named by the environment variable NP_PANODLG_LOG, when set. Behaviour comes
// from the values below HKEY_CURRENT_USER "Software\NORVANE\SIMULATOR\PANODLG" (see
// README.md). The image steps leave marks a test can find in the delivered image:
// bPostProcess paints the bottom kMarkedRows rows kPostProcessGrey, and
// TraitementATM4Images adds 1 to every pixel of those rows, so the strip reads
// kPostProcessGrey + 1 only when both ran, in that order, on the delivered bitmap.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/sensor_lines.h"
#include "common/settings_key.h"
#include "common/text_numbers.h"
#include "acquisition/testmodules/test_module_settings.h"
#include "tools/wintest/address_space_hog.h"

namespace {

using np::testing::configured_list;
using np::testing::configured_number;

constexpr const char* kConfigPath = "NORVANE\\SIMULATOR\\PANODLG";
constexpr int kMarkedRows = 100;
constexpr std::uint8_t kPostProcessGrey = 100;

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
    record->program = static_cast<std::uint8_t>(configured_number(kConfigPath, "Program", 20));
    record->kv = 70.0f;
    record->ma = 10.0f;
    record->exposure_time =
        static_cast<float>(configured_number(kConfigPath, "ExposureMs", 14200)) / 1000.0f;
    record->valid = 1;
    const std::vector<int> widths = configured_list(kConfigPath, "Widths", "2300");
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

// Runs on a reference to this module taken by its starter, so that the module stays
// loaded until the thread is done even when the driver is closed meanwhile.
DWORD WINAPI notify_later(LPVOID parameter) {
    ::Sleep(50);
    reinterpret_cast<np::contract::NotifyFn>(parameter)(
        configured_number(kConfigPath, "Notify", np::contract::kNotifyStart));
    ::FreeLibraryAndExitThread(g_self, 0);
}

}  // namespace

extern "C" {

int OpenCommPort() {
    log_call("OpenCommPort");
    return configured_number(kConfigPath, "OpenCommPort", 0);
}

int ReadCommData(HWND, np::AcquisitionRecord* record) {
    log_call("ReadCommData");
    const int result = configured_number(kConfigPath, "ReadCommData", 0);
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
    g_starvation.arm(configured_number(kConfigPath, "StarveAtLine", 0));
    const std::vector<int> configured_gaps = configured_list(kConfigPath, "Gaps", "10");
    for (std::size_t k = 0; k < configured_gaps.size(); ++k)
        gaps[k] = configured_gaps[k];
    return configured_number(kConfigPath, "TimeoutUnits", 200);
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
    return configured_number(kConfigPath, "Mirror", 0) != 0;
}

int StartDesignDialog(HWND, HWND* console, np::contract::NotifyFn notify) {
    log_call("StartDesignDialog");
    *console = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCSTR>(&notify_later), &g_self);
    if (HANDLE thread =
            ::CreateThread(nullptr, 0, notify_later, reinterpret_cast<LPVOID>(notify), 0, nullptr))
        ::CloseHandle(thread);
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

}  // extern "C"
