// Delivery of a finished acquisition: the final bitmap as one movable global memory
// block, the adaptation's optional steps, the logo, and the messages to the console
// and host windows. Image type 2 hands over the raw samples instead.
#pragma once

#include <windows.h>

#include "acquisition/image/image_build.h"
#include "common/adaptation_contract.h"
#include "common/win32_handles.h"

namespace np::image {

inline constexpr UINT kImageMessage = WM_USER + 600;     // 1624
inline constexpr UINT kRawImageMessage = WM_USER + 602;  // 1626
inline constexpr int kImageHeight = kSamplesPerLine;
inline constexpr int kDefaultLogo = 107;
inline constexpr int kOemLogo = 112;
inline constexpr std::uint8_t kTmjProgram = 188;

// The adaptation's optional entry points; null when the module does not export them.
struct AdaptationSteps {
    contract::BPostProcessFn post_process = nullptr;
    contract::TraitementAtm4ImagesFn combine_tmj = nullptr;
};

// The module whose bitmap resource is stamped, and which one (kDefaultLogo, kOemLogo).
struct LogoSource {
    HINSTANCE module = nullptr;
    int resource_id = kDefaultLogo;
};

struct Recipients {
    HWND host = nullptr;
    HWND console = nullptr;  // the adaptation's console, when it has one
};

// Message 1624 with the bitmap to the console (if it still is a window), then to the host.
void send_image(Recipients recipients, HGLOBAL bitmap);

// A zeroed movable block with header and grey palette in place (final bitmap or
// preview); null when memory runs out.
UniqueGlobal allocate_bitmap(int width, int height);
inline UniqueGlobal allocate_final_bitmap(int length) {
    return allocate_bitmap(length, kImageHeight);
}

// Builds the image into the block, then bPostProcess (bit 8), TraitementATM4Images
// (program 188) and the logo. False when the block cannot be locked or is too small.
bool build_final_bitmap(HGLOBAL bitmap, RawImage raw, AcquisitionRecord& record,
                        const FlatFieldMask& mask, const ImageSettings& settings,
                        const AdaptationSteps& steps, LogoSource logo, DisplayTable& table);

// Inverts the image under the white pixels of the logo resource, bottom-right.
void stamp_logo_resource(HGLOBAL bitmap, LogoSource logo);

// The whole delivery. Image type 2: the block is released unused and message 1626
// carries the raw buffer's address to the host. Otherwise the bitmap is built and
// message 1624 carries its handle to the console (if still a window), then to the
// host, which owns it from then on. When building fails, 1624 goes with no image.
void deliver_image(UniqueGlobal bitmap, RawImage raw, AcquisitionRecord& record,
                   const FlatFieldMask& mask, const ImageSettings& settings,
                   const AdaptationSteps& steps, LogoSource logo, Recipients recipients,
                   DisplayTable& table);

}  // namespace np::image
