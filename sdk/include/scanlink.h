/* scanlink.h - host interface of the panoramic acquisition driver.
 *
 * The driver is a 32-bit Windows DLL: Scanlink.dll (the card), Scanlink_demo.dll (an
 * image file instead of the card) and Scanlink_sim.dll (a simulated card, for
 * development) export the same nine functions. Link against the import library
 * (libScanlink.a for MinGW, Scanlink.lib for the Microsoft toolchain) or load the DLL
 * by name and resolve the plain, undecorated names with GetProcAddress.
 *
 * Call sequence, all on the thread that owns the host window:
 *
 *     PANOOPEN(window, "MyApp", 0)          1, or a PANO_OPEN_* failure
 *     repeat:
 *         PANOWAITFORIMAGE()                blocks until the image is delivered or
 *                                           has failed; returns 1 or 0; the result
 *                                           arrives first as message PANO_WM_IMAGE
 *         PANOSIZE, PANOPREVIEWSIZE, PANOGETCOMMDATA as needed
 *     PANOCLOSE()                           also after a failed PANOOPEN
 *
 * Threading: nothing in the driver is locked; call every function from that one
 * thread. PANOWAITFORIMAGE does not pump messages: the driver's messages reach the
 * window procedure because they are sent from the same thread, but everything else
 * (painting, input, messages posted or sent from other threads) waits until it
 * returns. It raises the process and thread priority while the scan runs and lowers
 * them again before returning; the two worker threads it starts have ended by then.
 *
 * C89 and C++. */
#ifndef SCANLINK_H
#define SCANLINK_H

#include <windows.h>

#include "panorecord.h"

/* The driver exports plain C functions with the C calling convention. */
#define SCANLINK_CALL __cdecl
#ifndef SCANLINK_DECLSPEC
#define SCANLINK_DECLSPEC __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Results of PANOOPEN ---------------------------------------------------- */
#define PANO_OPEN_OK 1                     /* opened */
#define PANO_OPEN_DEMO_FILE_UNREADABLE 0   /* Scanlink_demo only: its image file cannot be read */
#define PANO_OPEN_NO_CARD (-1)             /* the card's device does not exist */
#define PANO_OPEN_NO_MASK (-3)             /* PANO.MSK missing from the system directory, or short */
#define PANO_OPEN_NO_RESOURCES (-4)        /* events or image buffers cannot be allocated */
#define PANO_OPEN_CARD_REQUEST_FAILED (-7) /* a request to the card failed (an error box showed it) */
#define PANO_OPEN_BAD_SETTINGS (-8)        /* card settings missing or out of range, or 12-bit mode
                                              with too old card firmware */
#define PANO_OPEN_UNSUPPORTED_FIRMWARE (-9) /* card firmware of an unknown major version */
#define PANO_OPEN_NO_ADAPTATION (-10)      /* Panodlg.dll missing or lacks a required function */

/* ---- Result codes of an acquisition without image --------------------------- *
 * lParam of PANO_WM_IMAGE when its wParam is 0. */
#define PANO_IMAGE_NO_MEMORY 0          /* no memory for the image or preview bitmaps */
#define PANO_IMAGE_UNIT_LINK_FAILED 1   /* the adaptation could not open its link to the unit */
#define PANO_IMAGE_UNIT_READ_FAILED 2   /* the adaptation failed to read the unit's data (its code 5) */
#define PANO_IMAGE_UNIT_DATA_REFUSED 3  /* the adaptation refused the unit's data (its code 6) */
#define PANO_IMAGE_CANCELLED 4          /* the operator cancelled or pressed Escape, the adaptation
                                           failed otherwise, or no memory for a rescaled preview */
#define PANO_IMAGE_TRANSFER_FAILED 5    /* the scan failed or ended before any data arrived */
#define PANO_IMAGE_UNIT_DEVICE_MISSING 6 /* the unit's communication device cannot be opened */
#define PANO_IMAGE_CARD_NOT_READY 7     /* the card does not report ready */

/* ---- Window messages sent to the host window --------------------------------- *
 * All are sent (SendMessage) from inside PANOWAITFORIMAGE; return 0. */

/* The acquisition's result, exactly once per PANOWAITFORIMAGE (except when the raw
 * image buffer itself cannot be allocated: then PANOWAITFORIMAGE returns 0 silently).
 *   wParam != 0: HGLOBAL of the image, a packed 8-bit grey DIB (BITMAPINFOHEADER,
 *                256 grey palette entries, bottom-up rows padded to 4 bytes). The host
 *                owns it from now on and frees it with GlobalFree.
 *   wParam == 0: no image; lParam is a PANO_IMAGE_* result code. */
#define PANO_WM_IMAGE (WM_USER + 600) /* 1624 */

