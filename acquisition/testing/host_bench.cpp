#include "acquisition/testing/host_bench.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace np::testing {
namespace {

constexpr const char* kHostClass = "NpDriverTestHost";

template <typename Fn>
void resolve_export(HMODULE module, const char* name, Fn& fn, std::string& missing) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    if (fn) return;
    if (!missing.empty()) missing += ' ';
    missing += name;
}

std::vector<std::uint8_t> copy_block(WPARAM handle) {
    const auto block = reinterpret_cast<HGLOBAL>(handle);
    const auto* bytes = static_cast<const std::uint8_t*>(::GlobalLock(block));
    if (!bytes) return {};
    std::vector<std::uint8_t> copy(bytes, bytes + ::GlobalSize(block));
    ::GlobalUnlock(block);
    return copy;
}

int (*console_log_of_panodlg())(char*, int) {
    const HMODULE console = ::GetModuleHandleA("Panodlg.dll");
    if (!console) return nullptr;
    return reinterpret_cast<int (*)(char*, int)>(
        reinterpret_cast<void*>(::GetProcAddress(console, "TestConsoleLog")));
}

}  // namespace

std::string program_directory() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of("\\/"));
}

void set_working_card(RegistrySandbox& registry, std::uint32_t mode, std::uint32_t line_rate) {
    registry.set_user_dword(kPanoPath, "BaudRatePano", 1);
    registry.set_user_dword(kPanoPath, "TimeoutPano", 100);
    registry.set_user_dword(kPanoPath, "BaudRateOrvix", 1);
    registry.set_user_dword(kPanoPath, "ModeOrvix", mode);
    registry.set_user_dword(kCardSimulatorPath, "LineRate", line_rate);
}

std::string DriverExports::resolve(HMODULE driver) {
    std::string missing;
    resolve_export(driver, "PANOOPEN", PANOOPEN, missing);
    resolve_export(driver, "PANOCLOSE", PANOCLOSE, missing);
    resolve_export(driver, "PANOWAITFORIMAGE", PANOWAITFORIMAGE, missing);
    resolve_export(driver, "PANOSIZE", PANOSIZE, missing);
    resolve_export(driver, "PANOPREVIEWSIZE", PANOPREVIEWSIZE, missing);
    resolve_export(driver, "PANOGETCOMMDATA", PANOGETCOMMDATA, missing);
    resolve_export(driver, "NPANOCANCOMBINEATM", NPANOCANCOMBINEATM, missing);
    resolve_export(driver, "BPANORESOLUTION", BPANORESOLUTION, missing);
    resolve_export(driver, "PANOGetVersion", PANOGetVersion, missing);
    return missing;
}

std::pair<int, int> DriverExports::size() const {
    int width = 0, height = 0;
    PANOSIZE(&width, &height);
    return {width, height};
}

std::pair<int, int> DriverExports::preview_size() const {
    int width = 0, height = 0;
    PANOPREVIEWSIZE(&width, &height);
    return {width, height};
}

std::string DriverLibrary::load(const char* name) {
    unload();
    module_.reset(::LoadLibraryA(name));
    if (!module_) return std::string("cannot load ") + name;
    const std::string missing = exports_.resolve(module_.get());
    if (missing.empty()) return {};
    unload();
    return std::string(name) + " lacks " + missing;
}

int DriverLibrary::open(HWND host, short host_code) {
    const int result = exports_.PANOOPEN(host, "test", host_code);
    opened_ = result == 1;
    return result;
}

void DriverLibrary::close() {
    if (module_) exports_.PANOCLOSE();
    opened_ = false;
}

void DriverLibrary::unload() {
    if (opened_ && exports_.PANOCLOSE) exports_.PANOCLOSE();
    opened_ = false;
    module_.reset();
    exports_ = {};
}

int thread_count() {
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return -1;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more;
         more = ::Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    return count;
}

HostWindow::HostWindow() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = kHostClass;
    ::RegisterClassA(&window_class);
    window_ = ::CreateWindowA(kHostClass, "host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                              window_class.hInstance, nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HostWindow::~HostWindow() {
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
}

void HostWindow::clear() {
    messages_.clear();
    image_.clear();
    preview_.clear();
}

void HostWindow::follow_console_log() {
    console_log_ = console_log_of_panodlg();
}

LRESULT CALLBACK HostWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* host = reinterpret_cast<HostWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!host || message < kImageMessage || message > kRawImageMessage)
        return ::DefWindowProcA(window, message, wparam, lparam);
    if (host->before_message_) host->before_message_();
    host->record(message, wparam, lparam);
    return 0;
}

void HostWindow::record(UINT message, WPARAM wparam, LPARAM lparam) {
    HostMessage m{message, wparam, lparam, message == kImageMessage ? thread_count() : 0, {}};
    if (message == kImageMessage && console_log_) {
        char text[4096];
        if (console_log_(text, sizeof text) < static_cast<int>(sizeof text)) m.console_log = text;
    }
    if (message == kImageMessage && wparam) {
        image_ = copy_block(wparam);
        ::GlobalFree(reinterpret_cast<HGLOBAL>(wparam));
    }
    if (message == kPreviewMessage && preview_.empty()) preview_ = copy_block(wparam);
    messages_.push_back(std::move(m));
}

