// The adaptation contract as Ventra serves it. No exception leaves an export.
#include <windows.h>

#include <cstring>
#include <new>

#include "adaptations/ventra/console/console_thread.h"
#include "adaptations/ventra/files/config_report.h"
#include "adaptations/ventra/module/ventra_module.h"
#include "adaptations/ventra/module/version_list.h"
#include "adaptations/ventra/record/record_rules.h"
#include "common/sensor_lines.h"

using np::AcquisitionRecord;
using np::ventra::ventra;

namespace {

// The pixel rows of a packed 8-bit bitmap, when the block holds all of them.
bool image_rows(const void* block, SIZE_T size, np::ventra::ImageRows& rows) {
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof header);
    if (header.biSize < sizeof header || header.biBitCount != 8 || header.biWidth <= 0 || header.biHeight == 0)
        return false;
    const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    const long long stride = (static_cast<long long>(header.biWidth) + 3) & ~3LL;
    const long long offset = static_cast<long long>(header.biSize) + 1024;
    if (offset + stride * height > static_cast<long long>(size)) return false;
    rows = {static_cast<std::uint8_t*>(const_cast<void*>(block)) + offset, header.biWidth,
            static_cast<int>(height), static_cast<int>(stride)};
    return true;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ventra().instance = instance;
        return ventra().start() ? TRUE : FALSE;
    }
    if (reason == DLL_PROCESS_DETACH) ventra().end();
    return TRUE;
}

extern "C" {

int OpenCommPort() {
    try {
        return np::ventra::open_comm_port(ventra());
    } catch (...) {
        return 7;
    }
}

int ReadCommData(HWND, AcquisitionRecord*) {
    try {
        return np::ventra::read_comm_data(ventra());
    } catch (...) {
        return 0;
    }
}

int StartDesignDialog(HWND host, HWND* console, np::contract::NotifyFn notify) {
    try {
        return np::ventra::start_design_dialog(ventra(), host, console, notify);
    } catch (...) {
        return 0;
    }
}

void GetInfosTir(AcquisitionRecord* out) {
    if (out && ventra().record) std::memcpy(out, ventra().record, sizeof *out);
}

int GetExpositionTime(AcquisitionRecord* caller) {
    AcquisitionRecord* own = ventra().record;
    if (!own) return 0;
    own->exposure_time = np::ventra::rounded_exposure_time(own->exposure_time);
    if (caller) caller->exposure_time = own->exposure_time;
    int bits;
    std::memcpy(&bits, &own->exposure_time, sizeof bits);
    return bits;
}

int GetTiming(int, int* gaps) {
    if (!gaps || !ventra().record) return 0;
    return np::ventra::transfer_timing(ventra().record->section_count, std::span<int, np::kMaxSections>(gaps, np::kMaxSections));
}

int nCanCombineATM(int first, int second) {
    return np::ventra::combined_program(first, second);
}

int bResolution(double* x, double* y) {
    if (x) *x = np::ventra::kPixelSize;
    if (y) *y = np::ventra::kPixelSize;
    return 1;
}

bool bHaveToMirror() {
    return ventra().mirror;
}

void ReArrangement(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    const auto order = ventra().mirror ? np::LineOrder::reversed : np::LineOrder::forward;
    np::rearrange_contract_lines(dest, samples, src, order);
}

void TraitementATM4Images(HGLOBAL dib, AcquisitionRecord* record) {
    try {
        if (!dib || !record || record->section_count != 4) return;
        np::GlobalLock<void> pixels(dib);
        np::ventra::ImageRows rows{};
        if (pixels && image_rows(pixels.get(), ::GlobalSize(dib), rows))
            np::ventra::recombine_four_views(rows, *record);
    } catch (...) {
    }
}

void __stdcall GetInfoFileName(char* buffer) {
    if (buffer) std::strcpy(buffer, np::ventra::kConfigReportPath);
}

np::VersionRecord* pKXGetVersion() {
    try {
        np::free_version_records(ventra().versions);
        ventra().versions = np::ventra::build_version_list();
        return ventra().versions;
    } catch (...) {
        return nullptr;
    }
}

void KXFreeVersion() {
    np::free_version_records(ventra().versions);
    ventra().versions = nullptr;
}

}  // extern "C"
