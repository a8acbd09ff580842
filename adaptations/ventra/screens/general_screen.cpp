// General information: the tube's totals and charge, the mains voltage refreshed.
#include <array>
#include <cstdio>

#include "adaptations/ventra/files/unit_blocks.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 80;
constexpr UINT_PTR kMainsTimer = 1;
constexpr UINT kMainsPeriodMs = 1000;
constexpr int kJoulesPerKilojoule = 1000;
constexpr std::uint16_t kTubeChargeAddress = address::identification + 78 / 2;  // percent

class GeneralScreen : public ScreenDialog {
  public:
    explicit GeneralScreen(VentraModule& module) : ScreenDialog(module, IDD_GENERAL) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_GENERAL_GROUP, 94}, {IDC_GENERAL_IMAGES_LABEL, 81}, {IDC_GENERAL_ENERGY_LABEL, 95},
                   {IDC_GENERAL_CHARGE_LABEL, 96}, {IDC_GENERAL_MAINS_LABEL, 97}, {IDCANCEL, 85}});
        show_tube();
        show_mains();
        ::SetTimer(dialog(), kMainsTimer, kMainsPeriodMs, nullptr);
    }
    void on_timer(UINT_PTR timer) override {
        if (timer == kMainsTimer) show_mains();
    }
    void on_destroy() override { ::KillTimer(dialog(), kMainsTimer); }

    void show_tube() const {
        std::array<std::uint16_t, words::diagnostic> diagnostic{};
        if (const int code = link().read(address::diagnostic, words::diagnostic, diagnostic.data())) {
            set_item(IDC_GENERAL_IMAGES, read_failure_text(module_.language, code));
            set_item(IDC_GENERAL_ENERGY, read_failure_text(module_.language, code));
        } else {
            set_item(IDC_GENERAL_IMAGES, std::to_string(block_int32(diagnostic, 0)));
            set_item(IDC_GENERAL_ENERGY, std::to_string(block_int32(diagnostic, 2) / kJoulesPerKilojoule));
        }
        std::uint16_t charge = 0;
        if (const int code = link().read(kTubeChargeAddress, 1, &charge))
            set_item(IDC_GENERAL_CHARGE, read_failure_text(module_.language, code));
        else
            set_item(IDC_GENERAL_CHARGE, std::to_string(charge));
    }

    void show_mains() const {
        std::array<std::uint16_t, 2> mains{};
        char value[48];
        if (const int code = link().read(address::calibration_measure, 2, mains.data()))
            std::snprintf(value, sizeof value, "ERROR : %d", code);
        else
            std::snprintf(value, sizeof value, "%.1f", block_float(mains, kMainsVoltageSlot));
        set_item(IDC_GENERAL_MAINS, value);
    }
};

}  // namespace

void show_general(VentraModule& module, HWND owner) {
    GeneralScreen(module).run(owner);
}

}  // namespace np::ventra
