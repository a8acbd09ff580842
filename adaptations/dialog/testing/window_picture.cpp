#include "adaptations/dialog/testing/window_picture.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/win32_handles.h"

namespace np::testing {
namespace {

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char* type,
           const std::vector<std::uint8_t>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks: screenshots are small.
std::vector<std::uint8_t> zlib_stored(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out{0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t size = std::min<std::size_t>(65535, data.size() - pos);
        out.push_back(pos + size == data.size() ? 1 : 0);
        const auto length = static_cast<std::uint16_t>(size);
        for (std::uint16_t v : {length, static_cast<std::uint16_t>(~length)}) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        out.insert(out.end(), data.begin() + pos, data.begin() + pos + size);
        pos += size;
    } while (pos < data.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(out, (b << 16) | a);
    return out;
}

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
    RECT frame{};
    ::GetWindowRect(window, &frame);
    Picture picture;
    picture.width = frame.right - frame.left;
    picture.height = frame.bottom - frame.top;
    const HDC screen = ::GetDC(nullptr);
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
        ::ReleaseDC(nullptr, screen);
        return {};
    }
    const HGDIOBJ previous = ::SelectObject(memory.get(), bitmap.get());
    ::BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen, frame.left, frame.top,
             SRCCOPY);
    ::GdiFlush();
    ::SelectObject(memory.get(), previous);
    ::ReleaseDC(nullptr, screen);
    const auto* bgra = static_cast<const std::uint8_t*>(bits);
    picture.rgb.resize(std::size_t(picture.width) * picture.height * 3);
    for (std::size_t i = 0; i < std::size_t(picture.width) * picture.height; ++i) {
        picture.rgb[i * 3] = bgra[i * 4 + 2];
        picture.rgb[i * 3 + 1] = bgra[i * 4 + 1];
        picture.rgb[i * 3 + 2] = bgra[i * 4];
    }
    return picture;
}

RECT area_in_window(HWND top, HWND child) {
    RECT frame{}, area{};
    ::GetWindowRect(top, &frame);
    ::GetWindowRect(child, &area);
    ::OffsetRect(&area, -frame.left, -frame.top);
    return area;
}

bool write_png(const std::string& path, const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0) return false;
    std::vector<std::uint8_t> rows;
    const std::size_t stride = std::size_t(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        rows.push_back(0);  // no filter
        rows.insert(rows.end(), picture.rgb.begin() + y * stride,
                    picture.rgb.begin() + (y + 1) * stride);
    }
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(picture.width));
    put32(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(file, "IHDR", header);
    chunk(file, "IDAT", zlib_stored(rows));
    chunk(file, "IEND", {});
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace np::testing
