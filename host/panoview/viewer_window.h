// PanoView's main window: choose the driver, Acquire, watch the live preview, see the
// image scaled to the window with its size and result, save it as PNG or BMP.
#pragma once

#include <windows.h>

#include <string>

#include "host/panoview/viewer_image.h"

namespace np::panoview {

inline constexpr const char* kViewerClass = "PanoViewWindow";

enum ControlId : int {
    kDriverBox = 101,
    kBrowseButton = 102,
    kAcquireButton = 103,
    kStatusText = 104,
};

enum MenuCommand : int {
    kSaveCommand = 201,
    kExitCommand = 202,
    kAboutCommand = 203,
};

struct ViewerOptions {
    std::string driver = "Scanlink.dll";
};

// Creates the window and runs its message loop until it is closed; the exit code.
int run_viewer(HINSTANCE instance, const ViewerOptions& options, int show);

// The part of the client area where the preview and the image are drawn.
Box picture_area(HWND viewer);

}  // namespace np::panoview
