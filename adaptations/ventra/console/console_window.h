// The operator console: the skinned main window with its three pages, the status poll
// that mirrors the unit, the commands of its controls and the driver's messages.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adaptations/ventra/console/console_rules.h"
#include "adaptations/ventra/controls/skinned_control.h"
#include "adaptations/ventra/link/status_block.h"
#include "adaptations/ventra/module/ventra_module.h"
#include "adaptations/ventra/screens/maintenance_screens.h"
#include "adaptations/ventra/texts/voice.h"
#include "common/adaptation_contract.h"

namespace np::ventra {

namespace skin {
struct BitmapIds;
}

// Messages from the driver.
inline constexpr UINT kImageDeliveredMessage = 0x658;
inline constexpr UINT kPreviewShownMessage = 0x659;

// Console results: 0 the operator left, 1 the acquisition ended (image delivered,
// blocking error accepted, watchdog).
inline constexpr INT_PTR kConsoleLeft = 0;
inline constexpr INT_PTR kConsoleEnded = 1;

class ConsoleWindow final : public ConsoleAccess {
  public:
    // `publish`, when given, receives the window handle as soon as it exists.
    ConsoleWindow(VentraModule& module, contract::NotifyFn notify, std::atomic<HWND>* publish = nullptr);
    ~ConsoleWindow() override;
    ConsoleWindow(const ConsoleWindow&) = delete;
    ConsoleWindow& operator=(const ConsoleWindow&) = delete;

    // Runs the console modally over `parent` (may be null); -1 when it could not be
    // created at all.
    INT_PTR run(HWND parent);

    HWND window() const override { return window_.load(); }
    void refresh_from_unit() override;
    void set_calibration_running(bool running) override { calibration_running_ = running; }
    void show_command_failure(int code) override;

  private:
    enum Timer : UINT_PTR { kStatusTimer = 1, kCoolingTimer = 2, kBlocksPromptTimer = 3, kWatchdogTimer = 4 };
    struct Page;

    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static INT_PTR CALLBACK page_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);

    bool initialise();
    void load_background();
    void skin_controls();
    void lay_out();
    void create_pages();
    void create_tooltips();
    void show_page(int page);
    SkinnedControl& skin(HWND parent, int id, ControlKind kind, const skin::BitmapIds* sets, bool console_only = false);
    SkinnedControl& caption(int id, std::uint16_t text, int height);
    SkinnedControl& at(HWND parent, int id);
    SkinnedControl& main(int id) { return at(dialog_, id); }
    SkinnedControl& on_page(int page, int id) { return at(pages_[page], id); }

    void on_timer(UINT_PTR id);
    void on_command(int id);
    void on_page_command(int page, int id);
    void send(std::uint16_t word);
    void play_prompt(std::uint16_t prompt) const;
    void open_information_menu();
    void serve_menu_command(int id);
    bool set_cursor(HWND over);
    void draw_item(const DRAWITEMSTRUCT& item);
    void paint_background(HDC dc);

    void poll_status();
    void poll_cooling();
    void communication_lost();
    void show_values(const std::array<std::uint16_t, 5>& parameters);
    void show_error(const StatusBlock& status);
    void show_machine_state(const StatusBlock& status);
    void scan_indicators(const StatusBlock& status);
    void show_state_text(std::uint16_t text);
    void show_selection(const std::array<std::uint16_t, 7>& programs);
    void watchdog_expired();
    // `filled_columns`: how many of the last columns the driver has filled (the
    // demonstration build hides the others).
    void show_preview(HGLOBAL dib, LPARAM filled_columns);

    void notify(int code) const;
    void end(INT_PTR result);
    void finish();  // what the console does once, as it closes

    VentraModule& module_;
    contract::NotifyFn notify_;
    std::atomic<HWND>* publish_;
    std::atomic<HWND> window_{nullptr};
    HWND dialog_ = nullptr;
    ReferenceSize reference_{800, 600};
    int size_index_ = 0;  // skin sets: 0 for 800 x 600, 1 for 1024 x 768
    UniqueGdiObject background_;
    UniqueGdiObject frame_;
    UniqueGdiObject preview_;
    struct Skinned {
        HWND parent;
        int id;
        std::unique_ptr<SkinnedControl> control;
    };
    std::vector<Skinned> skinned_;
    std::array<HWND, 3> pages_{};
    int page_ = 0;
    HWND tooltips_ = nullptr;
    UniqueMenu full_menu_;
    UniqueMenu short_menu_;
    std::unique_ptr<Voice> voice_;
    bool ending_ = false;
    bool finished_ = false;

    bool exposure_in_progress_ = false;
    bool active_ = false;
    bool calibration_running_ = false;
    bool watchdog_running_ = false;
    unsigned watchdog_period_ = 0;
    int indicator_counter_ = 0;
    int indicator_index_ = 0;
    int beep_counter_ = 0;
    std::optional<std::uint16_t> unit_text_;  // last state text sent to the unit
    std::array<std::uint16_t, 7> programs_{};
};

}  // namespace np::ventra
