#include "acquisition/demo/demo_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace np::demo {
namespace {

TEST(DemoRecord, WithoutConsoleCarriesTheDemonstrationExposure) {
    AcquisitionRecord record{};
    record.section_count = 4;
    record.sections[3] = {100, 200};
    fill_demo_record(record, false, 2550);
    EXPECT_EQ(+record.program, 0);
    EXPECT_EQ(+record.unit_specific, 77);
    EXPECT_FLOAT_EQ(+record.kv, 70.0f);
    EXPECT_FLOAT_EQ(+record.ma, 6.4f);
    EXPECT_FLOAT_EQ(+record.exposure_time, 17.6f);
    EXPECT_EQ(+record.valid, 1264u);
    EXPECT_EQ(+record.section_count, 1);
    EXPECT_EQ(+record.sections[0].start, 0);
    EXPECT_EQ(+record.sections[0].width, 2550);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    for (int at = 24; at < 60; ++at)
        EXPECT_EQ(bytes[at], 0) << "byte " << at;
}

TEST(DemoRecord, WithConsoleKeepsItsExposureAndCoversTheImage) {
    AcquisitionRecord record{};
    record.program = 20;
    record.kv = 66.0f;
    record.ma = 8.0f;
    record.exposure_time = 12.0f;
    record.section_count = 3;
    fill_demo_record(record, true, 2000);
    EXPECT_EQ(+record.program, 0);
    EXPECT_FLOAT_EQ(+record.kv, 66.0f);
    EXPECT_FLOAT_EQ(+record.ma, 8.0f);
    EXPECT_FLOAT_EQ(+record.exposure_time, 12.0f);
    EXPECT_EQ(+record.section_count, 1);
    EXPECT_EQ(+record.sections[0].width, 2000);
}

TEST(DemoPreview, OffsetCentresTheImageAtOneSixth) {
    EXPECT_EQ(preview_offset(2000), 166);
    EXPECT_EQ(preview_offset(2550), 120);
    EXPECT_EQ(preview_offset(4000), 0);
    EXPECT_EQ(preview_offset(1), 333);
}

struct Preview {
    std::vector<std::uint8_t> pixels;
    BitmapPixels view;
    Preview() : pixels(668 * 208 + 64, 0xEE) { view = {pixels.data(), 666, 208, 668}; }
    std::uint8_t at(int column, int stored_row) const { return pixels[stored_row * 668 + column]; }
};

std::vector<std::uint8_t> numbered_image(int length) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(length) * kImageRows);
    for (int row = 0; row < kImageRows; ++row)
        for (int x = 0; x < length; ++x)
            image[static_cast<std::size_t>(row) * length + x] =
                static_cast<std::uint8_t>((row / 6) * 7 + x / 6);
    return image;
}

TEST(DemoPreview, EverySixthPixelOfEverySixthRowFromTheOffset) {
    const auto image = numbered_image(2000);
    Preview preview;
    draw_preview(image.data(), 2000, preview.view, 166);
    EXPECT_EQ(preview.at(165, 0), 0xEE);  // left of the image: untouched
    for (int stored_row : {0, 100, 207})
        for (int x : {0, 6, 1998})
            EXPECT_EQ(preview.at(166 + x / 6, stored_row), image[stored_row * 6 * 2000 + x])
                << stored_row << " " << x;
    EXPECT_EQ(preview.at(166 + 334, 0), 0xEE);  // right of the image: untouched
}

TEST(DemoPreview, WidestImagesStayInsideThePreviewRows) {
    for (int length : {3996, 3997, 3999, 4000}) {
        const auto image = numbered_image(length);
        Preview preview;
        draw_preview(image.data(), length, preview.view, preview_offset(length));
        for (int stored_row = 0; stored_row < 208; ++stored_row) {
            EXPECT_EQ(preview.at(666, stored_row), 0xEE) << length;
            EXPECT_EQ(preview.at(667, stored_row), 0xEE) << length;
        }
    }
}

TEST(DemoBitmap, ImageRowsBecomeStoredRowsWithTheirPadding) {
    const int length = 10;
    const auto image = numbered_image(length);
    const int stride = 12;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * kImageRows, 0xEE);
    copy_image_rows(image.data(), length, {bits.data(), length, kImageRows, stride});
    for (int row : {0, 611, 1243}) {
        for (int x = 0; x < length; ++x)
            EXPECT_EQ(bits[row * stride + x], image[row * length + x]);
        EXPECT_EQ(bits[row * stride + 10], 0xEE);
    }
}

TEST(SimulatedTransfer, AnnouncesTheOffsetThenTenColumnsAStep) {
    const SimulatedTransfer transfer(2000, 166);
    EXPECT_TRUE(transfer.announces_offset());
    EXPECT_EQ(transfer.announcement(), (166 + 5) / 6);
    EXPECT_EQ(transfer.steps(), 200);
    EXPECT_EQ(transfer.step_columns(0), (6 * 166 + 15) / 6);
    EXPECT_EQ(transfer.step_columns(199), (1990 + 6 * 166 + 15) / 6);

    const SimulatedTransfer full(4000, 0);
    EXPECT_FALSE(full.announces_offset());
    EXPECT_EQ(full.steps(), 400);
    EXPECT_EQ(full.step_columns(0), 2);
}

TEST(DemoFile, InstallDirectoryThenTheFileName) {
    EXPECT_EQ(demo_file_path(kDefaultInstallDir), "C:\\KX\\DEMO0001.TIF");
    EXPECT_EQ(demo_file_path("D:\\Orvix"), "D:\\Orvix\\DEMO0001.TIF");
}

}  // namespace
}  // namespace np::demo
