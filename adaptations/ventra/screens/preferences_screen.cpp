// User preferences: the arm's two positions and the compensation table, whose
// cells are edited where they stand.
#include <windows.h>
#include <commctrl.h>

#include <array>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/module/edition.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 120;
constexpr std::uint16_t kSaveFailed = 133;
constexpr std::uint16_t kReinitialisationFailed = 131;
constexpr std::uint16_t kCategory = 134;
constexpr std::uint16_t kColumnTexts[kPreferenceColumns] = {135, 136, 137};
constexpr std::uint16_t kRowTexts[kPreferenceRows] = {138, 139, 140, 141};
constexpr std::uint16_t kStorePreferences = 0x0481;
constexpr std::uint16_t kResetPreferences = 0x0482;
constexpr std::uint16_t kResetSetValues = 0x0382;

class PreferencesScreen : public ScreenDialog {
  public:
    explicit PreferencesScreen(VentraModule& module) : ScreenDialog(module, IDD_PREFERENCES) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_PREF_ORIGIN_LABEL, 122}, {IDC_PREF_CEPH_LABEL, 121}, {IDC_PREF_SAVE, 127},
                   {IDCANCEL, 128}, {IDC_PREF_REINIT, 129}, {IDC_PREF_RESET_VALUES, 761}});
        fill_choices(IDC_PREF_ORIGIN, {124, 125, 126});
        fill_choices(IDC_PREF_CEPH, {124, 125, 126});
        make_table();
        read_and_show();
    }

    void on_command(int control, int notification) override {
        switch (control) {
            case IDOK:  // Enter in a cell
                finish_editing(true);
                break;
            case IDC_PREF_CELL_EDIT:
                if (notification == EN_KILLFOCUS) finish_editing(true);
                break;
            case IDC_PREF_SAVE:
                finish_editing(true);
                save();
                break;
            case IDC_PREF_REINIT:
                if (!confirmed()) break;
                if (link().command(kResetPreferences) != 0) message(kReinitialisationFailed);
                read_and_show();
                break;
            case IDC_PREF_RESET_VALUES:
                if (link().command(kResetSetValues) != 0) message(kReinitialisationFailed);
                read_and_show();
                break;
            default:
                break;
        }
    }

    void on_cancel() override {
        if (editor_) finish_editing(false);
        else close(IDCANCEL);
    }

    LRESULT on_notify(const NMHDR& header) override {
        if (header.idFrom == IDC_PREF_LIST && (header.code == NM_CLICK || header.code == NM_DBLCLK)) {
            const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
            start_editing(click.iItem, click.iSubItem);
        }
        return 0;
    }

    HWND table() const { return item(IDC_PREF_LIST); }

    void make_table() const {
        ListView_SetExtendedListViewStyle(table(), LVS_EX_GRIDLINES);
        RECT area{};
        ::GetClientRect(table(), &area);
        const int width = (area.right - area.left) / (kPreferenceColumns + 1);
        for (int column = 0; column <= kPreferenceColumns; ++column) {
            std::string caption = text(column == 0 ? kCategory : kColumnTexts[column - 1]);
            LVCOLUMNA c{};
            c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            c.fmt = column == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
            c.cx = width;
            c.pszText = caption.data();
            ::SendMessageA(table(), LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
        }
        for (int row = 0; row < kPreferenceRows; ++row) {
            std::string caption = text(kRowTexts[row]);
            LVITEMA i{};
            i.mask = LVIF_TEXT;
            i.iItem = row;
            i.pszText = caption.data();
            ::SendMessageA(table(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&i));
        }
    }

    void set_cell(int row, int column, const std::string& value) const {
        std::string copy = value;
        LVITEMA i{};
        i.iSubItem = column + 1;
        i.pszText = copy.data();
        ::SendMessageA(table(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&i));
    }

    // A failed read leaves the screen as it was.
    void read_and_show() {
        std::array<std::uint16_t, words::preferences_used> words{};
        if (link().read(address::preferences, words::preferences_used, words.data()) != 0) return;
        values_ = unpack_preferences(words);
        select_choice(IDC_PREF_ORIGIN, values_.origin);
        select_choice(IDC_PREF_CEPH, values_.cephalometric);
        for (int row = 0; row < kPreferenceRows; ++row)
            for (int column = 0; column < kPreferenceColumns; ++column)
                set_cell(row, column, std::to_string(values_.cells[row][column]));
    }

    void start_editing(int row, int column) {
        finish_editing(true);
        if (row < 0 || row >= kPreferenceRows || column < 1 || column > kPreferenceColumns) return;
        RECT cell{};
        cell.top = column;
        cell.left = LVIR_BOUNDS;
        if (!::SendMessageA(table(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell))) return;
        // The editor is the screen's own child laid over the cell, so that its focus
        // changes and Enter and Escape reach the screen.
        ::MapWindowPoints(table(), dialog(), reinterpret_cast<POINT*>(&cell), 2);
        editing_ = {row, column - 1};
        editor_ = ::CreateWindowExA(0, "EDIT", std::to_string(values_.cells[row][column - 1]).c_str(),
                                    WS_CHILD | WS_BORDER | ES_RIGHT | ES_AUTOHSCROLL, cell.left, cell.top,
                                    cell.right - cell.left, cell.bottom - cell.top, dialog(),
                                    reinterpret_cast<HMENU>(IDC_PREF_CELL_EDIT), module_.instance, nullptr);
        ::SendMessageA(editor_, WM_SETFONT, ::SendMessageA(table(), WM_GETFONT, 0, 0), FALSE);
        ::SetWindowPos(editor_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ::SendMessageA(editor_, EM_SETSEL, 0, -1);
        ::SetFocus(editor_);
    }

    // An entry outside the cell's range is dropped with a beep; the cell keeps its value.
    void finish_editing(bool keep) {
        if (!editor_) return;
        const HWND editor = editor_;
        editor_ = nullptr;  // the focus change below comes back here
        char typed[32] = {};
        ::GetWindowTextA(editor, typed, sizeof typed);
        const auto [row, column] = editing_;
        if (keep) {
            if (const auto value = parse_preference_cell(row, typed)) values_.cells[row][column] = *value;
            else ::MessageBeep(MB_ICONEXCLAMATION);
        }
        set_cell(row, column, std::to_string(values_.cells[row][column]));
        ::DestroyWindow(editor);
    }

    void save() {
        values_.origin = static_cast<std::uint16_t>(selected_choice(IDC_PREF_ORIGIN));
        values_.cephalometric = static_cast<std::uint16_t>(selected_choice(IDC_PREF_CEPH));
        const auto words = pack_preferences(values_);
        if (link().write(address::preferences, words::preferences_used, words.data()) != 0) {
            message(kSaveFailed);
            return;
        }
        if (link().command(kStorePreferences) != 0) message(kSaveFailed);
        read_and_show();
        save_restore_file(link());
        // The demonstration build keeps the screen open for further changes.
        if (!demonstration_build()) close(IDOK);
    }

    Preferences values_;
    HWND editor_ = nullptr;
    std::pair<int, int> editing_{0, 0};
};

}  // namespace

void show_preferences(VentraModule& module, HWND owner) {
    PreferencesScreen(module).run(owner);
}

}  // namespace np::ventra
