// The demonstration image the driver serves: its buffer, where the file is, how it is
// read into the buffer and drawn into the preview. Shared by opening and acquiring.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/driver_state.h"

namespace np::acquisition::demo_image {

// Whether the last PANOOPEN succeeded and no PANOCLOSE followed: the preview bitmap
// exists only then (acquisitions keep it), the image buffer may be missing after an
// acquisition that found no memory for it.
bool driver_open(const DriverState& state);

// The image buffer (demo::kImageBufferSize bytes) while the driver is open.
std::unique_ptr<std::uint8_t[]>& buffer();

// "InstallDir" of HKEY_LOCAL_MACHINE "Software\Classes\NORVANE" (default "C:\KX")
// followed by "\DEMO0001.TIF".
std::string file_path();

// Reads the file into the buffer; on success the image length becomes the file's
// width. A failure has been shown to the operator and leaves the image length alone.
bool load(DriverState& state);

// The preview cleared, then drawn from the buffer at the image length's offset.
void draw_preview(DriverState& state);

}  // namespace np::acquisition::demo_image
