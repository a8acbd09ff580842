// Test helper: catches the message boxes code under test shows on this thread, so a
// test never blocks on one. Each box is recorded (owner, title, text, icon, buttons)
// and answered at once with the button the test chose; the test then asserts on the
// record.
//
//   MessageBoxCapture boxes;                      // answers every box with its default
//   EXPECT_EQ(PANOOPEN(...), -7);
//   ASSERT_EQ(boxes.count(), 1u);
//   EXPECT_EQ(boxes[0].title, "Scanlink : IOCTL_READ_FW_VERSION");
//   EXPECT_EQ(boxes[0].icon, MB_ICONSTOP);
//
// Works through a window-procedure hook on one thread (by default the constructing
// one): a box is read and answered as soon as it has initialised, before it is ever
// drawn. Boxes shown on other threads are not seen; other dialogs are left alone.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace np {

struct CapturedMessageBox {
    HWND owner = nullptr;
    std::string title;
    std::string text;
    UINT icon = 0;     // MB_ICONSTOP, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION or 0
    UINT buttons = 0;  // MB_OK, MB_OKCANCEL, MB_YESNO, ... as given to MessageBox
    int answer = 0;    // the button the capture pressed (IDOK, IDYES, ...)

    // "title | text | icon 0x10 | buttons 0x4", for failure messages and logs.
    std::string describe() const;
};

class MessageBoxCapture {
  public:
    // Chooses the button that answers a box; returns IDOK, IDCANCEL, IDYES, ...
    using Answer = std::function<int(const CapturedMessageBox&)>;

    // The default answer presses the box's first button (OK, Yes, Abort or Retry).
    explicit MessageBoxCapture(Answer answer = {}, DWORD thread_id = ::GetCurrentThreadId());
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;
    ~MessageBoxCapture();

    std::size_t count() const { return boxes_.size(); }
    const CapturedMessageBox& operator[](std::size_t i) const { return boxes_.at(i); }
    const std::vector<CapturedMessageBox>& boxes() const { return boxes_; }
    void clear() { boxes_.clear(); }
    // One describe() line per box.
    std::string log() const;

    static int first_button(const CapturedMessageBox& box);

  private:
    static LRESULT CALLBACK hook_procedure(int code, WPARAM wparam, LPARAM lparam);
    void capture(HWND box);

    Answer answer_;
    HHOOK hook_ = nullptr;
    MessageBoxCapture* previous_ = nullptr;
    std::vector<CapturedMessageBox> boxes_;
};

}  // namespace np
