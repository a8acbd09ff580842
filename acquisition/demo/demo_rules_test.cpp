// What the driver's tests under Wine do not reach: the widest images, which fill the
// preview, announce no offset and must not draw past its 666 columns.
#include "acquisition/demo/demo_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace np::demo {
namespace {

TEST(DemoPreview, WidestImagesStayInsideThePreviewRows) {
    for (int length : {3996, 3997, 3999, 4000}) {
        const std::vector<std::uint8_t> image(static_cast<std::size_t>(length) * kImageRows, 1);
        std::vector<std::uint8_t> pixels(668 * 208, 0xEE);  // rows of 666 padded to 668
        draw_preview(image.data(), length, {pixels.data(), 666, 208, 668}, preview_offset(length));
        for (int stored_row = 0; stored_row < 208; ++stored_row) {
            EXPECT_EQ(pixels[stored_row * 668 + 665], 1) << length;
            EXPECT_EQ(pixels[stored_row * 668 + 666], 0xEE) << length;
            EXPECT_EQ(pixels[stored_row * 668 + 667], 0xEE) << length;
        }
    }
}

TEST(SimulatedTransfer, FullWidthImageAnnouncesNoOffset) {
    EXPECT_EQ(preview_offset(4000), 0);
    const SimulatedTransfer full(4000, 0);
    EXPECT_FALSE(full.announces_offset());
    EXPECT_EQ(full.steps(), 400);
    EXPECT_EQ(full.step_columns(0), 2);
}

}  // namespace
}  // namespace np::demo