std::vector<long> HostWindow::preview_values() const {
    std::vector<long> values;
    for (const HostMessage& m : messages_)
        if (m.message == kPreviewMessage) values.push_back(static_cast<long>(m.lparam));
    return values;
}

long HostWindow::first_no_image_code() const {
    for (const HostMessage& m : messages_)
        if (m.message == kImageMessage && !m.wparam) return static_cast<long>(m.lparam);
    return -1;
}

long HostWindow::last_no_image_code() const {
    const HostMessage* last = nullptr;
    for (const HostMessage& m : messages_)
        if (m.message == kImageMessage) last = &m;
    return last && last->wparam == 0 ? static_cast<long>(last->lparam) : -1;
}

const HostMessage* HostWindow::image_message() const {
    for (const HostMessage& m : messages_)
        if (m.message == kImageMessage && m.wparam) return &m;
    return nullptr;
}

int HostWindow::image_messages() const {
    int count = 0;
    for (const HostMessage& m : messages_)
        count += m.message == kImageMessage;
    return count;
}

MaskInstall::MaskInstall() {
    char directory[MAX_PATH] = {};
    ::GetSystemDirectoryA(directory, MAX_PATH);
    path_ = std::string(directory) + "\\PANO.MSK";
    std::ifstream previous(path_, std::ios::binary);
    previous_.assign(std::istreambuf_iterator<char>(previous), {});
}

MaskInstall::~MaskInstall() {
    write(previous_);
}

bool MaskInstall::write(const std::vector<std::uint8_t>& bytes) {
    ::DeleteFileA(path_.c_str());
    if (bytes.empty()) return true;
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

std::vector<std::uint8_t> mask_file_bytes(std::size_t size, const char* serial) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(size, 24), 0);
    std::memcpy(bytes.data(), serial, std::min<std::size_t>(std::strlen(serial), 20));
    const float gain = 1.0f;
    for (std::size_t at = 24; at + 4 <= bytes.size(); at += 4)
        std::memcpy(&bytes[at], &gain, 4);
    bytes.resize(size);
    return bytes;
}

AdaptationInstall::AdaptationInstall() : path_(program_directory() + "\\Panodlg.dll") {}

bool AdaptationInstall::install(const char* module) {
    remove();
    if (!module) return true;
    return ::CopyFileA((program_directory() + "\\" + module).c_str(), path_.c_str(), FALSE);
}

void AdaptationInstall::remove() {
    ::DeleteFileA(path_.c_str());
}

ScanlinkBench::ScanlinkBench(const char* adaptation, const std::vector<std::uint8_t>& mask,
                             std::uint32_t mode) {
    EXPECT_TRUE(adaptation_.install(adaptation)) << adaptation;
    EXPECT_TRUE(mask_.write(mask)) << mask_.path();
    set_working_card(registry_, mode);
    EXPECT_EQ(driver_.load("Scanlink_sim.dll"), "");
}

int ScanlinkBench::open(short host_code) {
    if (!driver_.loaded()) return -100;
    const int result = driver_.open(host_.handle(), host_code);
    if (result == 1) host_.follow_console_log();
    return result;
}

DriverBitmap driver_bitmap(int id) {
    DriverBitmap bitmap;
    const HMODULE driver = ::GetModuleHandleA("Scanlink_sim.dll");
    const HRSRC found = ::FindResourceA(driver, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    if (!found) return bitmap;
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(driver, found)));
    if (!header || (header->biBitCount != 4 && header->biBitCount != 8) || header->biHeight <= 0)
        return bitmap;
    bitmap.width = header->biWidth;
    bitmap.height = header->biHeight;
    bitmap.bits = header->biBitCount;
    const auto* palette = reinterpret_cast<const RGBQUAD*>(header + 1);
    const auto* pixels = reinterpret_cast<const BYTE*>(
        palette + (header->biClrUsed ? header->biClrUsed : 1u << bitmap.bits));
    const int stride = (bitmap.width * bitmap.bits + 31) / 32 * 4;
    bitmap.white.resize(std::size_t(bitmap.width) * bitmap.height);
    for (int stored = 0; stored < bitmap.height; ++stored)
        for (int x = 0; x < bitmap.width; ++x) {
            const BYTE* row = pixels + stored * stride;
            const int index = bitmap.bits == 8 ? row[x] : row[x / 2] >> (x % 2 ? 0 : 4) & 15;
            const RGBQUAD colour = palette[index];
            bitmap.white[std::size_t(bitmap.height - 1 - stored) * bitmap.width + x] =
                colour.rgbRed == 255 && colour.rgbGreen == 255 && colour.rgbBlue == 255;
        }
    return bitmap;
}

}  // namespace np::testing
