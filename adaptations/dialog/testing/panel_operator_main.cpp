// PanelOperator: answers a program dialog unattended, for demonstrations.
//   PanelOperator MODEL PROGRAM           waits (up to 120 s) for the dialog of any
//                                         process, picks PROGRAM and confirms
//   PanelOperator --layout MODEL PROGRAM  prints the program's sections as the
//                                         simulated card's "Widths" and "Gaps" values
// MODEL is kv80, kv40, trevian or brevian. Exit code 0 on success.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "adaptations/dialog/kv_panel.h"
#include "adaptations/dialog/testing/panel_operator.h"
#include "adaptations/dialog/xray_panel.h"

namespace {

const np::dialog::ProgramLayout* layout_of(const std::string& model, int program) {
    using namespace np::dialog;
    if (model == "kv80") return kv_layout(kv80_model(), program);
    if (model == "kv40") return kv_layout(kv40_model(), program);
    const XrayProgram* entry = nullptr;
    if (model == "trevian") entry = find_program(trevian_model(), program);
    if (model == "brevian") entry = find_program(brevian_model(), program);
    return entry ? &entry->layout : nullptr;
}

std::string list(const std::array<int, np::dialog::kMaxProgramSections>& values, int count) {
    std::string text;
    for (int k = 0; k < count; ++k)
        text.append(k ? "," : "").append(std::to_string(values[k]));
    return text;
}

int usage() {
    std::fprintf(stderr, "usage: PanelOperator [--layout] kv80|kv40|trevian|brevian PROGRAM\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const bool layout = argc == 4 && std::string(argv[1]) == "--layout";
    if (argc != 3 && !layout) return usage();
    const std::string model = argv[layout ? 2 : 1];
    const int program = std::atoi(argv[layout ? 3 : 2]);
    const np::dialog::ProgramLayout* sections = layout_of(model, program);
    if (!sections) {
        std::fprintf(stderr, "PanelOperator: %s has no program %d\n", model.c_str(), program);
        return 2;
    }
    if (layout) {
        std::printf("\"Widths\"=\"%s\"\n\"Gaps\"=\"%s\"\n",
                    list(sections->widths, sections->sections).c_str(),
                    list(sections->gaps, sections->sections).c_str());
        return 0;
    }
    const HWND dialog = np::testing::wait_for_program_dialog(0, std::chrono::seconds(120));
    if (!dialog) {
        std::fprintf(stderr, "PanelOperator: no program dialog showed\n");
        return 1;
    }
    if (!np::testing::PanelOperator(dialog).choose_and_confirm(model, program)) {
        std::fprintf(stderr, "PanelOperator: program %d could not be chosen\n", program);
        return 1;
    }
    std::printf("PanelOperator: program %d confirmed\n", program);
    return 0;
}
