// Resource numbers of the driver module (also included by scanlink.rc).
#pragma once

#define IDC_TRANSFER_CURSOR 102
#define IDB_DEFAULT_LOGO 107
#define IDB_OEM_LOGO 112

// String table: texts for the host, 1 .. 16.
#define IDS_ORVIX_WARNING 1
#define IDS_ORVIX_ERROR 2
#define IDS_ORVIX_FATAL_ERROR 3
#define IDS_NO_BOARD 4
#define IDS_NO_BUFFER_SPACE 5
#define IDS_NO_IMAGE_MEMORY 6
#define IDS_TIMEOUT 7
#define IDS_ACQUISITION_FAILED 8
#define IDS_NO_TIMER 9
#define IDS_NO_DMA_BUFFER 10
#define IDS_DMA_BUFFER_RESET 11
#define IDS_NO_MASK 12
#define IDS_USER_ESCAPE 13
#define IDS_NO_COMM_DEVICE 14
#define IDS_COMM_READ_ERROR 15
#define IDS_INCOMPATIBLE_PROGRAM 16
