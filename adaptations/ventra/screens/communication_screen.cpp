// Communication: the PC's serial ports and transfer rates with the current choice,
// and the unit's count of good and bad requests. Nothing is written back.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/module/ventra_registry.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"
#include "common/win32_handles.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 490;
constexpr const char* kSerialPortsKey = "Hardware\\DeviceMap\\SerialComm";
constexpr std::uint16_t kHistoryText = 494;

unsigned system_major_version() {
    OSVERSIONINFOA os{};
    os.dwOSVersionInfoSize = sizeof os;
    return ::GetVersionExA(&os) ? os.dwMajorVersion : 5;
}

// The ports the system knows, in the order of their value names; the first missing
// name ends the list.
std::vector<std::string> serial_ports() {
    std::vector<std::string> ports;
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialPortsKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return ports;
    const UniqueKey key(opened);
    const unsigned version = system_major_version();
    for (int i = 0;; ++i) {
        char data[MAX_PATH] = {};
        DWORD size = sizeof data - 1, type = 0;
        const std::string name = serial_value_name(version, i);
        if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS)
            break;
        if (type == REG_SZ) ports.emplace_back(data);
    }
    return ports;
}

class CommunicationScreen : public ScreenDialog {
  public:
    explicit CommunicationScreen(VentraModule& module) : ScreenDialog(module, IDD_COMMUNICATION) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDC_COMM_PORT_GROUP, 491}, {IDC_COMM_PORT_LABEL, 492}, {IDC_COMM_RATE_LABEL, 493},
                   {IDC_COMM_HISTORY_GROUP, kHistoryText}, {IDC_COMM_TOTAL_LABEL, 495}, {IDC_COMM_WRONG_LABEL, 496},
                   {IDC_COMM_RATE_OF_FAILURE_LABEL, 497}, {IDOK, 498}, {IDCANCEL, 499}});
        // The counters behind the history are one button away.
        set_item(IDC_COMM_COUNTERS, text(kHistoryText) + "...");
        show_ports();
        show_rates();
        show_history();
    }
    void on_command(int control, int) override {
        if (control == IDOK) close(IDOK);
        else if (control == IDC_COMM_COUNTERS) {
            show_counters(module_, dialog());
            show_history();
        }
    }

    void show_ports() const {
        const VentraKey pano(kPanoKey);
        const std::string current = "COM" + pano.text("COM", 2).value_or("");
        for (const std::string& port : serial_ports()) {
            const auto at = ::SendDlgItemMessageA(dialog(), IDC_COMM_PORT, CB_ADDSTRING, 0,
                                                  reinterpret_cast<LPARAM>(port.c_str()));
            if (port == current) ::SendDlgItemMessageA(dialog(), IDC_COMM_PORT, CB_SETCURSEL, at, 0);
        }
    }

    std::string own_string(UINT id) const {
        char value[32] = {};
        ::LoadStringA(module_.instance, id, value, sizeof value);
        return value;
    }

    void show_rates() const {
        const int count = std::atoi(own_string(IDS_RATE_COUNT).c_str());
        const auto current = VentraKey(kVentraKey).dword("Baudrate");
        for (int i = 0; i < count; ++i) {
            const std::string rate = own_string(IDS_FIRST_RATE + i);
            const std::string shown = rate + " Bauds";
            const auto at = ::SendDlgItemMessageA(dialog(), IDC_COMM_RATE, CB_ADDSTRING, 0,
                                                  reinterpret_cast<LPARAM>(shown.c_str()));
            if (current && std::to_string(*current) == rate)
                ::SendDlgItemMessageA(dialog(), IDC_COMM_RATE, CB_SETCURSEL, at, 0);
        }
    }

    void show_history() const {
        std::array<std::uint16_t, words::counters> counters{};
        if (const int code = link().read(address::counters, words::counters, counters.data())) {
            const std::string failure = read_failure_text(module_.language, code);
            for (int control : {IDC_COMM_TOTAL, IDC_COMM_WRONG, IDC_COMM_RATE_OF_FAILURE}) set_item(control, failure);
            return;
        }
        const RequestHistory history = request_history(counters[0], counters[1]);
        set_item(IDC_COMM_TOTAL, std::to_string(history.total));
        set_item(IDC_COMM_WRONG, std::to_string(history.wrong));
        set_item(IDC_COMM_RATE_OF_FAILURE, history.failure_rate);
    }
};

}  // namespace

void show_communication(VentraModule& module, HWND owner) {
    CommunicationScreen(module).run(owner);
}

}  // namespace np::ventra
