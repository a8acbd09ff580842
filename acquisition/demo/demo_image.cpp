#include "acquisition/demo/demo_image.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "acquisition/demo/demo_rules.h"
#include "acquisition/image/bitmap_layout.h"
#include "acquisition/tiff/demo_tiff_win32.h"
#include "common/win32_handles.h"

namespace np::acquisition::demo_image {
namespace {

constexpr const char* kCompanyKey = "Software\\Classes\\NORVANE";
constexpr const char* kInstallDirValue = "InstallDir";
constexpr DWORD kInstallDirBufferSize = 260;

std::string read_install_dir() {
    UniqueKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCompanyKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        key.release();  // the failed call may leave anything in the slot
        return demo::kDefaultInstallDir;
    }
    char text[kInstallDirBufferSize] = {};
    DWORD type = 0;
    DWORD size = sizeof text;
    if (::RegQueryValueExA(key.get(), kInstallDirValue, nullptr, &type,
                           reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return demo::kDefaultInstallDir;
    // Stored without its terminating zero, the text ends where the data ends.
    return std::string(text, ::strnlen(text, size));
}

}  // namespace

bool driver_open(const DriverState& state) {
    return static_cast<bool>(state.preview);
}

std::unique_ptr<std::uint8_t[]>& buffer() {
    static std::unique_ptr<std::uint8_t[]> image;
    return image;
}

std::string file_path() {
    return demo::demo_file_path(read_install_dir());
}

bool load(DriverState& state) {
    std::uint8_t* image = buffer().get();
    if (!image) return false;
    std::uint32_t width = 0;
    if (!tiff::load_demo_file(file_path(), std::span(image, demo::kImageBufferSize), width))
        return false;
    state.image_length = static_cast<int>(width);
    return true;
}

void draw_preview(DriverState& state) {
    const std::uint8_t* image = buffer().get();
    if (!image || !state.preview) return;
    GlobalLock<std::uint8_t> block(state.preview.get());
    if (!block) return;
    image::BitmapHeader header;
    std::memcpy(&header, block.get(), sizeof header);
    const demo::BitmapPixels preview{block.get() + image::kPixelOffset, header.width, header.height,
                                     image::row_stride(header.width)};
    std::fill_n(preview.bits, static_cast<std::size_t>(preview.stride) * preview.height, 0);
    demo::draw_preview(image, state.image_length, preview,
                       demo::preview_offset(state.image_length));
}

}  // namespace np::acquisition::demo_image
