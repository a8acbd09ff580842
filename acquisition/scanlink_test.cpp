// Scanlink_sim as a host sees it: opening with every result, closing, the queries,
// the boxes shown on the way, and the module's resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "acquisition/card/request_error_box.h"
#include "acquisition/testing/scanlink_host.h"
#include "tools/wintest/address_space_hog.h"
#include "common/win32_handles.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/process_handles.h"

namespace np {
namespace {

using testing::ScanlinkHost;

constexpr const char* kConfigurationText =
    "Your ORVIX interface card need to be upgraded to support the 12 bits transfert mode of the "
    "ORVIX Cassette.";

class ScanlinkTest : public ::testing::Test {
  protected:
    int open(short host_code = 0) {
        return host_.driver().PANOOPEN(host_.window(), "test host", host_code);
    }
    void close() { host_.driver().PANOCLOSE(); }

    ScanlinkHost host_;
    MessageBoxCapture boxes_;
};

// Full has every entry point, Minimal only the four required ones, Decorated its optional
// ones under names the driver does not look for.
TEST_F(ScanlinkTest, OpensWithEveryTestModuleAndPassesThroughWhatTheModuleHas) {
    for (const char* module :
         {"TestPanodlgFull.dll", "TestPanodlgMinimal.dll", "TestPanodlgDecorated.dll"}) {
        SCOPED_TRACE(module);
        const bool full = module == std::string("TestPanodlgFull.dll");
        host_.install_adaptation(module);
        ASSERT_EQ(open(), 1);
        int width = 0, height = 0;
        host_.driver().PANOSIZE(&width, &height);
        EXPECT_EQ(width, 2550);
        EXPECT_EQ(height, 1244);
        host_.driver().PANOPREVIEWSIZE(&width, &height);
        EXPECT_EQ(width, 666);
        EXPECT_EQ(height, 208);
        AcquisitionRecord record{};
        EXPECT_EQ(host_.driver().PANOGETCOMMDATA(&record), 0);
        double x = -1, y = -1;
        EXPECT_EQ(host_.driver().NPANOCANCOMBINEATM(27, 33), full ? 27033 : 0);
        EXPECT_EQ(host_.driver().BPANORESOLUTION(&x, &y), full ? 1 : 0);
        EXPECT_EQ(x, full ? 0.125 : -1);
        close();
    }
    // Closed: no module to ask.
    EXPECT_EQ(host_.driver().NPANOCANCOMBINEATM(27, 33), 0);
    EXPECT_EQ(boxes_.count(), 0u) << boxes_.log();
}

TEST_F(ScanlinkTest, VersionIsExactlyFiveBytes) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    host_.driver().PANOGetVersion(buffer);
    EXPECT_EQ(std::memcmp(buffer, "2.0A\0xxx", 8), 0);
}

TEST_F(ScanlinkTest, OpeningFailuresGiveTheirCodes) {
    host_.set_card_dword("Present", 0);
    EXPECT_EQ(open(), -1);
    host_.set_card_dword("Present", 1);
    host_.install_mask({});
    EXPECT_EQ(open(), -3);
    host_.install_mask(testing::mask_file_bytes(4999));
    EXPECT_EQ(open(), -3);
    host_.install_mask(testing::mask_file_bytes(5000));
    host_.remove_card_setting("TimeoutPano");
    EXPECT_EQ(open(), -8);
    host_.set_card_setting("TimeoutPano", 100);
    host_.set_card_setting("BaudRateOrvix", 3);
    EXPECT_EQ(open(), -8);
    host_.set_card_setting("BaudRateOrvix", 2);
    host_.set_card_text("Firmware", "2.00");
    EXPECT_EQ(open(), -9);
    host_.set_card_text("Firmware", "1.10");
    EXPECT_EQ(open(), 1);
    close();
    EXPECT_EQ(boxes_.count(), 0u) << boxes_.log();

    host_.install_adaptation(nullptr);
    EXPECT_EQ(open(), -10);
    host_.install_adaptation("TestPanodlgIncomplete.dll");
    EXPECT_EQ(open(), -10);
    // Nothing else was opened: not even a missing card is noticed.
    host_.set_card_dword("Present", 0);
    EXPECT_EQ(open(), -10);
    EXPECT_EQ(host_.driver().NPANOCANCOMBINEATM(1, 2), 0);
}

TEST_F(ScanlinkTest, EachFailingCardRequestShowsItsBox) {
    const DWORD error = ERROR_NOT_READY;
    host_.set_card_dword("FailError", error);
    for (const char* request : {"IOCTL_READ_FW_VERSION", "IOCTL_XCHG_PICT_XFER_INFO",
                                "IOCTL_MAP_PICT_XFER_ADD", "IOCTL_UNMAP_PICT_XFER_ADD"}) {
        SCOPED_TRACE(request);
        boxes_.clear();
        host_.set_card_text("Fail", request);
        EXPECT_EQ(open(), std::string(request) == "IOCTL_UNMAP_PICT_XFER_ADD" ? 1 : -7);
        close();
        close();  // the device is gone: nothing more to unmap
        ASSERT_EQ(boxes_.count(), 1u) << boxes_.log();
        EXPECT_EQ(boxes_[0].owner, nullptr);
        EXPECT_EQ(boxes_[0].title, std::string("Scanlink : ") + request);
        EXPECT_EQ(boxes_[0].text, card::system_error_text(error));
        EXPECT_FALSE(boxes_[0].text.empty());
        EXPECT_EQ(boxes_[0].icon, static_cast<UINT>(MB_ICONSTOP));
        EXPECT_EQ(boxes_[0].buttons, static_cast<UINT>(MB_OK));
    }
}

// The choice shows through the old firmware: 12 bits on it brings the configuration box.
TEST_F(ScanlinkTest, AutomaticModeComparesTheMaskCassetteWithTheFirst12BitOne) {
    host_.set_card_setting("ModeOrvix", 0);
    host_.set_card_text("Firmware", "1.00");
    EXPECT_EQ(open(), -8);  // no "SerialNbK7_12b"
    EXPECT_EQ(boxes_.count(), 0u) << boxes_.log();

    host_.registry().set_user_text(testing::kPanoPath, "SerialNbK7_12b", "or  500");
    host_.install_mask(testing::mask_file_bytes(5000, "OR  499"));
    EXPECT_EQ(open(), 1);  // 10 bits
    EXPECT_EQ(boxes_.count(), 0u) << boxes_.log();
    host_.install_mask(testing::mask_file_bytes(5000, "OR  500"));
    EXPECT_EQ(open(), -8);  // 12 bits
    ASSERT_EQ(boxes_.count(), 1u) << boxes_.log();
    EXPECT_EQ(boxes_[0].title, "Configuration Error");
    EXPECT_EQ(boxes_[0].text, kConfigurationText);
    EXPECT_EQ(boxes_[0].icon, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(boxes_[0].owner, nullptr);
}

TEST_F(ScanlinkTest, RefusedBufferAllocation) {
    ASSERT_EQ(open(), 1);  // the card's own buffer exists from here on
    close();
    int result = 0;
    {
        np::AddressSpaceHog hog;
        result = open();
        close();
    }
    EXPECT_EQ(result, -4);
    EXPECT_EQ(open(), 1);
}

TEST_F(ScanlinkTest, CloseAfterEveryFailureAndTwiceLeaksNoHandle) {
    auto open_and_close_twice = [&] {
        open();
        close();
        close();
    };
    // Everything loaded once, so that only the driver's own handles count.
    ASSERT_EQ(open(), 1);
    close();

    host_.install_adaptation(nullptr);
    std::size_t before = count_open_handles();
    ASSERT_GT(before, 0u);
    open_and_close_twice();  // -10
    EXPECT_EQ(count_open_handles(), before);

    host_.install_adaptation("TestPanodlgFull.dll");
    before = count_open_handles();

    open_and_close_twice();  // opened
    host_.install_mask({});
    open_and_close_twice();  // -3
    host_.install_mask(testing::mask_file_bytes());
    host_.set_card_dword("Present", 0);
    open_and_close_twice();  // -1
    host_.set_card_dword("Present", 1);
    // The last request of the opening fails with everything else open; the unmap at close.
    for (const char* request : {"IOCTL_MAP_PICT_XFER_ADD", "IOCTL_UNMAP_PICT_XFER_ADD"}) {
        host_.set_card_text("Fail", request);
        open_and_close_twice();
    }
    host_.set_card_text("Fail", "");
    // Opening again without closing first.
    open();
    open();
    close();

    EXPECT_EQ(count_open_handles(), before);
    EXPECT_EQ(boxes_.count(), 2u) << boxes_.log();
}

// A copy under another name is a second, independent driver the test can unload.
TEST_F(ScanlinkTest, HostMayUnloadTheDriverWithoutClosingIt) {
    ASSERT_TRUE(::CopyFileA("Scanlink_sim.dll", "Scanlink_unload.dll", FALSE));
    HMODULE copy = ::LoadLibraryA("Scanlink_unload.dll");
    ASSERT_TRUE(copy);
    const auto open_copy = reinterpret_cast<int (*)(HWND, const char*, short)>(
        reinterpret_cast<void*>(::GetProcAddress(copy, "PANOOPEN")));
    ASSERT_TRUE(open_copy);
    EXPECT_EQ(open_copy(host_.window(), "test host", 0), 1);
    EXPECT_TRUE(::FreeLibrary(copy));
    ::DeleteFileA("Scanlink_unload.dll");
    // Its adaptation module stays loaded: nothing is freed from inside the loader's
    // notification. The test gives back that reference itself.
    const HMODULE left = ::GetModuleHandleA("Panodlg.dll");
    ASSERT_TRUE(left);
    ::FreeLibrary(left);
    // The other driver is untouched.
    EXPECT_EQ(open(), 1);
}

TEST_F(ScanlinkTest, ModuleCarriesItsTextsCursorAndLogos) {
    const HMODULE driver = ::GetModuleHandleA("Scanlink_sim.dll");
    ASSERT_TRUE(driver);
    const char* const texts[16] = {"ORVIX Warning",
                                   "ORVIX error",
                                   "ORVIX fatal error",
                                   "No ORVIX board detected !",
                                   "Not enough space to alloc buffers",
                                   "Unable to allocate memory for image",
                                   "The timeout period has expired",
                                   "The ORVIX board failed to acquire an image",
                                   "Cannot create Timer",
                                   "Cannot request DMA buffer",
                                   "DMA buffer size was reset.\nYou must restart Windows",
                                   "Mask file not found",
                                   "User escape",
                                   "Cannot open communications device",
                                   "Error while reading communications port",
                                   "This OP100 program is not compatible with ORVIX"};
    for (int id = 1; id <= 16; ++id) {
        char text[128] = {};
        ::LoadStringA(driver, id, text, sizeof text);
        EXPECT_STREQ(text, texts[id - 1]) << id;
    }
    EXPECT_TRUE(::LoadCursorA(driver, MAKEINTRESOURCEA(102)));

    struct Logo {
        int id, width, height, bits;
    };
    for (const Logo logo : {Logo{107, 48, 48, 4}, Logo{112, 169, 65, 8}}) {
        SCOPED_TRACE(logo.id);
        const HRSRC found = ::FindResourceA(driver, MAKEINTRESOURCEA(logo.id), MAKEINTRESOURCEA(2));
        ASSERT_TRUE(found);
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(driver, found)));
        EXPECT_EQ(header->biWidth, logo.width);
        EXPECT_EQ(header->biHeight, logo.height);  // bottom-up
        EXPECT_EQ(header->biBitCount, logo.bits);
        // A mark of white pixels on black.
        const auto* palette = reinterpret_cast<const RGBQUAD*>(header + 1);
        const int colours = header->biClrUsed ? header->biClrUsed : 1 << logo.bits;
        const auto* pixels = reinterpret_cast<const BYTE*>(palette + colours);
        const int stride = ((logo.width * logo.bits + 31) / 32) * 4;
        int white = 0;
        for (int i = 0; i < stride * logo.height; ++i) {
            const int index = logo.bits == 8 ? pixels[i] : pixels[i] >> 4;
            white += palette[index].rgbBlue == 255 && palette[index].rgbRed == 255;
        }
        EXPECT_GT(white, 50);
        const HBITMAP bitmap = ::LoadBitmapA(driver, MAKEINTRESOURCEA(logo.id));
        EXPECT_TRUE(bitmap);
        ::DeleteObject(bitmap);
    }
}

}  // namespace
}  // namespace np
