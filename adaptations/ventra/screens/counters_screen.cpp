// The unit's nine communication counters, as a technician checks a line: each
// counter read, and all nine set back to zero (after "Are you sure?") to start a
// fresh count before a test of the cable. Its texts are those of the module.
#include <array>

#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 100;
constexpr std::uint16_t kCounterLabels[words::counters] = {101, 102, 104, 105, 106, 107, 108, 109, 110};
constexpr std::uint16_t kReadDone = 113, kReadFailed = 114, kResetDone = 115, kResetFailed = 116;

class CountersScreen : public ScreenDialog {
  public:
    explicit CountersScreen(VentraModule& module) : ScreenDialog(module, IDD_COUNTERS) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        for (int i = 0; i < words::counters; ++i) set_item(IDC_COUNTER_LABEL_FIRST + i, text(kCounterLabels[i]));
        set_texts({{IDC_COUNTERS_RESET, 111}, {IDCANCEL, 112}});
        set_texts({{IDC_COUNTERS_STATUS, show_counters() ? kReadDone : kReadFailed}});
    }
    void on_command(int control, int) override {
        if (control != IDC_COUNTERS_RESET || !confirmed()) return;
        const std::array<std::uint16_t, words::counters> zeros{};
        const bool reset = link().write(address::counters, words::counters, zeros.data()) == 0;
        show_counters();
        set_texts({{IDC_COUNTERS_STATUS, reset ? kResetDone : kResetFailed}});
    }

    // A failed read leaves the values shown as they were.
    bool show_counters() const {
        std::array<std::uint16_t, words::counters> counters{};
        if (link().read(address::counters, words::counters, counters.data()) != 0) return false;
        for (int i = 0; i < words::counters; ++i) set_item(IDC_COUNTER_FIRST + i, std::to_string(counters[i]));
        return true;
    }
};

}  // namespace

void show_counters(VentraModule& module, HWND owner) {
    CountersScreen(module).run(owner);
}

}  // namespace np::ventra
