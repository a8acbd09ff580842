#include "tools/wintest/window_picture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/win32_handles.h"
#include "host/panoview/png_file.h"

namespace np::testing {
namespace {

BOOL CALLBACK note_pending_paint(HWND child, LPARAM pending) {
    // A hidden control keeps its update region without ever painting.
    if (::IsWindowVisible(child))
        *reinterpret_cast<bool*>(pending) |= ::GetUpdateRect(child, nullptr, FALSE) != FALSE;
    return TRUE;
}

// True while the window or one of its children still has something to paint.
bool paint_pending(HWND window) {
    bool pending = ::GetUpdateRect(window, nullptr, FALSE) != FALSE;
    ::EnumChildWindows(window, note_pending_paint, reinterpret_cast<LPARAM>(&pending));
    return pending;
}

}  // namespace

int Picture::count(const RECT& area, COLORREF colour) const {
    int n = 0;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, height); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, width); ++x)
            n += at(x, y) == colour;
    return n;
}

namespace {

// The window's pixels from the screen, or from the window's own surface: on a desktop
// other than the input one Wine leaves a shaped window (one with a region) off the
// screen's picture.
Picture read_pixels(HWND window, bool from_window) {
    RECT frame{};
    ::GetWindowRect(window, &frame);
    if (from_window) ::OffsetRect(&frame, -frame.left, -frame.top);
    Picture picture;
    picture.width = frame.right - frame.left;
    picture.height = frame.bottom - frame.top;
    const HDC screen = from_window ? ::GetWindowDC(window) : ::GetDC(nullptr);
    UniqueDc memory(::CreateCompatibleDC(screen));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) {
        ::ReleaseDC(from_window ? window : nullptr, screen);
        return {};
    }
    const HGDIOBJ previous = ::SelectObject(memory.get(), bitmap.get());
    ::BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen, frame.left, frame.top,
             SRCCOPY);
    ::GdiFlush();
    ::SelectObject(memory.get(), previous);
    ::ReleaseDC(from_window ? window : nullptr, screen);
    const auto* bgra = static_cast<const std::uint8_t*>(bits);
    picture.rgb.resize(std::size_t(picture.width) * picture.height * 3);
    for (std::size_t i = 0; i < std::size_t(picture.width) * picture.height; ++i) {
        picture.rgb[i * 3] = bgra[i * 4 + 2];
        picture.rgb[i * 3 + 1] = bgra[i * 4 + 1];
        picture.rgb[i * 3 + 2] = bgra[i * 4];
    }
    return picture;
}

bool all_black(const Picture& picture) {
    return std::all_of(picture.rgb.begin(), picture.rgb.end(), [](std::uint8_t v) { return v == 0; });
}

}  // namespace

Picture capture_window(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (paint_pending(window) && std::chrono::steady_clock::now() < give_up) {
        ::SendMessageA(window, WM_NULL, 0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The window reaches the screen a moment after it painted.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Picture picture = read_pixels(window, false);
    if (all_black(picture)) picture = read_pixels(window, true);
    return picture;
}

RECT area_in_window(HWND top, HWND child) {
    RECT frame{}, area{};
    ::GetWindowRect(top, &frame);
    ::GetWindowRect(child, &area);
    ::OffsetRect(&area, -frame.left, -frame.top);
    return area;
}

// The viewer's PNG writer: one encoder in the project.
bool write_png(const std::string& path, const Picture& picture) {
    panoview::RasterImage image{picture.width, picture.height, panoview::PngColour::rgb, picture.rgb};
    const std::vector<std::uint8_t> file = panoview::png_file(image);
    if (file.empty()) return false;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace np::testing
