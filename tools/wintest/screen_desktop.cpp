#include "tools/wintest/screen_desktop.h"

namespace np::testing {
namespace {

constexpr const char* kDesktopSizes = "Software\\Wine\\Explorer\\Desktops";
constexpr int kSizeWaitMs = 10000;
constexpr int kSizePollMs = 20;

}  // namespace

ScreenDesktop::ScreenDesktop(int width, int height)
    : width_(width),
      height_(height),
      name_("np-screen-" + std::to_string(width) + "x" + std::to_string(height)),
      size_(std::to_string(width) + "x" + std::to_string(height)) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopSizes, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) == ERROR_SUCCESS) {
        ::RegSetValueExA(key, name_.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(size_.c_str()),
                         static_cast<DWORD>(size_.size() + 1));
        ::RegCloseKey(key);
    }
    desktop_ = ::CreateDesktopA(name_.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
}

bool ScreenDesktop::enter() const {
    if (!desktop_) return false;
    const HDESK handle = ::OpenDesktopA(name_.c_str(), 0, FALSE, GENERIC_ALL);
    return handle && ::SetThreadDesktop(handle) && shows_its_size();
}

// Wine starts the desktop's own window on first use and only then publishes its screen
// size; until it has, a new window is laid out on the size of the desktop seen before.
bool ScreenDesktop::shows_its_size() const {
    ::GetDesktopWindow();
    for (int waited = 0; waited < kSizeWaitMs; waited += kSizePollMs) {
        if (::GetSystemMetrics(SM_CXSCREEN) == width_ && ::GetSystemMetrics(SM_CYSCREEN) == height_)
            return true;
        ::Sleep(kSizePollMs);
    }
    return false;
}

ScreenDesktop::~ScreenDesktop() {
    if (desktop_) ::CloseDesktop(desktop_);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopSizes, 0, KEY_SET_VALUE, &key) ==
        ERROR_SUCCESS) {
        ::RegDeleteValueA(key, name_.c_str());
        ::RegCloseKey(key);
    }
}

}  // namespace np::testing
