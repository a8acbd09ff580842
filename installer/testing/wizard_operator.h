// Test helper: the installation program run on a thread of its own within the test
// process (its pages from the test program's resources), and an operator who works
// the wizard page by page from the test thread: radio buttons and boxes clicked, texts
// typed, list entries chosen, Next, Back and Finish pressed. The message boxes of the
// program are recorded and answered with OK.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "tools/wintest/message_box_capture.h"

namespace np::testing {

class WizardOperator {
  public:
    // Starts the program and waits for its wizard; `enter` runs first on the program's
    // thread (e.g. to move it onto a desktop of its own).
    explicit WizardOperator(std::function<bool()> enter = {});
    WizardOperator(const WizardOperator&) = delete;
    WizardOperator& operator=(const WizardOperator&) = delete;
    ~WizardOperator();

    bool started() const { return sheet_ != nullptr; }
    HWND sheet() const { return sheet_; }
    HWND main_window() const { return main_window_; }
    // Template id of the page shown, 0 when the wizard is gone.
    int page() const;
    HWND page_window() const;

    void click(int control) const;
    bool checked(int control) const;
    void type(int control, const std::string& text) const;
    std::string text(int control) const;
    // Chooses the entry of that text in a combo box or a list box.
    bool choose(int control, const std::string& entry) const;

    bool can_press(int button) const;  // PSBTN_NEXT, PSBTN_BACK, PSBTN_FINISH
    // Presses the wizard's Next button and returns the page shown then.
    int next() const;
    int back() const;
    void finish() const;
    // Waits until the program has ended; true when it did within the time.
    bool wait_end();

    // The boxes the program showed (valid once it has ended).
    const std::vector<CapturedMessageBox>& boxes() const { return boxes_; }

  private:
    int press(int button_id) const;

    std::thread program_;
    DWORD thread_id_ = 0;
    HWND sheet_ = nullptr;
    HWND main_window_ = nullptr;
    HANDLE ended_ = nullptr;
    std::vector<CapturedMessageBox> boxes_;
};

}  // namespace np::testing
