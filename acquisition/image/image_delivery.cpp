#include "acquisition/image/image_delivery.h"

#include <cstring>
#include <vector>

#include "acquisition/image/bitmap_layout.h"

namespace np::image {
namespace {

// The block's own header, checked against the block's size before any pixel is touched.
struct BlockShape {
    int width = 0;
    int height = 0;
};

BlockShape shape_of(HGLOBAL bitmap, const std::uint8_t* block) {
    BitmapHeader header;
    std::memcpy(&header, block, sizeof header);
    if (header.width <= 0 || header.height <= 0 || header.bit_count != 8) return {};
    if (bitmap_block_size(header.width, header.height) - 1 > ::GlobalSize(bitmap)) return {};
    return {header.width, header.height};
}

// The logo as a device-dependent bitmap: its bits in the display's pixel format.
struct LogoImage {
    BITMAP info{};
    std::vector<std::uint8_t> bits;
};

bool load_logo(LogoSource source, LogoImage& logo) {
    UniqueGdiObject bitmap(::LoadBitmapA(source.module, MAKEINTRESOURCEA(source.resource_id)));
    if (!bitmap) return false;
    if (::GetObjectA(bitmap.get(), sizeof logo.info, &logo.info) != sizeof logo.info) return false;
    const LONG size = logo.info.bmWidthBytes * logo.info.bmHeight;
    if (size <= 0) return false;
    logo.bits.resize(size);
    return ::GetBitmapBits(static_cast<HBITMAP>(bitmap.get()), size, logo.bits.data()) == size;
}

}  // namespace

void send_image(Recipients recipients, HGLOBAL bitmap) {
    const auto handle = reinterpret_cast<WPARAM>(bitmap);
    if (recipients.console && ::IsWindow(recipients.console))
        ::SendMessageA(recipients.console, kImageMessage, handle, 0);
    ::SendMessageA(recipients.host, kImageMessage, handle, 0);
}

UniqueGlobal allocate_bitmap(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    UniqueGlobal block(
        ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bitmap_block_size(width, height)));
    if (!block) return {};
    GlobalLock<std::uint8_t> bytes(block.get());
    if (!bytes) return {};
    write_bitmap_header(bytes.get(), width, height);
    return block;
}

void stamp_logo_resource(HGLOBAL bitmap, LogoSource source) {
    LogoImage logo;
    if (!load_logo(source, logo)) return;
    GlobalLock<std::uint8_t> block(bitmap);
    if (!block) return;
    const BlockShape shape = shape_of(bitmap, block.get());
    if (shape.width == 0) return;
    const LogoPixels pixels{logo.bits.data(), logo.info.bmWidth, logo.info.bmHeight,
                            logo.info.bmWidthBytes, logo.info.bmBitsPixel / 8};
    stamp_logo(bitmap_rows(block.get(), shape.width), shape.width, shape.height, pixels);
}

bool build_final_bitmap(HGLOBAL bitmap, RawImage raw, AcquisitionRecord& record,
                        const FlatFieldMask& mask, const ImageSettings& settings,
                        const AdaptationSteps& steps, LogoSource logo, DisplayTable& table) {
    {
        GlobalLock<std::uint8_t> block(bitmap);
        if (!block) return false;
        const BlockShape shape = shape_of(bitmap, block.get());
        if (shape.width != raw.lines || shape.height != kImageHeight) return false;
        const PixelRows rows = bitmap_rows(block.get(), shape.width);
        build_image(raw, record, mask, settings, rows, table);
        if ((settings.post_process & post_process::kAdaptationStep) && steps.post_process)
            steps.post_process(rows.bits, shape.width, shape.height);
    }
    if (record.program == kTmjProgram && steps.combine_tmj) steps.combine_tmj(bitmap, &record);
    stamp_logo_resource(bitmap, logo);
    return true;
}

void deliver_image(UniqueGlobal bitmap, RawImage raw, AcquisitionRecord& record,
                   const FlatFieldMask& mask, const ImageSettings& settings,
                   const AdaptationSteps& steps, LogoSource logo, Recipients recipients,
                   DisplayTable& table) {
    if (settings.image_type == kRawImage) {
        bitmap.reset();
        ::SendMessageA(recipients.host, kRawImageMessage, reinterpret_cast<WPARAM>(raw.samples), 0);
        return;
    }
    if (!bitmap ||
        !build_final_bitmap(bitmap.get(), raw, record, mask, settings, steps, logo, table)) {
        ::SendMessageA(recipients.host, kImageMessage, 0, 0);
        return;
    }
    send_image(recipients, bitmap.get());
    bitmap.release();  // the receiver frees it
}

}  // namespace np::image
