// The installation program: its minimised main window and the wizard it runs.
#pragma once

#include <windows.h>

namespace np::install {

inline constexpr const char* kWizardCaption = "ORVIX driver installation for Windows";
inline constexpr const char* kMainWindowTitle = "ORVIX Install Program";

// Runs the program on the calling thread until the wizard ends; `resources` is the
// module holding the page templates. Returns the program's exit code.
int run_installer(HINSTANCE resources);

}  // namespace np::install
