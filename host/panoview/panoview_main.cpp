// PanoView, the windowed sample host: PanoView.exe [DRIVER.dll]
#include <windows.h>

#include <string>

#include "host/panoview/viewer_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
    np::panoview::ViewerOptions options;
    std::string driver = command_line ? command_line : "";
    while (!driver.empty() && (driver.back() == ' ' || driver.back() == '"'))
        driver.pop_back();
    while (!driver.empty() && (driver.front() == ' ' || driver.front() == '"'))
        driver.erase(0, 1);
    if (!driver.empty()) options.driver = driver;
    return np::panoview::run_viewer(instance, options, show);
}
