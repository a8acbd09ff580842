// An operator at the program dialog, for tests and unattended demonstrations: finds
// the dialog of a module (in this process or another) and works it through its
// controls as a person would, with button clicks and presses on the up-down arrows.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace np::testing {

// A program dialog (a dialog window holding the program name field) owned by the given
// thread, or by any thread when thread is 0; null when none showed within the timeout.
HWND wait_for_program_dialog(DWORD thread, std::chrono::milliseconds timeout);

class PanelOperator {
  public:
    explicit PanelOperator(HWND dialog) : dialog_(dialog) {}

    HWND dialog() const { return dialog_; }
    bool is_open() const { return ::IsWindow(dialog_) != FALSE; }

    void click(int control) const;
    // A press and release on the upper (up) or lower arrow of an up-down control.
    void step(int spin, bool up) const;
    void step_times(int spin, bool up, int times) const;
    // The close box of the caption.
    void close() const;

    std::string text(int control) const;
    bool visible(int control) const;
    bool enabled(int control) const;

    // Brings the dialog to `program` the way the model's panel allows (PROG on a Kv
    // panel, the program arrows otherwise), assuming the names the model gives its
    // programs when the registry names none, then confirms. False when the program
    // never showed.
    bool choose_and_confirm(const std::string& model, int program) const;

  private:
    HWND item(int control) const { return ::GetDlgItem(dialog_, control); }

    HWND dialog_;
};

}  // namespace np::testing
