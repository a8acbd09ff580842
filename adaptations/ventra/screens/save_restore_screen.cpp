// Save / Restore: the restore file written from the unit, or put back on it.
#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 460;
constexpr std::uint16_t kSaveSuccessful = 464, kSaveFailed = 465;

class SaveRestoreScreen : public ScreenDialog {
  public:
    explicit SaveRestoreScreen(VentraModule& module) : ScreenDialog(module, IDD_SAVE_RESTORE) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_SR_SAVE_GROUP, 461}, {IDC_SR_SAVE_TEXT, 462}, {IDC_SR_SAVE, 463},
                   {IDC_SR_RESTORE_GROUP, 466}, {IDC_SR_RESTORE_TEXT, 467}, {IDC_SR_RESTORE, 468}, {IDOK, 471}});
    }
    void on_command(int control, int) override {
        if (control == IDOK) close(IDOK);
        else if (control == IDC_SR_SAVE) {
            if (save_restore_file(link())) message(kSaveSuccessful, MB_ICONINFORMATION);
            else message(kSaveFailed);
        } else if (control == IDC_SR_RESTORE) {
            restore_all(link(), module_.language);
        }
    }
};

}  // namespace

void show_save_restore(VentraModule& module, HWND owner) {
    SaveRestoreScreen(module).run(owner);
}

}  // namespace np::ventra
