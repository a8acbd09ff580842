// Details and the log viewer: a text file of the module shown whole.
#include <windows.h>

#include <optional>
#include <string>

#include "adaptations/ventra/files/config_report.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"
#include "common/win32_handles.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kDetailsCaption = 450;
constexpr std::uint16_t kDetailsOk = 451;

class DetailsScreen : public ScreenDialog {
  public:
    explicit DetailsScreen(VentraModule& module) : ScreenDialog(module, IDD_DETAILS) {}

  private:
    void on_init() override {
        set_caption(kDetailsCaption);
        set_texts({{IDOK, kDetailsOk}});
        set_item(IDC_TEXT, whole_file(kConfigReportPath));
    }
    void on_command(int control, int) override {
        if (control == IDOK) close(IDOK);
    }
};

}  // namespace

// Read in binary, without any line-end translation; empty when it cannot be read.
std::string whole_file(const char* path) {
    UniqueFile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    const DWORD size = ::GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return {};
    std::string bytes(size, '\0');
    DWORD got = 0;
    if (size > 0 && !::ReadFile(file.get(), bytes.data(), size, &got, nullptr)) return {};
    bytes.resize(got);
    // The text ends at its first NUL, as the field shows it.
    return bytes.substr(0, bytes.find('\0'));
}

void show_details(VentraModule& module, HWND owner) {
    DetailsScreen(module).run(owner);
}

}  // namespace np::ventra
