#include "adaptations/ventra/module/ventra_module.h"

#include <array>
#include <string>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/link/startup_rules.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/module/ventra_registry.h"

namespace np::ventra {
namespace {

constexpr int kPortUnusable = 7;
constexpr std::uint16_t kRegistryReadFailedText = 530;
constexpr std::uint16_t kPortOpenFailedText = 531;

bool system_supported() {
    OSVERSIONINFOA os{};
    os.dwOSVersionInfoSize = sizeof os;
    if (!::GetVersionExA(&os)) return false;
    return supported_system(os.dwMajorVersion, os.dwMinorVersion, os.szCSDVersion);
}

// The system, the firmware, then the start-up text on the unit's display.
bool startup_check(VentraModule& module) {
    if (!system_supported()) {
        show_message(kBadOsMessage);
        return false;
    }
    std::array<std::uint16_t, 15> identification{};
    if (module.link.read(address::identification, words::identification, identification.data()) != 0) {
        module.link.close();
        return false;
    }
    const double version = firmware_version(identification);
    if (!firmware_accepted(version)) {
        show_message(module.language.text(kWrongFirmwareText));
        return false;
    }
    module.new_firmware = new_firmware(version);
    return module.link.show_startup_text(module.language.text(kInterfaceInactiveText)) == 0;
}

// The voice's and the print dialog's system libraries leave handles behind each time
// they are unloaded (Wine's do); once the module has brought them in they stay for the
// process, so that a host loading the module at every acquisition loses nothing.
void keep_system_libraries() {
    for (const char* name : {"winmm.dll", "comdlg32.dll"}) {
        HMODULE kept = nullptr;
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, name, &kept);
    }
}

}  // namespace

VentraModule& ventra() {
    static VentraModule module;
    return module;
}

bool VentraModule::start() {
    if (!language.bind()) return false;
    keep_system_libraries();
    hand_cursor = ::LoadCursor(nullptr, IDC_HAND);
    record = new (std::nothrow) AcquisitionRecord{};
    link.on_reset([this] { save_restore_file(link); });
    return record != nullptr;
}

void VentraModule::end() {
    delete record;
    record = nullptr;
    link.close();
    free_version_records(versions);
    versions = nullptr;
    hand_cursor = nullptr;  // a shared system cursor: nothing to destroy
    language.release();
}

int open_comm_port(VentraModule& module) {
    const VentraKey pano(kPanoKey);
    const VentraKey ventra_key(kVentraKey);
    if (!pano.present() || !ventra_key.present()) {
        show_message(module.language.text(kRegistryReadFailedText));
        return kPortUnusable;
    }
    const std::string port = "COM" + pano.text("COM", 2).value_or("");
    const int baud = static_cast<int>(ventra_key.dword("Baudrate").value_or(0));
    if (module.link.is_open()) return kPortUnusable;
    if (!module.link.open(port, baud)) {
        show_message(module.language.text(kPortOpenFailedText));
        return kPortUnusable;
    }
    return startup_check(module) ? 0 : kPortUnusable;
}

}  // namespace np::ventra
