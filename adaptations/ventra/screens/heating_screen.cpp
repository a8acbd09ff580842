// Heating-voltage calibration: the unit runs its program step by step (60 to 90 kV)
// and builds its table of heating deltas; the screen follows it.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <optional>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 679;
constexpr std::uint16_t kReachedMark = 655;
constexpr std::uint16_t kCommunicationProblem = 663;
constexpr std::uint16_t kHeatingProgram = 0x0704;
constexpr std::uint16_t kStoreCalibration = 0x0181;
constexpr std::uint16_t kStateBits = 0x003C;
constexpr int kProgramWords = 4;  // P3..P6
constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT kFollowMs = 500;

using HeatingTable = std::array<std::uint16_t, kHeatingSteps>;

// Save stores the table the unit has built into its calibration group, so that it
// survives the unit's next start, and the restore file follows. Cancel leaves the
// stored table alone and puts the one the screen found back into the unit's working
// registers, so that a calibration broken off half-way is not used.
class HeatingScreen : public ScreenDialog {
  public:
    HeatingScreen(VentraModule& module, ConsoleAccess& console)
        : ScreenDialog(module, IDD_HEATING), console_(console) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_HEAT_TEXT, 676}, {IDC_HEAT_NOTE, 677}, {IDC_HEAT_SAVE, 674}, {IDCANCEL, 669}});
        ::SendDlgItemMessageA(dialog(), IDC_HEAT_ICON, STM_SETICON,
                              reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IDI_EXCLAMATION)), 0);
        make_table();
        ::SendDlgItemMessageA(dialog(), IDC_HEAT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kHeatingSteps));
        ::SendDlgItemMessageA(dialog(), IDC_HEAT_PROGRESS, PBM_SETPOS, 0, 0);
        found_ = read_table();
        if (found_) show_deltas(*found_);
        if (link().command(kHeatingProgram) != 0) message(kCommunicationProblem);
        console_.refresh_from_unit();
        ::SetTimer(dialog(), kFollowTimer, kFollowMs, nullptr);
    }

    void on_timer(UINT_PTR timer) override {
        if (timer == kFollowTimer) follow();
    }
    void on_destroy() override { ::KillTimer(dialog(), kFollowTimer); }

    void on_command(int control, int) override {
        if (control != IDC_HEAT_SAVE) return;
        if (link().command(kStoreCalibration) != 0) {
            message(kCommunicationProblem);
            return;
        }
        save_restore_file(link());
        finish(IDOK);
    }

    void on_cancel() override {
        if (found_) put_back(*found_);
        finish(IDCANCEL);
    }

    void finish(INT_PTR result) {
        ::KillTimer(dialog(), kFollowTimer);
        console_.refresh_from_unit();
        close(result);
    }

    void put_back(const HeatingTable& table) const {
        CalibrationBlock block{};
        if (link().read(address::calibration, words::calibration, block.data()) != 0) return;
        std::copy(table.begin(), table.end(), block.begin() + kHeatingFirstWord);
        link().write(address::calibration, words::calibration, block.data());
    }

    HWND list() const { return item(IDC_HEAT_LIST); }

    void make_table() const {
        const std::uint16_t captions[] = {650, 651, 653};
        const int widths[] = {30, 80, 80};
        for (int column = 0; column < 3; ++column) {
            std::string caption = text(captions[column]);
            LVCOLUMNA c{};
            c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            c.fmt = column == 0 ? LVCFMT_CENTER : LVCFMT_RIGHT;
            c.cx = widths[column];
            c.pszText = caption.data();
            ::SendMessageA(list(), LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
        }
        for (int row = 0; row < kHeatingSteps; ++row) {
            std::string empty;
            LVITEMA i{};
            i.mask = LVIF_TEXT;
            i.iItem = row;
            i.pszText = empty.data();
            ::SendMessageA(list(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&i));
            set_cell(row, 1, std::to_string(heating_kv(row)));
        }
    }

    void set_cell(int row, int column, const std::string& value) const {
        std::string copy = value;
        LVITEMA i{};
        i.iSubItem = column;
        i.pszText = copy.data();
        ::SendMessageA(list(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&i));
    }

    std::optional<HeatingTable> read_table() const {
        HeatingTable table{};
        if (link().read(address::heating_table, kHeatingSteps, table.data()) != 0) return std::nullopt;
        return table;
    }

    void show_deltas(const HeatingTable& table) const {
        for (int row = 0; row < kHeatingSteps; ++row)
            set_cell(row, 2, std::to_string(static_cast<std::int16_t>(table[row])));
    }

    // Between two exposures of the program: the steps done, their deltas.
    void follow() const {
        std::uint16_t status = 0;
        std::array<std::uint16_t, kProgramWords> program{};
        if (link().read(address::status, 1, &status) != 0 ||
            link().read(address::heating_measure, kProgramWords, program.data()) != 0)
            return;
        const auto table = read_table();
        if (!table || (status & kStateBits) != 0) return;
        const int reached = heating_step_reached(program[0]);
        for (int row = 0; row < kHeatingSteps; ++row) set_cell(row, 0, row < reached ? text(kReachedMark) : "");
        show_deltas(*table);
        ::SendDlgItemMessageA(dialog(), IDC_HEAT_PROGRESS, PBM_SETPOS, reached, 0);
    }

    ConsoleAccess& console_;
    std::optional<HeatingTable> found_;
};

}  // namespace

void show_heating_calibration(VentraModule& module, ConsoleAccess& console) {
    HeatingScreen(module, console).run(console.window());
}

}  // namespace np::ventra
