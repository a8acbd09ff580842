/* panorecord.h - the acquisition record, the one structure the acquisition driver,
 * its adaptation module and the host exchange. Included by scanlink.h and panodlg.h;
 * needs no system header, so a host can also parse saved records on any platform.
 *
 * Packed, little-endian, exactly 60 bytes. C89 and C++. */
#ifndef PANORECORD_H
#define PANORECORD_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PANO_MAX_SECTIONS 10   /* image sections a record can hold */
#define PANO_SECTION_GAP 50    /* blank image columns between two sections */
#define PANO_PROGRAM_TMJ4 188  /* program code of the four-view TMJ program */

#pragma pack(push, 1)

typedef struct PANO_SECTION {
    short start; /* first image column of the section */
    short width; /* sensor lines (image columns) in the section */
} PANO_SECTION;

typedef struct PANO_RECORD {
    unsigned char program;      /* program code of the unit for this exposure */
    unsigned char unitSpecific; /* meaning belongs to the adaptation module */
    float kV;                   /* tube voltage */
    float mA;                   /* tube current */
    float exposureTime;         /* seconds */
    unsigned int valid;         /* nonzero once the adaptation module has filled it */
    short sectionCount;         /* 1 to PANO_MAX_SECTIONS */
    PANO_SECTION sections[PANO_MAX_SECTIONS];
} PANO_RECORD;

#pragma pack(pop)

/* A compiler that ignores the packing, or a wrong integer width, stops here
 * (array of negative size) instead of exchanging garbled records. */
typedef char PANO_RECORD_SIZE_IS_60[(sizeof(PANO_RECORD) == 60) ? 1 : -1];
typedef char PANO_RECORD_VALID_AT_14[(offsetof(PANO_RECORD, valid) == 14) ? 1 : -1];
typedef char PANO_RECORD_SECTIONS_AT_20[(offsetof(PANO_RECORD, sections) == 20) ? 1 : -1];

#ifdef __cplusplus
}
#endif

#endif /* PANORECORD_H */
