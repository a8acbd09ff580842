#include <windows.h>

#include "installer/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return np::install::run_installer(instance);
}
