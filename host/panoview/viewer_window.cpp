#include "host/panoview/viewer_window.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "common/win32_handles.h"
#include "host/host_files.h"
#include "host/panoview/png_file.h"
#include "sdk/include/scanlink.h"

namespace np::panoview {
namespace {

constexpr int kStripHeight = 40;
constexpr int kMargin = 8;
constexpr COLORREF kBackground = RGB(64, 64, 64);
constexpr const char* kHostId = "PanoView";
constexpr const char* kDriverChoices[] = {"Scanlink.dll", "Scanlink_demo.dll", "Scanlink_sim.dll"};

const char* open_result_text(int result) {
    switch (result) {
        case PANO_OPEN_DEMO_FILE_UNREADABLE:
            return "the demonstration image cannot be read";
        case PANO_OPEN_NO_CARD:
            return "no acquisition card";
        case PANO_OPEN_NO_MASK:
            return "mask file PANO.MSK missing or too short";
        case PANO_OPEN_NO_RESOURCES:
            return "not enough memory or system resources";
        case PANO_OPEN_CARD_REQUEST_FAILED:
            return "a request to the card failed";
        case PANO_OPEN_BAD_SETTINGS:
            return "card settings missing or invalid";
        case PANO_OPEN_UNSUPPORTED_FIRMWARE:
            return "card firmware not supported";
        case PANO_OPEN_NO_ADAPTATION:
            return "adaptation module Panodlg.dll missing or incomplete";
        default:
            return "unknown result";
    }
}

const char* image_result_text(long code) {
    switch (code) {
        case PANO_IMAGE_NO_MEMORY:
            return "not enough memory for the image";
        case PANO_IMAGE_UNIT_LINK_FAILED:
            return "the link to the X-ray unit failed";
        case PANO_IMAGE_UNIT_READ_FAILED:
            return "the X-ray unit's data could not be read";
        case PANO_IMAGE_UNIT_DATA_REFUSED:
            return "the X-ray unit's data cannot be used";
        case PANO_IMAGE_CANCELLED:
            return "cancelled";
        case PANO_IMAGE_TRANSFER_FAILED:
            return "the scan failed";
        case PANO_IMAGE_UNIT_DEVICE_MISSING:
            return "the X-ray unit's device cannot be opened";
        case PANO_IMAGE_CARD_NOT_READY:
            return "the card is not ready";
        default:
            return "unknown result";
    }
}

// The driver the operator chose, loaded by name and kept open between acquisitions.
class DriverBinding {
  public:
    ~DriverBinding() { unload(); }

    const std::string& name() const { return name_; }
    bool loaded() const { return static_cast<bool>(module_); }
    bool opened() const { return opened_; }

    // Loads `name` unless it is the driver already loaded; false when it cannot be
    // loaded or is not an acquisition driver.
    bool load(const std::string& name) {
        if (loaded() && name == name_) return true;
        unload();
        module_.reset(::LoadLibraryA(name.c_str()));
        name_ = name;
        if (!module_) return false;
        if (resolve("PANOOPEN", open) && resolve("PANOCLOSE", close) && resolve("PANOSIZE", size) &&
            resolve("PANOWAITFORIMAGE", wait_for_image) && resolve("PANOGetVersion", version))
            return true;
        module_.reset();
        return false;
    }
    int open_on(HWND window) {
        const int result = open(window, kHostId, 0);
        opened_ = result == PANO_OPEN_OK;
        if (!opened_) close();  // releases whatever the failed opening left
        return result;
    }
    void unload() {
        if (opened_) close();
        opened_ = false;
        module_.reset();
    }

    PANOOPEN_FN open = nullptr;
    PANOCLOSE_FN close = nullptr;
    PANOSIZE_FN size = nullptr;
    PANOWAITFORIMAGE_FN wait_for_image = nullptr;
    PANOGETVERSION_FN version = nullptr;

  private:
    template <typename Fn>
    bool resolve(const char* export_name, Fn& function) {
        function = reinterpret_cast<Fn>(
            reinterpret_cast<void*>(::GetProcAddress(module_.get(), export_name)));
        return function != nullptr;
    }

