// The Win32 file access under Wine: a real file, read through the handles the driver uses.
// (Loading through it is exercised by the demonstration driver's tests.)
#include "acquisition/tiff/demo_tiff_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tools/wintest/test_files.h"

namespace np::tiff {
namespace {

TEST(DemoFileOnDisk, ReadsStayInsideTheFileWhichIsNotShared) {
    char dir[MAX_PATH];
    ASSERT_NE(::GetTempPathA(MAX_PATH, dir), 0u);
    const std::string path = std::string(dir) + "DEMO0001.TIF";
    const char bytes[] = "II*\0 four more";
    const DWORD size = sizeof bytes;
    ASSERT_TRUE(np::testing::put_file(path.c_str(), std::string(bytes, size)));

    Win32FileAccess files;
    EXPECT_TRUE(files.exists(path));
    EXPECT_FALSE(files.exists(path + ".missing"));
    EXPECT_FALSE(files.exists(dir)) << "a directory is no file";
    {
        auto source = files.open(path);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->size(), size);
        uint8_t last[4];
        EXPECT_TRUE(source->read(size - 4, last));
        EXPECT_EQ(last[0], 'o');
        EXPECT_FALSE(source->read(size - 3, last));
        HANDLE other = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE) << "shared while open";
        if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    }
    ::DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace np::tiff
