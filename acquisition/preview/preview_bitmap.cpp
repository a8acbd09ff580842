#include "acquisition/preview/preview_bitmap.h"

#include "acquisition/record/record_rules.h"

namespace np::preview {
namespace {

constexpr int kPaletteEntries = 256;

DWORD row_stride(int width) {
    return (static_cast<DWORD>(width) + 3) & ~DWORD{3};
}

}  // namespace

UniqueGlobal allocate_preview_bitmap(int factor) {
    const record::PreviewSize size = record::preview_size(factor);
    const DWORD pixels = row_stride(size.width) * static_cast<DWORD>(size.height);
    const DWORD palette = kPaletteEntries * sizeof(RGBQUAD);
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                     sizeof(BITMAPINFOHEADER) + palette + pixels + 1));
    if (!block) return block;
    GlobalLock<BYTE> bytes(block.get());
    if (!bytes) return UniqueGlobal();
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes.get());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = size.width;
    header->biHeight = size.height;
    header->biPlanes = 1;
    header->biBitCount = 8;
    header->biCompression = BI_RGB;
    header->biSizeImage = pixels;
    auto* grey = reinterpret_cast<RGBQUAD*>(bytes.get() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < kPaletteEntries; ++i) {
        const BYTE level = static_cast<BYTE>(i);
        grey[i] = RGBQUAD{level, level, level, 0};
    }
    return block;
}

}  // namespace np::preview
