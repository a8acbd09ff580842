// Test helper: a desktop of its own with a given screen size (Wine gives a desktop
// the size stored under its name in "Software\Wine\Explorer\Desktops"), so that a
// dialog can be seen on the reference screens whatever the display of the test run.
#pragma once

#include <windows.h>

#include <string>

namespace np::testing {

class ScreenDesktop {
  public:
    ScreenDesktop(int width, int height);
    ScreenDesktop(const ScreenDesktop&) = delete;
    ScreenDesktop& operator=(const ScreenDesktop&) = delete;
    ~ScreenDesktop();

    // Moves the calling thread onto the desktop once the desktop shows its size; the
    // thread must own no window yet. Each thread gets a handle of its own: Wine closes a
    // thread's desktop handle when it ends.
    bool enter() const;
    const std::string& size() const { return size_; }
    const std::string& name() const { return name_; }

  private:
    bool shows_its_size() const;

    int width_;
    int height_;
    std::string name_;
    std::string size_;
    HDESK desktop_ = nullptr;
};

}  // namespace np::testing
