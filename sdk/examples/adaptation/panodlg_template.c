/* A template of an adaptation module in plain C89: a unit with a fixed geometry,
 * five image sections of 500 lines each preceded by 10 line pairs, scanning forward.
 * Build it as a DLL with panodlg_template.def (undecorated exports) and install it
 * as "Panodlg.dll". Replace the table and the functions marked UNIT with what your
 * unit does; keep every function free of blocking except ReadCommData. */
#include <string.h>
#include <windows.h>

#include "panodlg.h"

/* UNIT: the unit's program and geometry. */
#define TEMPLATE_PROGRAM 1
#define TEMPLATE_KV 70.0f
#define TEMPLATE_MA 10.0f
#define TEMPLATE_EXPOSURE_S 14.0f
#define TEMPLATE_SECTIONS 5
#define TEMPLATE_SECTION_WIDTH 500
#define TEMPLATE_LINE_PAIRS_BEFORE 10 /* before the first section only */
#define TEMPLATE_TIMEOUT_UNITS 500    /* 5 s between two card deliveries */
#define TEMPLATE_PIXEL_MM 0.1

#define TAP_PAIRS (1244 / 2)

int PANODLG_CALL OpenCommPort(void)
{
    /* UNIT: open the link to the unit here (PANODLG_LINK_UNAVAILABLE when its device
     * cannot be opened); this unit has none. */
    return PANODLG_OK;
}

int PANODLG_CALL ReadCommData(HWND host, PANO_RECORD *record)
{
    int k, start = 0;
    (void)host; /* UNIT: owner window for a dialog asking the operator */
    if (!record) return PANODLG_READ_FAILED;
    /* UNIT: wait here for the unit's program (PANODLG_CANCELLED if the operator gives up). */
    memset(record, 0, sizeof *record);
    record->program = TEMPLATE_PROGRAM;
    record->kV = TEMPLATE_KV;
    record->mA = TEMPLATE_MA;
    record->exposureTime = TEMPLATE_EXPOSURE_S;
    record->sectionCount = TEMPLATE_SECTIONS;
    for (k = 0; k < TEMPLATE_SECTIONS; ++k) {
        record->sections[k].start = (short)start;
        record->sections[k].width = TEMPLATE_SECTION_WIDTH;
        start += TEMPLATE_SECTION_WIDTH + PANO_SECTION_GAP;
    }
    record->valid = 1;
    return PANODLG_OK;
}

/* The sensor's two taps arrive interleaved: pair k holds sample k of the first half
 * and sample k of the second half. */
void PANODLG_CALL ReArrangement(unsigned short *dest, int samples, const unsigned short *src)
{
    int line, k;
    if (!dest || !src) return;
    for (line = 0; line + 1244 <= samples; line += 1244) {
        for (k = 0; k < TAP_PAIRS; ++k) {
            dest[line + k] = src[line + 2 * k];
            dest[line + TAP_PAIRS + k] = src[line + 2 * k + 1];
        }
    }
}

int PANODLG_CALL GetTiming(int program, int gaps[PANO_MAX_SECTIONS])
{
    (void)program; /* UNIT: gaps and time-out per program */
    if (gaps) gaps[0] = TEMPLATE_LINE_PAIRS_BEFORE;
    return TEMPLATE_TIMEOUT_UNITS;
}

int PANODLG_CALL nCanCombineATM(int firstProgram, int secondProgram)
{
    (void)firstProgram;
    (void)secondProgram;
    return 0; /* no TMJ programs */
}

int PANODLG_CALL bResolution(double *x, double *y)
{
    if (!x || !y) return 0;
    *x = TEMPLATE_PIXEL_MM;
    *y = TEMPLATE_PIXEL_MM;
    return 1;
}

PANODLG_BOOL PANODLG_CALL bHaveToMirror(void)
{
    return 0; /* UNIT: 1 when the scan ran in reverse */
}

PANODLG_VERSION *PANODLG_CALL pKXGetVersion(void)
{
    static char name[] = "Panodlg template";
    static char version[] = "1.0.0.0";
    static char date[] = "7 December 2026";
    static PANODLG_VERSION record;
    record.name = name;
    record.version = version;
    record.date = date;
    record.next = NULL;
    return &record;
}
