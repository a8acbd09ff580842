// About: the software modules' versions and the unit's firmware identification.
#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"
#include "common/win32_handles.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 220;
constexpr int kLabelFontHeight = 20;

class AboutScreen : public ScreenDialog {
  public:
    explicit AboutScreen(VentraModule& module) : ScreenDialog(module, IDD_ABOUT) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_ABOUT_SOFTWARE_LABEL, 221}, {IDC_ABOUT_FIRMWARE_LABEL, 222}, {IDC_ABOUT_DETAILS, 227}});
        label_font_.reset(::CreateFontA(kLabelFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        DEFAULT_PITCH | FF_SWISS, "Arial"));
        for (int control : {IDC_ABOUT_SOFTWARE_LABEL, IDC_ABOUT_FIRMWARE_LABEL, IDC_ABOUT_DETAILS})
            ::SendMessageA(item(control), WM_SETFONT, reinterpret_cast<WPARAM>(label_font_.get()), TRUE);
        const VersionTexts report = version_report(link(), module_.language);
        set_item(IDC_ABOUT_SOFTWARE, report.software);
        set_item(IDC_ABOUT_FIRMWARE, report.firmware);
    }
    void on_command(int control, int) override {
        if (control == IDOK) close(IDOK);
        else if (control == IDC_ABOUT_DETAILS) show_details(module_, dialog());
    }

    UniqueGdiObject label_font_;
};

}  // namespace

void show_about(VentraModule& module, HWND owner) {
    AboutScreen(module).run(owner);
}

}  // namespace np::ventra
