// Test helper for the tests that run beside the unit simulator (tools/wine-kvunit): a
// rescuing Escape press.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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

}  // namespace np::testing
