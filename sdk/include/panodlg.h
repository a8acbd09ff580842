/* panodlg.h - the adaptation module contract, for makers of panoramic units.
 *
 * Everything that depends on the X-ray unit lives in one DLL installed as
 * "Panodlg.dll" (the Windows system directory, or any directory of the DLL search
 * path, e.g. beside the host program). The acquisition driver loads it at PANOOPEN,
 * looks up the functions below by their plain, undecorated names (export them with a
 * .def file; see the template in examples/) and keeps it loaded until PANOCLOSE.
 * Four functions are required; without any of them PANOOPEN fails with -10 and the
 * driver opens nothing. The others are optional: the driver tests each before use
 * and falls back as described. A function exported only under a decorated name
 * (_bHaveToMirror@0, _bPostProcess) counts as absent.
 *
 * Every function is called on the host's thread inside the driver's export that
 * triggered it; only the notification callback may be called from other threads.
 * Results: 0 success, small positive codes failures. Never let an exception or a
 * longjmp leave a function.
 *
 * One acquisition (PANOWAITFORIMAGE), as the module sees it:
 *   1. OpenCommPort
 *   2. StartDesignDialog, wait for start/cancel, GetInfosTir   (module with a console)
 *      or ReadCommData                                          (module without)
 *   3. GetTiming
 *   4. ReArrangement once per image line while the scan runs
 *   5. bHaveToMirror (maybe several times), TraitementATM4Images for program 188,
 *      bPostProcess when the "PostProcess" setting has bit 8
 * Between acquisitions the host may cause nCanCombineATM, bResolution and
 * GetExpositionTime.
 *
 * C89 and C++. */
#ifndef PANODLG_H
#define PANODLG_H

#include <windows.h>

#include "panorecord.h"

#define PANODLG_CALL __cdecl
#ifndef PANODLG_DECLSPEC
#define PANODLG_DECLSPEC
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define PANODLG_MODULE_NAME "Panodlg.dll"

/* A byte-sized truth value for bHaveToMirror and bPostProcess (1 true, 0 false). */
typedef unsigned char PANODLG_BOOL;

/* ---- Results the driver understands ------------------------------------------- */
#define PANODLG_OK 0
#define PANODLG_CANCELLED 4          /* ReadCommData: the operator cancelled (host code 4) */
#define PANODLG_READ_FAILED 5        /* ReadCommData: the unit's data could not be read (host code 2) */
#define PANODLG_DATA_REFUSED 6       /* ReadCommData: the unit's data cannot be used (host code 3) */
#define PANODLG_LINK_UNAVAILABLE 7   /* OpenCommPort: the unit's device cannot be opened (host code 6);
                                        any other nonzero OpenCommPort result gives host code 1 */

/* ---- Notification callback ------------------------------------------------------ *
 * Handed to StartDesignDialog; call it from any thread, at any time. */
typedef void(PANODLG_CALL *PANODLG_NOTIFY)(int code);
#define PANODLG_NOTIFY_START 0   /* the operator started: the driver calls GetInfosTir and scans */
#define PANODLG_NOTIFY_CANCEL 1  /* the operator cancelled before the start (host code 4) */
#define PANODLG_NOTIFY_ESCAPE 2  /* any code but 0, 1, 3: an Escape key press, which aborts a
                                    running scan (host code 4) */
#define PANODLG_NOTIFY_END 3     /* end the scan now and build the image from the lines so far;
                                    ignored while no scan runs */

/* ---- Messages to the console window ---------------------------------------------- *
 * When StartDesignDialog stored a console window, the driver sends it: */
#define PANODLG_WM_IMAGE 1624   /* WM_USER + 600, wParam the image's HGLOBAL, lParam 0: the
                                   image is ready and goes next to the host, which frees it;
                                   read it, never free it (close the console here) */
#define PANODLG_WM_PREVIEW 1625 /* WM_USER + 601, wParam the driver's preview DIB (never
                                   free it), lParam the preview columns drawn plus the
                                   centring offset: draw the progress of the scan */

/* ---- Required ----------------------------------------------------------------------- */

/* Once per acquisition, after the card reported ready, before anything else touches
 * the unit. Open the link to the unit. PANODLG_OK, PANODLG_LINK_UNAVAILABLE or another
 * nonzero failure. */
PANODLG_DECLSPEC int PANODLG_CALL OpenCommPort(void);

/* Only when StartDesignDialog is not exported: fill *record (zeroed by the driver)
 * with the program, the exposure and the image sections, set record->valid nonzero
 * and return PANODLG_OK. May block until the unit reports; the operator exposes
 * meanwhile. Sections: start[0] = 0, start[k] = start[k-1] + width[k-1] +
 * PANO_SECTION_GAP. Failures: PANODLG_READ_FAILED, PANODLG_DATA_REFUSED, any other
 * nonzero value (host code 4). */
PANODLG_DECLSPEC int PANODLG_CALL ReadCommData(HWND host, PANO_RECORD *record);

/* For every image line, in scan order, at time-critical priority: write `samples`
 * (always 1244, one line) samples in image order to dest, taken from the raw line src
 * as the sensor delivered it (its two taps interleaved). Must not block, and must not
 * touch memory beyond the line. */
