// PanoView under Wine, worked by a test thread as an operator would: find the window,
// click Acquire, watch the preview fill, save the image through the file dialog. The
// screenshots and the saved file land in bin/panoview-run/; the check that the saved
// PNG equals the delivered bitmap runs afterwards with ImageMagick (CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/testing/host_bench.h"
#include "host/host_files.h"
#include "host/panoview/png_file.h"
#include "host/panoview/viewer_window.h"
#include "sdk/include/scanlink.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/test_files.h"
#include "tools/wintest/window_finder.h"

namespace {

using namespace np::panoview;
using np::testing::program_directory;
using np::testing::wait_until;

constexpr UINT kCaptureNow = WM_APP + 77;
constexpr int kPreviewColumns = 2700 / 6;  // the phantom's 2700 columns at 1/6

struct Screenshot {
    RasterImage image;
    Box picture;  // where the preview or image is drawn
    std::string status;
    long preview_columns = 0;
};

// What the observer saw on the viewer's thread.
struct Observed {
    WNDPROC viewer_procedure = nullptr;
    std::vector<std::uint8_t> delivered;
    std::atomic<bool> image_message{false};
    Screenshot half, final;
};
Observed* g_observed = nullptr;

Screenshot capture(HWND window, int picture_width, int picture_height) {
    RECT client;
    ::GetClientRect(window, &client);
    Screenshot shot;
    shot.picture = fit_picture(picture_area(window), picture_width, picture_height);
    char status[256] = {};
    ::GetWindowTextA(::GetDlgItem(window, kStatusText), status, sizeof status);
    shot.status = status;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC window_dc = ::GetDC(window);
    np::UniqueDc memory(::CreateCompatibleDC(window_dc));
    np::UniqueGdiObject section(
        ::CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ previous = ::SelectObject(memory.get(), section.get());
    ::BitBlt(memory.get(), 0, 0, client.right, client.bottom, window_dc, 0, 0, SRCCOPY);
    ::SelectObject(memory.get(), previous);
    ::ReleaseDC(window, window_dc);
    ::GdiFlush();
    shot.image = {client.right, client.bottom, PngColour::rgb, {}};
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (long at = 0; at < long(client.right) * client.bottom; ++at)
        shot.image.pixels.insert(shot.image.pixels.end(),
                                 {pixels[4 * at + 2], pixels[4 * at + 1], pixels[4 * at]});
    return shot;
}

LRESULT CALLBACK observer(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Observed& seen = *g_observed;
    if (message == kCaptureNow) {
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        seen.final = capture(window, 2700, 1244);
        return 0;
    }
    if (message == PANO_WM_IMAGE && wparam) {  // the block as delivered, before the viewer frees it
        const auto block = reinterpret_cast<HGLOBAL>(wparam);
        const auto* bytes = static_cast<const std::uint8_t*>(::GlobalLock(block));
        seen.delivered.assign(bytes, bytes + ::GlobalSize(block));
        ::GlobalUnlock(block);
    }
    const LRESULT result =
        ::CallWindowProcA(seen.viewer_procedure, window, message, wparam, lparam);
    if (message == PANO_WM_PREVIEW && seen.half.image.pixels.empty() &&
        lparam >= kPreviewColumns / 2) {
        seen.half = capture(window, 666, 208);
        seen.half.preview_columns = static_cast<long>(lparam);
    }
    if (message == PANO_WM_IMAGE) seen.image_message = true;
    return result;
}

// The operator: everything goes to the viewer's thread as posted input, never sent,
// because that thread does not pump messages while the driver works.
void operate(Observed& seen, const std::string& saved, std::string& failure) {
    // The window is found while it is still being created: wait until it shows.
    HWND viewer = nullptr, acquire = nullptr;
    if (!wait_until(
            [&] {
                viewer = ::FindWindowA(kViewerClass, nullptr);
                acquire = viewer ? ::GetDlgItem(viewer, kAcquireButton) : nullptr;
                return acquire && ::IsWindowVisible(viewer) && ::IsWindowEnabled(acquire);
            },
            20000)) {
        failure = "no PanoView window with its Acquire button";
        return;
    }
    const DWORD thread = ::GetWindowThreadProcessId(viewer, nullptr);
    seen.viewer_procedure = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(viewer, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(observer)));
    ::PostMessageA(acquire, BM_CLICK, 0, 0);
    if (!wait_until([&] { return seen.image_message.load(); }, 120000)) {
        // Read without a message: the viewer's thread may be stuck in the driver.
        wchar_t status[256] = {};
        ::InternalGetWindowText(::GetDlgItem(viewer, kStatusText), status, 256);
        failure = "no image message; status \"" + std::string(status, status + ::lstrlenW(status)) +
                  "\", Acquire " + (::IsWindowEnabled(acquire) ? "enabled" : "disabled");
    }
    if (failure.empty() && !wait_until([&] { return ::IsWindowEnabled(acquire) != FALSE; }, 30000))
        failure = "Acquire stays disabled";
    if (failure.empty()) {
        ::SendMessageA(viewer, kCaptureNow, 0, 0);  // the viewer is idle again
        ::PostMessageA(viewer, WM_COMMAND, kSaveCommand, 0);
        HWND dialog = nullptr;
        if (!wait_until([&] { return (dialog = np::testing::find_dialog(thread)) != nullptr; },
                        30000)) {
            failure = "no save dialog";
        } else {
            np::testing::press(dialog, IDOK);
            if (!wait_until(
                    [&] {
                        return !::IsWindow(dialog) &&
                               ::GetFileAttributesA(saved.c_str()) != INVALID_FILE_ATTRIBUTES;
                    },
                    60000))
                failure = "nothing saved as " + saved;
        }
    }
    ::PostMessageA(viewer, WM_CLOSE, 0, 0);
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    np::testing::put_file(path.c_str(), std::string(bytes.begin(), bytes.end()));
}

// Mean brightness of a band of the picture box, from `from` to `to` (fractions of its width).
double band_mean(const Screenshot& shot, double from, double to) {
    const Box& box = shot.picture;
    double sum = 0, count = 0;
    for (int y = box.top + 2; y < box.top + box.height - 2; ++y)
        for (int x = box.left + int(from * box.width); x < box.left + int(to * box.width); ++x)
            for (int c = 0; c < 3; ++c, ++count)
                sum += shot.image.pixels[(std::size_t(y) * shot.image.width + x) * 3 + c];
    return count ? sum / count : -1;
}

TEST(PanoView, OperatorAcquiresWatchesThePreviewAndSavesThePng) {
    np::RegistrySandbox registry("NORVANE");
    // Slow enough that the preview grows in small steps.
    np::testing::set_working_card(registry, 1, 2000);
    np::testing::MaskInstall mask;
    ASSERT_TRUE(mask.write(np::testing::mask_file_bytes()));
    np::testing::AdaptationInstall adaptation;
    ASSERT_TRUE(adaptation.install("Generic.dll"));

    const std::string out = program_directory() + "\\panoview-run";
    ::CreateDirectoryA(out.c_str(), nullptr);
    const std::string saved = out + "\\pano-1.png";
    ::DeleteFileA(saved.c_str());
    ASSERT_TRUE(::SetCurrentDirectoryA(out.c_str()));  // where the save dialog starts

    Observed seen;
    g_observed = &seen;
    std::string failure;
    std::thread operator_thread(operate, std::ref(seen), saved, std::ref(failure));
    ViewerOptions options;
    options.driver = "Scanlink_sim.dll";
    run_viewer(::GetModuleHandleA(nullptr), options, SW_SHOWNORMAL);
    operator_thread.join();
    ::SetCurrentDirectoryA(program_directory().c_str());
    g_observed = nullptr;
    ASSERT_EQ(failure, "");

    ASSERT_FALSE(seen.half.image.pixels.empty());
    write_file(out + "\\preview-half.png", png_file(seen.half.image));
    write_file(out + "\\final-image.png", png_file(seen.final.image));
    write_file(out + "\\delivered.bmp", np::host::bmp_file(seen.delivered));

    // The preview fills from its right edge: the right part drawn, the left still black.
    EXPECT_LT(seen.half.preview_columns, kPreviewColumns * 2 / 3);
    EXPECT_EQ(seen.half.status, "Acquiring from Scanlink_sim.dll...");
    EXPECT_GT(band_mean(seen.half, 0.75, 0.95), 20.0);
    EXPECT_EQ(band_mean(seen.half, 0.05, 0.40), 0.0);
    // The whole image, its size and the result.
    EXPECT_EQ(seen.final.status, "Image 2700 x 1244 - result 1");
    EXPECT_GT(band_mean(seen.final, 0.05, 0.40), 20.0);
    EXPECT_GT(band_mean(seen.final, 0.60, 0.95), 20.0);
}

}  // namespace
