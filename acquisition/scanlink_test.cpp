// Scanlink_sim as a host sees it: opening with every result, closing, the queries,
// the boxes shown on the way, and the module's resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/card/request_error_box.h"
#include "acquisition/testing/host_bench.h"
#include "tools/wintest/address_space_hog.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/process_handles.h"

namespace np {
namespace {

using testing::mask_file_bytes;

constexpr const char* kConfigurationText =
    "Your ORVIX interface card need to be upgraded to support the 12 bits transfert mode of the "
    "ORVIX Cassette.";

class ScanlinkTest : public ::testing::Test {
  protected:
    int open() { return bench_.open(); }
    void close() { bench_.close(); }
    const testing::DriverExports& driver() const { return bench_.driver(); }
    void install_adaptation(const char* module) {
        ASSERT_TRUE(bench_.adaptation().install(module));
    }
    void install_mask(const std::vector<std::uint8_t>& bytes) {
        ASSERT_TRUE(bench_.mask().write(bytes));
    }
    void set_setting(const char* name, std::uint32_t value) {
        bench_.registry().set_user_dword(testing::kPanoPath, name, value);
    }
    // Values of the simulated card.
    void set_card(const char* name, std::uint32_t value) {
        bench_.registry().set_user_dword(testing::kCardSimulatorPath, name, value);
    }
    void set_card(const char* name, const char* text) {
        bench_.registry().set_user_text(testing::kCardSimulatorPath, name, text);
    }