/* Live preview, while the scan runs.
 *   wParam: HGLOBAL of the driver's preview DIB (same layout as the image, at 1/6
 *           or 1/8 scale, PANOPREVIEWSIZE). It stays the driver's: read it during the
 *           message (copy it to keep it), never free it.
 *   lParam: number of preview columns drawn so far, plus the offset at which the image
 *           is centred in the preview (0 unless the adaptation shows a console). The
 *           preview fills from its right-hand edge leftwards. One message with
 *           lParam = offset alone precedes the first drawing when the offset is not 0. */
#define PANO_WM_PREVIEW (WM_USER + 601) /* 1625 */

/* The raw image instead of a bitmap ("TypePano" setting 2).
 *   wParam: address of the driver's buffer of PANOSIZE width lines of 1244 unsigned
 *           16-bit samples, one sensor line after the other. It stays the driver's and
 *           is valid until the next PANOWAITFORIMAGE or PANOCLOSE; never free it.
 *   lParam: 0. */
#define PANO_WM_RAW_IMAGE (WM_USER + 602) /* 1626 */

#define PANO_IMAGE_HEIGHT 1244    /* samples per sensor line = image rows */
#define PANO_MAX_IMAGE_WIDTH 4000 /* image columns at most */
#define PANO_VERSION_SIZE 5       /* bytes PANOGetVersion writes, NUL included */

/* ---- The exports -------------------------------------------------------------- */

/* Opens the driver: binds Panodlg.dll, reads PANO.MSK and the settings, opens the
 * card. hostWindow receives the messages above; hostId names the host application;
 * hostCode 2 stamps the OEM logo into images, any other value the default logo.
 * Returns PANO_OPEN_OK or a failure; call PANOCLOSE in either case. */
SCANLINK_DECLSPEC int SCANLINK_CALL PANOOPEN(HWND hostWindow, const char *hostId, short hostCode);

/* Releases everything; the driver can be opened again. */
SCANLINK_DECLSPEC void SCANLINK_CALL PANOCLOSE(void);

/* Current image size: 2550 x 1244 after opening, the planned size once an acquisition
 * has started, the delivered image's size after it. */
SCANLINK_DECLSPEC void SCANLINK_CALL PANOSIZE(int *width, int *height);

/* Size of the live preview: 666 x 208 (scale 1/6), or 500 x 156 (1/8) after an
 * acquisition of four image sections. */
SCANLINK_DECLSPEC void SCANLINK_CALL PANOPREVIEWSIZE(int *width, int *height);

/* Takes one image; see the call sequence and PANO_WM_IMAGE. 1: delivered, 0: not. */
SCANLINK_DECLSPEC int SCANLINK_CALL PANOWAITFORIMAGE(void);

/* Copies the last acquisition's record: 1 copied, 0 no data yet. In the copy the
 * sections are listed for the delivered image: start[0] = 0, each next start =
 * previous start + previous width + PANO_SECTION_GAP. */
SCANLINK_DECLSPEC int SCANLINK_CALL PANOGETCOMMDATA(PANO_RECORD *record);

/* The program code combining two TMJ programs, 0 when they cannot be combined (or
 * the adaptation does not say). */
SCANLINK_DECLSPEC int SCANLINK_CALL NPANOCANCOMBINEATM(int firstProgram, int secondProgram);

/* Pixel size as the adaptation reports it: nonzero when *x and *y were written. */
SCANLINK_DECLSPEC int SCANLINK_CALL BPANORESOLUTION(double *x, double *y);

/* Writes the driver's version, e.g. "2.0A", into buffer (PANO_VERSION_SIZE bytes).
 * May be called at any time, even before PANOOPEN. */
SCANLINK_DECLSPEC void SCANLINK_CALL PANOGetVersion(char *buffer);

/* Function-pointer types for hosts that load the driver with LoadLibrary. */
typedef int(SCANLINK_CALL *PANOOPEN_FN)(HWND, const char *, short);
typedef void(SCANLINK_CALL *PANOCLOSE_FN)(void);
typedef void(SCANLINK_CALL *PANOSIZE_FN)(int *, int *);
typedef void(SCANLINK_CALL *PANOPREVIEWSIZE_FN)(int *, int *);
typedef int(SCANLINK_CALL *PANOWAITFORIMAGE_FN)(void);
typedef int(SCANLINK_CALL *PANOGETCOMMDATA_FN)(PANO_RECORD *);
typedef int(SCANLINK_CALL *NPANOCANCOMBINEATM_FN)(int, int);
typedef int(SCANLINK_CALL *BPANORESOLUTION_FN)(double *, double *);
typedef void(SCANLINK_CALL *PANOGETVERSION_FN)(char *);

#ifdef __cplusplus
}
#endif

#endif /* SCANLINK_H */