PANODLG_DECLSPEC void PANODLG_CALL ReArrangement(unsigned short *dest, int samples,
                                                 const unsigned short *src);

/* At the start of every scan, with record->program. Write into gaps[k] the line pairs
 * the sensor delivers before section k (10-bit mode; unwritten entries count as 0);
 * return the time-out in units of 10 ms (20 ms in 12-bit mode) allowed between two
 * deliveries of the card once the scan has begun. */
PANODLG_DECLSPEC int PANODLG_CALL GetTiming(int program, int gaps[PANO_MAX_SECTIONS]);

/* ---- Optional ------------------------------------------------------------------------ */

/* From the host's NPANOCANCOMBINEATM: the program code combining two TMJ programs, or
 * 0. Absent: the host gets 0. */
PANODLG_DECLSPEC int PANODLG_CALL nCanCombineATM(int firstProgram, int secondProgram);

/* From the host's BPANORESOLUTION: write the pixel size, return nonzero. Absent: the
 * host gets 0. */
PANODLG_DECLSPEC int PANODLG_CALL bResolution(double *x, double *y);

/* After the 8-bit image is built, when bit 8 of the "PostProcess" setting is set:
 * rework the pixels in place. bits: the bitmap's bottom-up rows, each padded to a
 * multiple of 4 bytes; width: image columns; height: 1244. Result ignored. Absent:
 * skipped. */
PANODLG_DECLSPEC PANODLG_BOOL PANODLG_CALL bPostProcess(unsigned char *bits, int width, int height);

/* After the scan, possibly several times per image, always answering the same: 1 when
 * the scan ran in reverse, so the driver mirrors the image and its sections. Absent:
 * never mirrored. */
PANODLG_DECLSPEC PANODLG_BOOL PANODLG_CALL bHaveToMirror(void);

/* Each acquisition, first: show the operator console and return once its window
 * exists, having stored its handle in *console. Later call notify(PANODLG_NOTIFY_START)
 * or notify(PANODLG_NOTIFY_CANCEL); the driver waits without time-out. Result ignored.
 * Absent: ReadCommData is used. */
PANODLG_DECLSPEC int PANODLG_CALL StartDesignDialog(HWND host, HWND *console,
                                                    PANODLG_NOTIFY notify);

/* Right after the start notification: fill the whole record, valid nonzero. Absent:
 * the record stays zero. */
PANODLG_DECLSPEC void PANODLG_CALL GetInfosTir(PANO_RECORD *record);

/* For program PANO_PROGRAM_TMJ4, after the 8-bit image is built and before the logo:
 * recombine the four views in place in the bitmap (a packed DIB in global memory);
 * the driver then delivers that same handle. Absent: skipped. */
PANODLG_DECLSPEC void PANODLG_CALL TraitementATM4Images(HGLOBAL dib, PANO_RECORD *record);

/* From the host's PANOGETCOMMDATA, on the host's copy of the record: may update its
 * exposure fields. Result ignored. Absent: the copy is handed over unchanged. */
PANODLG_DECLSPEC int PANODLG_CALL GetExpositionTime(PANO_RECORD *hostCopy);

/* ---- Never called by the driver -------------------------------------------------------- *
 * Installation and service tools may ask a module for its version. The record and its
 * texts stay the module's. */
typedef struct PANODLG_VERSION {
    char *name;
    char *version;
    char *date;
    struct PANODLG_VERSION *next; /* NULL, or a further record */
} PANODLG_VERSION;

PANODLG_DECLSPEC PANODLG_VERSION *PANODLG_CALL pKXGetVersion(void);

/* Function-pointer types, as the driver looks the functions up. */
typedef int(PANODLG_CALL *OPENCOMMPORT_FN)(void);
typedef int(PANODLG_CALL *READCOMMDATA_FN)(HWND, PANO_RECORD *);
typedef void(PANODLG_CALL *REARRANGEMENT_FN)(unsigned short *, int, const unsigned short *);
typedef int(PANODLG_CALL *GETTIMING_FN)(int, int *);
typedef int(PANODLG_CALL *NCANCOMBINEATM_FN)(int, int);
typedef int(PANODLG_CALL *BRESOLUTION_FN)(double *, double *);
typedef PANODLG_BOOL(PANODLG_CALL *BPOSTPROCESS_FN)(unsigned char *, int, int);
typedef PANODLG_BOOL(PANODLG_CALL *BHAVETOMIRROR_FN)(void);
typedef int(PANODLG_CALL *STARTDESIGNDIALOG_FN)(HWND, HWND *, PANODLG_NOTIFY);
typedef void(PANODLG_CALL *GETINFOSTIR_FN)(PANO_RECORD *);
typedef void(PANODLG_CALL *TRAITEMENTATM4IMAGES_FN)(HGLOBAL, PANO_RECORD *);
typedef int(PANODLG_CALL *GETEXPOSITIONTIME_FN)(PANO_RECORD *);

#ifdef __cplusplus
}
#endif

#endif /* PANODLG_H */