    testing::ScanlinkBench bench_{"TestPanodlgFull.dll"};
    MessageBoxCapture boxes_;
};

// Full has every entry point, Minimal only the four required ones, Decorated its optional
// ones under names the driver does not look for.
TEST_F(ScanlinkTest, OpensWithEveryTestModuleAndPassesThroughWhatTheModuleHas) {
    for (const char* module :
         {"TestPanodlgFull.dll", "TestPanodlgMinimal.dll", "TestPanodlgDecorated.dll"}) {
        SCOPED_TRACE(module);
        const bool full = module == std::string("TestPanodlgFull.dll");
        install_adaptation(module);
        ASSERT_EQ(open(), 1);
        EXPECT_EQ(driver().size(), (std::pair{2550, 1244}));
        EXPECT_EQ(driver().preview_size(), (std::pair{666, 208}));
        AcquisitionRecord record{};
        EXPECT_EQ(driver().PANOGETCOMMDATA(&record), 0);
        double x = -1, y = -1;
        EXPECT_EQ(driver().NPANOCANCOMBINEATM(27, 33), full ? 27033 : 0);
        EXPECT_EQ(driver().BPANORESOLUTION(&x, &y), full ? 1 : 0);
        EXPECT_EQ(x, full ? 0.125 : -1);
        close();
    }
    // Closed: no module to ask.
    EXPECT_EQ(driver().NPANOCANCOMBINEATM(27, 33), 0);
    EXPECT_EQ(boxes_.count(), 0u) << boxes_.log();
    // The version is exactly five bytes.
    char version[8];
    std::memset(version, 'x', sizeof version);
    driver().PANOGetVersion(version);
    EXPECT_EQ(std::memcmp(version, "2.0A\0xxx", 8), 0);
}

TEST_F(ScanlinkTest, EachFailingCardRequestShowsItsBox) {
    const DWORD error = ERROR_NOT_READY;
    set_card("FailError", error);
    for (const char* request : {"IOCTL_READ_FW_VERSION", "IOCTL_XCHG_PICT_XFER_INFO",
                                "IOCTL_MAP_PICT_XFER_ADD", "IOCTL_UNMAP_PICT_XFER_ADD"}) {
        SCOPED_TRACE(request);
        boxes_.clear();
        set_card("Fail", request);
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
    set_setting("ModeOrvix", 0);
    set_card("Firmware", "1.00");
    EXPECT_EQ(open(), -8);  // no "SerialNbK7_12b"
    EXPECT_EQ(boxes_.count(), 0u) << boxes_.log();

    bench_.registry().set_user_text(testing::kPanoPath, "SerialNbK7_12b", "or  500");
    install_mask(mask_file_bytes(5000, "OR  499"));
    EXPECT_EQ(open(), 1);  // 10 bits
    EXPECT_EQ(boxes_.count(), 0u) << boxes_.log();
    install_mask(mask_file_bytes(5000, "OR  500"));
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

// Each opening in turn, from a fresh start: its code, a box only for a refused card
// request (that of the unmap at close), and closing twice gives back every handle.
// Without a usable module nothing else is opened: not even a missing card is noticed.
TEST_F(ScanlinkTest, EveryOpeningGivesItsCodeAndClosingAfterItLeaksNoHandle) {
    struct Case {
        const char* module;
        std::size_t mask_size;
        std::uint32_t card_present;
        const char* fail;
        std::uint32_t baud_rate_orvix;
        int result;
    };
    const char* full = "TestPanodlgFull.dll";
    // Everything loaded once, so that only the driver's own handles count.
    ASSERT_EQ(open(), 1);
    close();
    for (const Case& c :
         {Case{full, 5000, 0, "", 1, -1}, Case{full, 0, 1, "", 1, -3},
          Case{full, 4999, 1, "", 1, -3}, Case{full, 5000, 1, "", 3, -8},
          Case{full, 5000, 1, "", 2, 1}, Case{nullptr, 5000, 1, "", 1, -10},
          Case{"TestPanodlgIncomplete.dll", 5000, 1, "", 1, -10},
          Case{nullptr, 5000, 0, "", 1, -10}, Case{full, 5000, 1, "IOCTL_MAP_PICT_XFER_ADD", 1, -7},
          Case{full, 5000, 1, "IOCTL_UNMAP_PICT_XFER_ADD", 1, 1}}) {
        SCOPED_TRACE(::testing::Message() << c.result << " " << c.fail);
        install_adaptation(c.module);
        install_mask(c.mask_size ? mask_file_bytes(c.mask_size) : std::vector<std::uint8_t>{});
        set_card("Present", c.card_present);
        set_card("Fail", c.fail);
        set_setting("BaudRateOrvix", c.baud_rate_orvix);
        boxes_.clear();
        const std::size_t before = count_open_handles();
        EXPECT_EQ(open(), c.result);
        if (c.result == -10) {
            EXPECT_EQ(driver().NPANOCANCOMBINEATM(1, 2), 0);
        }
        close();
        close();
        EXPECT_EQ(count_open_handles(), before);
        EXPECT_EQ(boxes_.count(), *c.fail ? 1u : 0u) << boxes_.log();
    }
    // Opening again without closing first.
    install_adaptation(full);
    set_card("Fail", "");
    const std::size_t before = count_open_handles();
    open();
    open();
    close();
    EXPECT_EQ(count_open_handles(), before);
}

// A copy under another name is a second, independent driver the test can unload.
TEST_F(ScanlinkTest, HostMayUnloadTheDriverWithoutClosingIt) {
    ASSERT_TRUE(::CopyFileA("Scanlink_sim.dll", "Scanlink_unload.dll", FALSE));
    HMODULE copy = ::LoadLibraryA("Scanlink_unload.dll");
    ASSERT_TRUE(copy);
    const auto open_copy = reinterpret_cast<int (*)(HWND, const char*, short)>(
        reinterpret_cast<void*>(::GetProcAddress(copy, "PANOOPEN")));
    ASSERT_TRUE(open_copy);
    EXPECT_EQ(open_copy(bench_.host().handle(), "test host", 0), 1);
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

    // The logos: a mark of white pixels on black, bottom-up.
    struct Logo {
        int id, width, height, bits;
    };
    for (const Logo logo : {Logo{107, 48, 48, 4}, Logo{112, 169, 65, 8}}) {
        SCOPED_TRACE(logo.id);
        const testing::DriverBitmap bitmap = testing::driver_bitmap(logo.id);
        EXPECT_EQ(bitmap.width, logo.width);
        EXPECT_EQ(bitmap.height, logo.height);
        EXPECT_EQ(bitmap.bits, logo.bits);
        EXPECT_GT(std::count(bitmap.white.begin(), bitmap.white.end(), true), 50);
        const HBITMAP loaded = ::LoadBitmapA(driver, MAKEINTRESOURCEA(logo.id));
        EXPECT_TRUE(loaded);
        ::DeleteObject(loaded);
    }
}

}  // namespace
}  // namespace np
