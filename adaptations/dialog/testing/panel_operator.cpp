#include "adaptations/dialog/testing/panel_operator.h"

#include <thread>
#include <vector>

#include "adaptations/dialog/kv_panel.h"
#include "adaptations/dialog/program_layout.h"
#include "adaptations/dialog/resources/dialog_ids.h"
#include "adaptations/dialog/xray_panel.h"

namespace np::testing {
namespace {

struct Search {
    DWORD thread;
    HWND found;
};

bool is_program_dialog(HWND window) {
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770" && ::IsWindowVisible(window) &&
           ::GetDlgItem(window, IDC_PROGRAM_NAME) != nullptr;
}

BOOL CALLBACK look_at(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    if (search.thread && ::GetWindowThreadProcessId(window, nullptr) != search.thread) return TRUE;
    if (!is_program_dialog(window)) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

HWND wait_for_program_dialog(DWORD thread, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        Search search{thread, nullptr};
        ::EnumWindows(look_at, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            // Let the dialog finish opening (its values shown, painted) first.
            ::SendMessageA(search.found, WM_NULL, 0, 0);
            return search.found;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
}

void PanelOperator::click(int control) const {
    ::SendMessageA(item(control), BM_CLICK, 0, 0);
}

void PanelOperator::step(int spin, bool up) const {
    RECT area{};
    ::GetClientRect(item(spin), &area);
    const LPARAM point =
        MAKELPARAM(area.right / 2, up ? area.bottom / 4 : area.bottom - area.bottom / 4);
    ::SendMessageA(item(spin), WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::SendMessageA(item(spin), WM_LBUTTONUP, 0, point);
}

void PanelOperator::step_times(int spin, bool up, int times) const {
    for (int i = 0; i < times; ++i)
        step(spin, up);
}

void PanelOperator::close() const {
    ::SendMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::string PanelOperator::text(int control) const {
    char buffer[64] = {};
    ::SendMessageA(item(control), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

bool PanelOperator::visible(int control) const {
    return ::IsWindowVisible(item(control)) != FALSE;
}

bool PanelOperator::enabled(int control) const {
    return ::IsWindowEnabled(item(control)) != FALSE;
}

bool PanelOperator::choose_and_confirm(const std::string& model, int program) const {
    using namespace np::dialog;
    std::string wanted;
    int attempts = kKvPrograms;
    if (model == "trevian" || model == "brevian") {
        const XrayModel& table = model == "trevian" ? trevian_model() : brevian_model();
        const XrayProgram* entry = find_program(table, program);
        if (!entry) return false;
        attempts = static_cast<int>(table.programs.size());
        step_times(IDC_PROGRAM_SPIN, false, attempts);
        wanted = entry->name;
    } else {
        wanted = default_program_name(program);
    }
    // The name field shows its text in capitals.
    const auto showing = [&] {
        return ::lstrcmpiA(text(IDC_PROGRAM_NAME).c_str(), wanted.c_str()) == 0;
    };
    for (int i = 0; i <= attempts && !showing(); ++i) {
        if (item(IDC_PROG))
            click(IDC_PROG);
        else
            step(IDC_PROGRAM_SPIN, true);
    }
    if (!showing()) return false;
    click(IDOK);
    return true;
}

}  // namespace np::testing
