// What the two program dialogs share on the Win32 side.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32_handles.h"

namespace np::dialog {

// ReadCommData: the dialog could not be shown at all.
inline constexpr int kDialogFailed = 1;

// This module, which holds the dialog template.
HINSTANCE module_instance();

// Bold 14-pixel "MS Sans Serif" for the model name and the panel's "-" and "+".
UniqueGdiObject create_title_font();
void use_font(HWND dialog, int control, const UniqueGdiObject& font);

void show_text(HWND dialog, int control, const std::string& text);

// Centres the dialog on the screen's work area, whatever the size of the screen.
void centre_on_screen(HWND dialog);

}  // namespace np::dialog
