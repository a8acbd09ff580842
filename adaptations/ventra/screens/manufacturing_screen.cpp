// Manufacturing parameters: the serial number and the unit's build options.
#include <array>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 150;
constexpr std::uint16_t kSaveFailed = 159;
constexpr std::uint16_t kInitialisationFailed = 168;
constexpr std::uint16_t kReinitialisationFailed = 170;
constexpr std::uint16_t kStoreManufacturing = 0x0281;
constexpr std::uint16_t kResetManufacturing = 0x0282;

class ManufacturingScreen : public ScreenDialog {
  public:
    explicit ManufacturingScreen(VentraModule& module) : ScreenDialog(module, IDD_MANUFACTURING) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_MANUF_SERIAL_LABEL, 152}, {IDC_MANUF_VOLTAGE_LABEL, 153}, {IDC_MANUF_FREQUENCY_LABEL, 172},
                   {IDC_MANUF_TUBE_LABEL, 175}, {IDC_MANUF_PANORAMIC_LABEL, 154}, {IDC_MANUF_CEPH_LABEL, 155},
                   {IDC_MANUF_SAVE, 156}, {IDCANCEL, 157}, {IDC_MANUF_DEFAULT, 171}});
        fill_choices(IDC_MANUF_VOLTAGE, {160, 161});
        fill_choices(IDC_MANUF_FREQUENCY, {173, 174});
        fill_choices(IDC_MANUF_TUBE, {176, 177, 178});
        fill_choices(IDC_MANUF_PANORAMIC, {162, 163, 164, 165});
        fill_choices(IDC_MANUF_CEPH, {166, 167});
        ::SendDlgItemMessageA(dialog(), IDC_MANUF_SERIAL, EM_LIMITTEXT, kSerialNumberLength, 0);
        if (!read_and_show()) message(kInitialisationFailed);
    }

    void on_command(int control, int) override {
        if (control == IDC_MANUF_SAVE) save();
        else if (control == IDC_MANUF_DEFAULT) {
            if (link().command(kResetManufacturing) != 0) message(kReinitialisationFailed);
            read_and_show();
        }
    }

    // A failed read leaves the fields as they were.
    bool read_and_show() {
        std::array<std::uint16_t, words::manufacturing> words{};
        if (link().read(address::manufacturing, words::manufacturing, words.data()) != 0) return false;
        values_ = unpack_manufacturing(words);
        set_item(IDC_MANUF_SERIAL, values_.serial);
        select_choice(IDC_MANUF_VOLTAGE, values_.voltage);
        select_choice(IDC_MANUF_FREQUENCY, values_.frequency);
        select_choice(IDC_MANUF_TUBE, values_.tube);
        select_choice(IDC_MANUF_PANORAMIC, values_.panoramic);
        select_choice(IDC_MANUF_CEPH, values_.cephalometric);
        return true;
    }

    void save() {
        values_.serial = item_text(IDC_MANUF_SERIAL);
        values_.voltage = static_cast<std::uint16_t>(selected_choice(IDC_MANUF_VOLTAGE));
        values_.frequency = static_cast<std::uint16_t>(selected_choice(IDC_MANUF_FREQUENCY));
        values_.tube = static_cast<std::uint16_t>(selected_choice(IDC_MANUF_TUBE));
        values_.panoramic = static_cast<std::uint16_t>(selected_choice(IDC_MANUF_PANORAMIC));
        values_.cephalometric = static_cast<std::uint16_t>(selected_choice(IDC_MANUF_CEPH));
        const auto words = pack_manufacturing(values_);
        if (link().write(address::manufacturing, words::manufacturing, words.data()) != 0) {
            message(kSaveFailed);
            return;
        }
        if (link().command(kStoreManufacturing) != 0) message(kSaveFailed);
        save_restore_file(link());
    }

    Manufacturing values_;
};

}  // namespace

void show_manufacturing(VentraModule& module, HWND owner) {
    ManufacturingScreen(module).run(owner);
}

}  // namespace np::ventra
