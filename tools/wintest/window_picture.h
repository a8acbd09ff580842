// Screenshots of a window from inside a test: its pixels as they are on the screen,
// saved as PNG.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace np::testing {

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // top row first, three bytes a pixel

    COLORREF at(int x, int y) const {
        const std::size_t i = (std::size_t(y) * width + x) * 3;
        return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
    // Pixels of exactly this colour inside the rectangle (window coordinates).
    int count(const RECT& area, COLORREF colour) const;
};

// The whole window, caption and frame included, once it has painted itself.
Picture capture_window(HWND window);
// A rectangle of a child control in the coordinates of its top-level window's picture.
RECT area_in_window(HWND top, HWND child);

bool write_png(const std::string& path, const Picture& picture);

}  // namespace np::testing
