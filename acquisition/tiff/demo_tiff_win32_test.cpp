// The Win32 file access under Wine: a real file, read through the handles the driver uses.
#include "acquisition/tiff/demo_tiff_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

namespace np::tiff {
namespace {

void put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// An uncompressed 8-bit grey file of one strip without byte counts: header, pixels, directory.
std::vector<uint8_t> grey_tiff(uint32_t width, uint32_t height, std::vector<uint8_t>& pixels) {
    pixels.resize(size_t{width} * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i % 251);
    std::vector<uint8_t> file = {'I', 'I', 42, 0};
    put(file, static_cast<uint32_t>(8 + pixels.size()), 4);
    file.insert(file.end(), pixels.begin(), pixels.end());
    const uint32_t entries[][4] = {
        {256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 1, 8}, {273, 4, 1, 8}};
    put(file, 4, 2);
    for (const auto& e : entries) {
        put(file, e[0], 2);
        put(file, e[1], 2);
        put(file, e[2], 4);
        put(file, e[3], 4);
    }
    put(file, 0, 4);
    return file;
}

class DemoFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[MAX_PATH];
        ASSERT_NE(::GetTempPathA(MAX_PATH, dir), 0u);
        path_ = std::string(dir) + "DEMO0001.TIF";
        std::vector<uint8_t> file = grey_tiff(64, 1244, pixels_);
        HANDLE h =
            ::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
        ::CloseHandle(h);
        ASSERT_EQ(written, file.size());
        size_ = file.size();
    }
    void TearDown() override { ::DeleteFileA(path_.c_str()); }

    std::string path_;
    std::vector<uint8_t> pixels_;
    size_t size_ = 0;
};

TEST_F(DemoFileOnDisk, LoadsBottomUpIntoTheImageBuffer) {
    std::vector<uint8_t> dest(kDemoBufferSize);
    uint32_t width = 0;
    ASSERT_TRUE(load_demo_file(path_, dest, width));
    EXPECT_EQ(width, 64u);
    for (uint32_t r = 0; r < kDemoRows; ++r) {
        ASSERT_TRUE(std::equal(dest.begin() + r * 64, dest.begin() + (r + 1) * 64,
                               pixels_.begin() + (kDemoRows - 1 - r) * 64));
    }
}

TEST_F(DemoFileOnDisk, ReadsStayInsideTheFile) {
    Win32FileAccess files;
    EXPECT_TRUE(files.exists(path_));
    EXPECT_FALSE(files.exists(path_ + ".missing"));
    auto source = files.open(path_);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->size(), size_);
    uint8_t bytes[4];
    EXPECT_TRUE(source->read(0, bytes));
    EXPECT_EQ(bytes[0], 'I');
    EXPECT_TRUE(source->read(size_ - 4, bytes));
    EXPECT_FALSE(source->read(size_ - 3, bytes));
    EXPECT_FALSE(source->read(0xFFFFFFFFFFFFull, bytes));
    // Not shared while open.
    HANDLE other = ::CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
}

}  // namespace
}  // namespace np::tiff
