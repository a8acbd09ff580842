// Resource numbers of the program dialogs (also included by the .rc files).
#pragma once

#define IDD_PROGRAM 3001

// Both dialogs.
#define IDC_KV 3002
#define IDC_MA 3003
#define IDC_EXPOSURE_TIME 3004
#define IDC_PROGRAM_NAME 3005

// The Kv panel.
#define IDB_PANEL_UNIT 3003
#define IDB_PANEL_RADIATION 3004
#define IDB_PANEL_READY 3005
#define IDC_AEC 3014
#define IDC_LUM 3015
#define IDC_PROG 3016
#define IDC_RESET 3017
#define IDC_SELECT 3018
#define IDC_MINUS 3019
#define IDC_PLUS 3020
#define IDC_KV_MARK_VERTICAL 3021
#define IDC_KV_MARK_HORIZONTAL 3022
#define IDC_MA_MARK_VERTICAL 3023
#define IDC_VALUES_FRAME 3024
#define IDC_MA_MARK_HORIZONTAL 3025
#define IDC_MODEL_NAME 3028

// The Trevian and Brevian dialog.
#define IDC_KV_SPIN 3009
#define IDC_MA_SPIN 3010
#define IDC_PROGRAM_SPIN 3011
#define IDC_UNIT_NAME 3014
