// Resource ids shared by every language module and by the programs that read them.
// Included by the resource scripts as well as by C++ sources: plain #defines only.
#pragma once

// Menus: the short console menu and the full (technical access) one.
#define IDR_MENU_SHORT 24002
#define IDR_MENU_FULL 24003

// Console commands carried by the menu items.
#define ID_ABOUT 32771
#define ID_MAINT_GENERAL 32772
#define ID_MAINT_COMMUNICATION 32773
#define ID_MAINT_PREFERENCES 32774
#define ID_MAINT_MANUFACTURING 32777
#define ID_MAINT_RESET_ALL 32779
#define ID_MAINT_SAVE_RESTORE 32780
#define ID_DETAILS 32781
#define ID_CALIB_KV 32782
#define ID_CALIB_MA 32783
#define ID_CALIB_HEATING 32784
#define ID_CALIB_ARM 32785
#define ID_CALIB_RESET 32786
#define ID_RESET_VALUES 32787
#define ID_CALIB_TUBE_HEAD 32788
#define ID_LOG 32789
#define ID_CALIB_BEAM 32790
#define ID_CALIB_DOSE 32791

// GetProgName answers for these program codes with text code + offset.
#define PROG_CODE_FIRST 180
#define PROG_CODE_LAST 197
#define PROG_NAME_TEXT_OFFSET 404
