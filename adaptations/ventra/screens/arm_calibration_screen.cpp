// Arm calibration: the centering offset set by hand, the movement's length and the
// limit switch's hysteresis as the unit measures them.
#include <array>
#include <charconv>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 180;
constexpr std::uint16_t kInitialisationFailed = 195;
constexpr std::uint16_t kSaveFailed = 197;
constexpr std::uint16_t kReinitialisationFailed = 199;
constexpr std::uint16_t kStoreCalibration = 0x0181;
constexpr std::uint16_t kResetCalibration = 0x0182;
constexpr std::uint16_t kCalibrateArm = 0x0083;
constexpr UINT_PTR kMeasureTimer = 1;
constexpr UINT kMeasurePeriodMs = 500;

class ArmCalibrationScreen : public ScreenDialog {
  public:
    explicit ArmCalibrationScreen(VentraModule& module) : ScreenDialog(module, IDD_ARM) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_ARM_GROUP, 182}, {IDC_ARM_OFFSET_LABEL, 191}, {IDC_ARM_LENGTH_LABEL, 192},
                   {IDC_ARM_HYSTERESIS_LABEL, 193}, {IDC_ARM_SAVE, 183}, {IDC_ARM_DEFAULT, 184},
                   {IDC_ARM_CALIBRATE, 185}, {IDCANCEL, 186}});
        if (!show_words(words::calibration)) message(kInitialisationFailed);
        ::SetTimer(dialog(), kMeasureTimer, kMeasurePeriodMs, nullptr);
    }
    void on_timer(UINT_PTR timer) override {
        if (timer == kMeasureTimer) show_words(2);
    }
    void on_destroy() override { ::KillTimer(dialog(), kMeasureTimer); }

    void on_command(int control, int) override {
        switch (control) {
            case IDC_ARM_CALIBRATE:
                if (const int code = link().command(kCalibrateArm)) message_text(read_failure_text(module_.language, code));
                break;
            case IDC_ARM_SAVE:
                save();
                break;
            case IDC_ARM_DEFAULT:
                if (link().command(kResetCalibration) != 0) message(kReinitialisationFailed);
                show_words(3);
                break;
            default:
                break;
        }
    }

    // Words 0 and 1 always; the offset (word 2) only when asked for, since the
    // operator may be typing it.
    bool show_words(int count) const {
        std::array<std::uint16_t, words::calibration> words{};
        if (link().read(address::calibration, count, words.data()) != 0) return false;
        set_item(IDC_ARM_LENGTH, std::to_string(static_cast<std::int16_t>(words[0])));
        set_item(IDC_ARM_HYSTERESIS, std::to_string(static_cast<std::int16_t>(words[1])));
        if (count > 2) set_item(IDC_ARM_OFFSET, std::to_string(static_cast<std::int16_t>(words[2])));
        return true;
    }

    void save() const {
        const std::string typed = item_text(IDC_ARM_OFFSET);
        int offset = 0;
        const auto [end, error] = std::from_chars(typed.data(), typed.data() + typed.size(), offset);
        if (typed.empty() || error != std::errc{} || end != typed.data() + typed.size() || offset < -32768 ||
            offset > 32767) {
            message(kSaveFailed);  // nothing that fits the word reaches the unit
            return;
        }
        const auto word = static_cast<std::uint16_t>(offset);
        if (link().write(address::arm_calibration, 1, &word) != 0) {
            message(kSaveFailed);
            return;
        }
        if (link().command(kStoreCalibration) != 0) message(kSaveFailed);
        save_restore_file(link());
    }
};

}  // namespace

void show_arm_calibration(VentraModule& module, HWND owner) {
    ArmCalibrationScreen(module).run(owner);
}

}  // namespace np::ventra