    UniqueModule module_;
    std::string name_;
    bool opened_ = false;
};

struct Viewer {
    ViewerOptions options;
    HWND window = nullptr;
    HWND driver_box = nullptr;
    HWND acquire_button = nullptr;
    HWND status = nullptr;
    DriverBinding driver;
    bool acquiring = false;
    std::vector<std::uint8_t> preview;  // a copy: the preview stays the driver's
    std::vector<std::uint8_t> image;    // the delivered bitmap's bytes (the block is freed)
    long no_image_code = -1;
    bool raw_image = false;
    int acquisitions = 0;
    std::string save_folder;  // where the save dialog opens: the last one used
};

Viewer* viewer_of(HWND window) {
    return reinterpret_cast<Viewer*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

std::vector<std::uint8_t> copy_global(HGLOBAL block) {
    const SIZE_T size = ::GlobalSize(block);
    GlobalLock<> lock(block);
    if (!lock || size == 0) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(lock.get());
    return {bytes, bytes + size};
}

void set_status(Viewer& viewer, const std::string& text) {
    ::SetWindowTextA(viewer.status, text.c_str());
    ::UpdateWindow(viewer.status);
}

std::string chosen_driver(const Viewer& viewer) {
    char name[MAX_PATH] = {};
    ::GetWindowTextA(viewer.driver_box, name, MAX_PATH);
    return name;
}

void redraw_picture(const Viewer& viewer) {
    const Box area = picture_area(viewer.window);
    const RECT rect{area.left, area.top, area.left + area.width, area.top + area.height};
    ::RedrawWindow(viewer.window, &rect, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

std::string result_text(const Viewer& viewer, int result) {
    char text[256];
    int width = 0, height = 0;
    viewer.driver.size(&width, &height);
    if (!viewer.image.empty())
        std::snprintf(text, sizeof text, "Image %d x %d - result %d", width, height, result);
    else if (viewer.raw_image)
        std::snprintf(text, sizeof text, "Raw image %d x %d delivered (not shown) - result %d",
                      width, height, result);
    else if (viewer.no_image_code >= 0)
        std::snprintf(text, sizeof text, "No image - result %d, code %ld: %s", result,
                      viewer.no_image_code, image_result_text(viewer.no_image_code));
    else
        std::snprintf(text, sizeof text, "No image - result %d", result);
    return text;
}

void acquire(Viewer& viewer) {
    const std::string name = chosen_driver(viewer);
    if (!viewer.driver.load(name)) {
        set_status(viewer, name + " cannot be loaded as an acquisition driver");
        return;
    }
    if (!viewer.driver.opened()) {
        const int opened = viewer.driver.open_on(viewer.window);
        if (opened != PANO_OPEN_OK) {
            set_status(viewer,
                       "PANOOPEN: " + std::to_string(opened) + " - " + open_result_text(opened));
            return;
        }
    }
    viewer.preview.clear();
    viewer.image.clear();
    viewer.no_image_code = -1;
    viewer.raw_image = false;
    viewer.acquiring = true;
    ::EnableWindow(viewer.acquire_button, FALSE);
    set_status(viewer, "Acquiring from " + name + "...");
    redraw_picture(viewer);
    // Blocks without pumping messages; the driver's messages arrive meanwhile.
    const int result = viewer.driver.wait_for_image();
    viewer.acquiring = false;
    ++viewer.acquisitions;
    ::EnableWindow(viewer.acquire_button, TRUE);
    set_status(viewer, result_text(viewer, result));
    redraw_picture(viewer);
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

bool is_bmp_name(const std::string& path) {
    return path.size() >= 4 && ::lstrcmpiA(path.c_str() + path.size() - 4, ".bmp") == 0;
}

void save_image(Viewer& viewer) {
    if (viewer.image.empty()) {
        ::MessageBoxA(viewer.window, "There is no image to save yet.", "PanoView",
                      MB_ICONINFORMATION);
        return;
    }
    char path[MAX_PATH] = {};
    std::snprintf(path, sizeof path, "pano-%d.png", viewer.acquisitions);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = viewer.window;
    dialog.lpstrFilter = "PNG image (*.png)\0*.png\0Windows bitmap (*.bmp)\0*.bmp\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = viewer.save_folder.empty() ? nullptr : viewer.save_folder.c_str();
    dialog.lpstrDefExt = "png";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetSaveFileNameA(&dialog)) return;
    std::vector<std::uint8_t> bytes;
    if (is_bmp_name(path)) {
        bytes = host::bmp_file(viewer.image);
    } else if (const auto raster = raster_from_packed_dib(viewer.image)) {
        bytes = png_file(*raster);
    }
    if (write_file(path, bytes)) {
        set_status(viewer, std::string("Saved ") + path);
        viewer.save_folder.assign(path, dialog.nFileOffset);
    } else
        ::MessageBoxA(viewer.window, (std::string("Cannot write ") + path).c_str(), "PanoView",
                      MB_ICONERROR);
}

void browse_for_driver(Viewer& viewer) {
    char path[MAX_PATH] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = viewer.window;
    dialog.lpstrFilter = "Acquisition driver (*.dll)\0*.dll\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (::GetOpenFileNameA(&dialog)) ::SetWindowTextA(viewer.driver_box, path);
}

void show_about(Viewer& viewer) {
    const std::string name = viewer.driver.loaded() ? viewer.driver.name() : chosen_driver(viewer);
    std::string driver_line = "Driver: " + name + ", ";
    if (viewer.driver.load(name)) {
        char version[PANO_VERSION_SIZE + 1] = {};
        viewer.driver.version(version);
        driver_line += std::string("version ") + version;
    } else {
        driver_line += "cannot be loaded";
    }
    const std::string text =
        "PanoView - a sample host of the panoramic acquisition driver.\n\n" + driver_line;
    ::MessageBoxA(viewer.window, text.c_str(), "About PanoView", MB_ICONINFORMATION);
}

void draw_dib(HDC dc, const std::vector<std::uint8_t>& dib, const Box& area) {
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    if (!host::packed_bitmap_size(dib)) return;
    const int width = info->bmiHeader.biWidth;
    const int height = std::abs(info->bmiHeader.biHeight);
    const DWORD colours = info->bmiHeader.biClrUsed ? info->bmiHeader.biClrUsed : 256;
    const std::uint8_t* bits = dib.data() + info->bmiHeader.biSize + colours * sizeof(RGBQUAD);
    const Box box = fit_picture(area, width, height);
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchDIBits(dc, box.left, box.top, box.width, box.height, 0, 0, width, height, bits, info,
                    DIB_RGB_COLORS, SRCCOPY);
}

void paint(Viewer& viewer) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(viewer.window, &ps);
    const Box area = picture_area(viewer.window);
    const RECT rect{area.left, area.top, area.left + area.width, area.top + area.height};
    UniqueGdiObject background(::CreateSolidBrush(kBackground));
    ::FillRect(dc, &rect, static_cast<HBRUSH>(background.get()));
    if (!viewer.image.empty())
        draw_dib(dc, viewer.image, area);
    else if (!viewer.preview.empty())
        draw_dib(dc, viewer.preview, area);
    ::EndPaint(viewer.window, &ps);
}

HWND add_control(HWND parent, const char* window_class, const char* text, DWORD style, int id) {
    HWND control = ::CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10,
                                     10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(control, WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

void create_controls(Viewer& viewer) {
    HWND w = viewer.window;
    viewer.driver_box = add_control(
        w, "COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP | WS_VSCROLL, kDriverBox);
    for (const char* choice : kDriverChoices)
        ::SendMessageA(viewer.driver_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    ::SetWindowTextA(viewer.driver_box, viewer.options.driver.c_str());
    add_control(w, "BUTTON", "Browse...", BS_PUSHBUTTON | WS_TABSTOP, kBrowseButton);
    viewer.acquire_button =
        add_control(w, "BUTTON", "Acquire", BS_DEFPUSHBUTTON | WS_TABSTOP, kAcquireButton);
    viewer.status = add_control(w, "STATIC", "Choose the driver and press Acquire.",
                                SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, kStatusText);
}

void layout(Viewer& viewer, int client_width) {
    const int y = kMargin, h = kStripHeight - 2 * kMargin;
    ::MoveWindow(viewer.driver_box, kMargin, y, 220, 200, TRUE);
    ::MoveWindow(::GetDlgItem(viewer.window, kBrowseButton), kMargin + 228, y, 80, h, TRUE);
    ::MoveWindow(viewer.acquire_button, kMargin + 316, y, 90, h, TRUE);
    const int status_left = kMargin + 416;
    ::MoveWindow(viewer.status, status_left, y, std::max(0, client_width - status_left - kMargin),
                 h, TRUE);
}

HMENU create_menu() {
    HMENU file = ::CreatePopupMenu();
    ::AppendMenuA(file, MF_STRING, kSaveCommand, "&Save image as...");
    ::AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(file, MF_STRING, kExitCommand, "E&xit");
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuA(help, MF_STRING, kAboutCommand, "&About PanoView...");
    HMENU bar = ::CreateMenu();
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

void on_command(Viewer& viewer, int id) {
    switch (id) {
        case kAcquireButton:
            acquire(viewer);
            break;
        case kBrowseButton:
            browse_for_driver(viewer);
            break;
        case kSaveCommand:
            save_image(viewer);
            break;
        case kAboutCommand:
            show_about(viewer);
            break;
        case kExitCommand:
            ::DestroyWindow(viewer.window);
            break;
    }
}

// The driver's messages, sent from inside PANOWAITFORIMAGE on this thread.
void on_driver_message(Viewer& viewer, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == PANO_WM_PREVIEW) {
        viewer.preview = copy_global(reinterpret_cast<HGLOBAL>(wparam));
        redraw_picture(viewer);
    } else if (message == PANO_WM_IMAGE && wparam) {
        const auto block = reinterpret_cast<HGLOBAL>(wparam);
        viewer.image = copy_global(block);
        ::GlobalFree(block);  // ours from now on
    } else if (message == PANO_WM_IMAGE) {
        viewer.no_image_code = static_cast<long>(lparam);
    } else if (message == PANO_WM_RAW_IMAGE) {
        viewer.raw_image = wparam != 0;
    }
}

LRESULT CALLBACK viewer_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* viewer =
            static_cast<Viewer*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        viewer->window = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(viewer));
    }
    Viewer* viewer = viewer_of(window);
    if (!viewer) return ::DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
        case WM_CREATE:
            create_controls(*viewer);
            return 0;
        case WM_SIZE:
            layout(*viewer, LOWORD(lparam));
            ::InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_PAINT:
            paint(*viewer);
            return 0;
        case WM_ERASEBKGND: {
            RECT strip;
            ::GetClientRect(window, &strip);
            strip.bottom = kStripHeight;
            ::FillRect(reinterpret_cast<HDC>(wparam), &strip, ::GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_COMMAND:
            on_command(*viewer, LOWORD(wparam));
            return 0;
        case PANO_WM_IMAGE:
        case PANO_WM_PREVIEW:
        case PANO_WM_RAW_IMAGE:
            on_driver_message(*viewer, message, wparam, lparam);
            return 0;
        case WM_DESTROY:
            viewer->driver.unload();
            ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

Box picture_area(HWND viewer) {
    RECT client;
    ::GetClientRect(viewer, &client);
    return {kMargin, kStripHeight, std::max(0, int(client.right) - 2 * kMargin),
            std::max(0, int(client.bottom) - kStripHeight - kMargin)};
}

int run_viewer(HINSTANCE instance, const ViewerOptions& options, int show) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = viewer_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.hIcon = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    window_class.lpszClassName = kViewerClass;
    if (!::RegisterClassA(&window_class) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return 1;
    Viewer viewer;
    viewer.options = options;
    char folder[MAX_PATH] = {};
    if (::GetCurrentDirectoryA(MAX_PATH, folder) < MAX_PATH) viewer.save_folder = folder;
    HWND window = ::CreateWindowExA(
        0, kViewerClass, "PanoView", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
        CW_USEDEFAULT, 960, 600, nullptr, create_menu(), instance, &viewer);
    if (!window) return 1;
    ::ShowWindow(window, show);
    ::UpdateWindow(window);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace np::panoview
