// The functions the host calls. No exception leaves them: each answers with its
// documented result instead.
#include <windows.h>

#include <cstring>

// The kit's header declares what is defined here, so that the two cannot differ.
#define SCANLINK_DECLSPEC
#include "sdk/include/scanlink.h"

#include "acquisition/driver_lifecycle.h"
#include "acquisition/driver_queries.h"
#include "acquisition/open_rules.h"
#include "acquisition/wait_for_image.h"

using namespace np;
using namespace np::acquisition;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        set_module_instance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

int PANOOPEN(HWND host_window, const char* /*host_id*/, short host_code) {
    try {
        return open_driver(driver_state(), host_window, host_code);
    } catch (...) {
        return open_rules::kOutOfResources;
    }
}

void PANOCLOSE() {
    try {
        close_driver(driver_state());
    } catch (...) {
    }
}

void PANOSIZE(int* width, int* height) {
    if (width) *width = driver_state().image_length;
    if (height) *height = kSamplesPerLine;
}

void PANOPREVIEWSIZE(int* width, int* height) {
    const record::PreviewSize size = record::preview_size(driver_state().preview_factor);
    if (width) *width = size.width;
    if (height) *height = size.height;
}

int PANOWAITFORIMAGE() {
    try {
        return wait_for_image(driver_state());
    } catch (...) {
        return 0;
    }
}

int PANOGETCOMMDATA(PANO_RECORD* out) {
    if (!out) return 0;
    try {
        AcquisitionRecord copy;
        std::memcpy(&copy, out, sizeof copy);
        const int copied = copy_record_for_host(driver_state(), copy);
        std::memcpy(out, &copy, sizeof copy);
        return copied;
    } catch (...) {
        return 0;
    }
}

int NPANOCANCOMBINEATM(int first, int second) {
    try {
        return can_combine_atm(driver_state(), first, second);
    } catch (...) {
        return 0;
    }
}

int BPANORESOLUTION(double* x, double* y) {
    try {
        return resolution(driver_state(), x, y);
    } catch (...) {
        return 0;
    }
}

void PANOGetVersion(char* buffer) {
    if (buffer) std::memcpy(buffer, kDriverVersion, sizeof kDriverVersion);
}

}  // extern "C"
