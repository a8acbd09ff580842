// The kV and mA calibration: a result screen from which two measured steps are run,
// each with the unit producing a set value and the technician entering what the
// instrument shows; the two points give the gain and offset pairs stored on the unit.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kStoreCalibration = 0x0181;
constexpr std::uint16_t kCommunicationProblem = 663;
constexpr std::uint16_t kUnitOutOfLimits = 770;
constexpr std::uint16_t kEntryRefused = 771;
constexpr UINT_PTR kSettleTimer = 1, kPollTimer = 2;
constexpr UINT kSettleMs = 500, kPollMs = 200;
constexpr DWORD kFlagToScreenMs = 300;

std::uint16_t title_text(Quantity quantity) {
    return quantity == Quantity::kv ? 656 : 658;
}

std::string one_decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// What the technician typed; a comma is taken as the decimal point, anything that is
// not a number as NaN, which no check accepts.
double entered_value(std::string typed) {
    for (char& c : typed)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double value = std::strtod(typed.c_str(), &end);
    while (end && *end == ' ') ++end;
    return typed.empty() || !end || *end != '\0' ? std::nan("") : value;
}

std::optional<CalibrationBlock> read_calibration(const MachineLink& link) {
    CalibrationBlock block{};
    if (link.read(address::calibration, words::calibration, block.data()) != 0) return std::nullopt;
    return block;
}

// The pairs into the unit's block as it stands now, written and stored.
bool store_pairs(const MachineLink& link, Quantity quantity, const CalibrationResult& pairs) {
    auto block = read_calibration(link);
    if (!block) return false;
    put_calibration_pairs(*block, quantity, pairs);
    return link.write(address::calibration, words::calibration, block->data()) == 0 &&
           link.command(kStoreCalibration) == 0;
}

class StepScreen : public ScreenDialog {
  public:
    StepScreen(VentraModule& module, ConsoleAccess& console, Quantity quantity, int step)
        : ScreenDialog(module, IDD_CALIBRATION_STEP), console_(console), quantity_(quantity), step_(step) {}

    std::optional<MeasuredPoint> point;

  private:
    void on_init() override {
        ::SetWindowTextA(dialog(), (text(title_text(quantity_)) + text(step_ == 1 ? 660 : 661)).c_str());
        set_texts({{IDC_STEP_INSTRUCTION, 664}, {IDC_STEP_HEAD_SET, 665}, {IDC_STEP_HEAD_UNIT, 666},
                   {IDC_STEP_HEAD_INSTRUMENT, quantity_ == Quantity::kv ? std::uint16_t{657} : std::uint16_t{659}},
                   {IDC_STEP_ROW, 667}, {IDOK, 668}, {IDCANCEL, 669}});
        // The unit measures with a neutral calibration, so that the step sees its raw
        // behaviour.
        if (!store_pairs(link(), quantity_, CalibrationResult{}) ||
            link().command(calibration_program_command(quantity_, step_)) != 0) {
            message(kCommunicationProblem);
            close(IDCANCEL);
            return;
        }
        ::SetTimer(dialog(), kSettleTimer, kSettleMs, nullptr);
    }

    void on_timer(UINT_PTR timer) override {
        if (timer == kSettleTimer) {
            ::KillTimer(dialog(), kSettleTimer);
            std::array<std::uint16_t, words::parameters> parameters{};
            if (link().read(address::parameters, words::parameters, parameters.data()) == 0) {
                set_ = set_value(quantity_, parameters);
                set_item(IDC_STEP_SET, one_decimal(*set_));
            }
            console_.refresh_from_unit();
            ::SetTimer(dialog(), kPollTimer, kPollMs, nullptr);
        }
        if (timer == kPollTimer) read_unit_measurement();
    }

    void on_destroy() override {
        ::KillTimer(dialog(), kSettleTimer);
        ::KillTimer(dialog(), kPollTimer);
    }

    void read_unit_measurement() {
        std::array<std::uint16_t, kCalibrationMeasureWords> block{};
        if (link().read(address::calibration_measure, kCalibrationMeasureWords, block.data()) != 0) return;
        unit_ = unit_measurement(quantity_, block);
        set_item(IDC_STEP_UNIT, one_decimal(*unit_));
    }

