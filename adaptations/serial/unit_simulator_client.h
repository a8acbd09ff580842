// Test helpers for the tests that run beside the unit simulator (tools/wine-kvunit):
// its command line on COM2 and a rescuing Escape press.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "common/win32_handles.h"

namespace np::testing {

inline void press_escape() {
    ::keybd_event(VK_ESCAPE, 0x01, 0, 0);
    ::keybd_event(VK_ESCAPE, 0x01, KEYEVENTF_KEYUP, 0);
}

// Presses Escape after a delay unless disarmed first: cancels a read the test
// wants to see cancelled, or rescues a test whose frames never came.
class EscapeLater {
  public:
    explicit EscapeLater(std::chrono::milliseconds delay)
        : thread_([this, delay] {
              std::unique_lock lock(mutex_);
              if (wake_.wait_for(lock, delay, [this] { return disarmed_; })) return;
              pressed_ = true;
              press_escape();
          }) {}
    EscapeLater(const EscapeLater&) = delete;
    EscapeLater& operator=(const EscapeLater&) = delete;
    ~EscapeLater() { disarm(); }
    void disarm() {
        {
            std::lock_guard lock(mutex_);
            disarmed_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    bool pressed() const { return pressed_; }

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool disarmed_ = false;
    bool pressed_ = false;
    std::thread thread_;
};

// The command line of the unit simulator (COM2 in the Wine prefix).
class UnitCommands {
  public:
    UnitCommands()
        : line_(::CreateFileA("COM2", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    bool ready() const { return static_cast<bool>(line_); }
    bool send(const std::string& commands) {
        const std::string line = commands + "\n";
        DWORD written = 0;
        return ::WriteFile(line_.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                           nullptr) &&
               written == line.size();
    }

  private:
    UniqueFile line_;
};

}  // namespace np::testing
