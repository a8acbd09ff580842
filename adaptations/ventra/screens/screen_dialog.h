// The frame every maintenance screen is built on: a modal dialog from one of the
// module's templates, its captions from the language module, its messages in boxes
// of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "adaptations/ventra/module/ventra_module.h"
#include "adaptations/ventra/screens/maintenance_screens.h"
#include "adaptations/ventra/screens/screen_rules.h"

namespace np::ventra {

struct ControlText {
    int control;
    std::uint16_t text;
};

class ScreenDialog {
  public:
    ScreenDialog(VentraModule& module, int template_id) : module_(module), template_(template_id) {}
    ScreenDialog(const ScreenDialog&) = delete;
    ScreenDialog& operator=(const ScreenDialog&) = delete;
    virtual ~ScreenDialog() = default;

    // Runs the screen modally over the owner; the value given to close().
    INT_PTR run(HWND owner);

  protected:
    virtual void on_init() {}
    virtual void on_command(int control, int notification) { (void)control, (void)notification; }
    virtual void on_timer(UINT_PTR timer) { (void)timer; }
    virtual LRESULT on_notify(const NMHDR& header) { (void)header; return 0; }
    // Cancel, Escape and the close box.
    virtual void on_cancel() { close(IDCANCEL); }
    virtual void on_destroy() {}

    HWND dialog() const { return dialog_; }
    HWND item(int control) const { return ::GetDlgItem(dialog_, control); }
    const MachineLink& link() const { return module_.link; }
    std::string text(std::uint16_t id) const { return module_.language.text(id); }

    void set_caption(std::uint16_t id) const;
    void set_texts(std::initializer_list<ControlText> texts) const;
    void set_item(int control, const std::string& value) const;
    std::string item_text(int control) const;
    void fill_choices(int combo, std::initializer_list<std::uint16_t> texts) const;
    // A stored value outside the choices selects nothing.
    void select_choice(int combo, unsigned value) const;
    unsigned selected_choice(int combo) const;

    void message(std::uint16_t id, UINT icon = MB_ICONEXCLAMATION) const;
    void message_text(const std::string& value, UINT icon = MB_ICONEXCLAMATION) const;
    // "Are you sure?", answered Yes.
    bool confirmed() const;
    void close(INT_PTR result);

    VentraModule& module_;

  private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);

    int template_;
    HWND dialog_ = nullptr;
};

// "%s : %d" with the text "ERROR" and the library's code.
std::string read_failure_text(const LanguageModule& language, int code);
// A text file read whole in binary; empty when it cannot be read.
std::string whole_file(const char* path);

// The screens, one function each; the owner is the console's window (none for some in
// the demonstration build).
void show_about(VentraModule& module, HWND owner);
void show_details(VentraModule& module, HWND owner);
void show_log(VentraModule& module, ConsoleAccess& console, HWND owner);
void show_general(VentraModule& module, HWND owner);
void show_communication(VentraModule& module, HWND owner);
void show_counters(VentraModule& module, HWND owner);
void show_preferences(VentraModule& module, HWND owner);
void show_manufacturing(VentraModule& module, HWND owner);
void show_arm_calibration(VentraModule& module, HWND owner);
void run_calibration(VentraModule& module, ConsoleAccess& console, Quantity quantity);
void show_heating_calibration(VentraModule& module, ConsoleAccess& console);
void show_save_restore(VentraModule& module, HWND owner);

}  // namespace np::ventra