    void on_command(int control, int) override {
        if (control != IDOK) return;
        read_unit_measurement();
        if (!set_ || !unit_) {  // the unit has not answered yet
            ::MessageBeep(MB_ICONEXCLAMATION);
            return;
        }
        const double entered = entered_value(item_text(IDC_STEP_ENTRY));
        const StepCheck check = check_step(quantity_, *set_, *unit_, entered);
        if (check.unit_out_of_limits) message(kUnitOutOfLimits);
        if (check.entry_refused) message(kEntryRefused);
        if (!check.accepted()) {
            close(IDCANCEL);
            return;
        }
        point = MeasuredPoint{*set_, *unit_, entered};
        close(IDOK);
    }

    ConsoleAccess& console_;
    Quantity quantity_;
    int step_;
    std::optional<double> set_, unit_;
};

class ResultScreen : public ScreenDialog {
  public:
    ResultScreen(VentraModule& module, ConsoleAccess& console, Quantity quantity)
        : ScreenDialog(module, IDD_CALIBRATION_RESULT), console_(console), quantity_(quantity) {}

  private:
    void on_init() override {
        set_caption(title_text(quantity_));
        set_texts({{IDC_RESULT_TITLE, 670}, {IDC_RESULT_HEAD_COMMAND, 671}, {IDC_RESULT_HEAD_MEASURE, 665},
                   {IDC_RESULT_ROW_GAIN, 672}, {IDC_RESULT_ROW_OFFSET, 673}, {IDC_RESULT_START, 678},
                   {IDC_RESULT_SAVE, 674}, {IDCANCEL, 669}});
        const auto block = read_calibration(link());
        if (!block) {
            message(kCommunicationProblem);
            close(IDCANCEL);
            return;
        }
        before_ = calibration_pairs(*block, quantity_);
        show(before_);
    }

    void on_command(int control, int) override {
        if (control == IDC_RESULT_START) start();
        else if (control == IDC_RESULT_SAVE) save();
    }

    // Leaving without Save puts back the pairs the steps replaced: a calibration
    // abandoned half-way must not leave the unit with a neutral one.
    void on_cancel() override {
        if (steps_ran_ && !store_pairs(link(), quantity_, before_)) message(kCommunicationProblem);
        close(IDCANCEL);
    }

    void start() {
        steps_ran_ = true;
        std::optional<MeasuredPoint> points[2];
        for (int step = 1; step <= 2; ++step) {
            StepScreen screen(module_, console_, quantity_, step);
            screen.run(dialog());
            if (!screen.point) {  // a cancelled step ends the calibration
                on_cancel();
                return;
            }
            points[step - 1] = screen.point;
        }
        const auto result = calibration_result(*points[0], *points[1]);
        if (!result) {
            message(kEntryRefused);
            return;
        }
        show(*result);
    }

    void save() {
        if (!store_pairs(link(), quantity_, shown_)) {
            message(kCommunicationProblem);
            return;
        }
        save_restore_file(link());
        close(IDOK);
    }

    void show(const CalibrationResult& pairs) {
        shown_ = pairs;
        const auto put = [&](int control, float value) {
            char text[32];
            std::snprintf(text, sizeof text, "%.4f", value);
            set_item(control, text);
        };
        put(IDC_RESULT_COMMAND_GAIN, pairs.command.gain);
        put(IDC_RESULT_COMMAND_OFFSET, pairs.command.offset);
        put(IDC_RESULT_MEASURE_GAIN, pairs.measurement.gain);
        put(IDC_RESULT_MEASURE_OFFSET, pairs.measurement.offset);
    }

    ConsoleAccess& console_;
    Quantity quantity_;
    CalibrationResult before_, shown_;
    bool steps_ran_ = false;
};

// The console keeps serving its own window meanwhile.
void pump_messages_for(DWORD milliseconds) {
    const DWORD end = ::GetTickCount() + milliseconds;
    for (;;) {
        const auto left = static_cast<LONG>(end - ::GetTickCount());
        if (left <= 0) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
}

}  // namespace

void run_calibration(VentraModule& module, ConsoleAccess& console, Quantity quantity) {
    console.set_calibration_running(true);
    pump_messages_for(kFlagToScreenMs);
    ResultScreen(module, console, quantity).run(console.window());
    console.set_calibration_running(false);
}

}  // namespace np::ventra
