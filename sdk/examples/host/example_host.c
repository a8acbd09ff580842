/* A minimal host of the acquisition driver, in plain C89, linked against the import
 * library (libScanlink.a or Scanlink.lib):
 *
 *     example_host [image.bmp]
 *
 * Opens the driver on a hidden window, reports the sizes, takes one image, saves it
 * as a .bmp file when a name is given, prints the acquisition record and closes.
 * Every result is printed with its meaning. Exit code 0 when an image was taken. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "scanlink.h"

/* What the window procedure learnt during PANOWAITFORIMAGE. */
static struct {
    int imageMessages;
    int previewMessages;
    LPARAM resultCode; /* of a message without image, -1 when none */
    HGLOBAL image;     /* ours once delivered */
    int rawImage;
} g_acquisition;

static const char *open_result_text(int result)
{
    switch (result) {
    case PANO_OPEN_OK: return "opened";
    case PANO_OPEN_DEMO_FILE_UNREADABLE: return "the demonstration image cannot be read";
    case PANO_OPEN_NO_CARD: return "no acquisition card";
    case PANO_OPEN_NO_MASK: return "mask file PANO.MSK missing or too short";
    case PANO_OPEN_NO_RESOURCES: return "not enough memory or system resources";
    case PANO_OPEN_CARD_REQUEST_FAILED: return "a request to the card failed";
    case PANO_OPEN_BAD_SETTINGS: return "card settings missing or invalid";
    case PANO_OPEN_UNSUPPORTED_FIRMWARE: return "card firmware not supported";
    case PANO_OPEN_NO_ADAPTATION: return "adaptation module Panodlg.dll missing or incomplete";
    default: return "unknown result";
    }
}

static const char *image_result_text(LPARAM code)
{
    switch (code) {
    case PANO_IMAGE_NO_MEMORY: return "not enough memory for the image";
    case PANO_IMAGE_UNIT_LINK_FAILED: return "the link to the X-ray unit failed";
    case PANO_IMAGE_UNIT_READ_FAILED: return "the X-ray unit's data could not be read";
    case PANO_IMAGE_UNIT_DATA_REFUSED: return "the X-ray unit's data cannot be used";
    case PANO_IMAGE_CANCELLED: return "cancelled";
    case PANO_IMAGE_TRANSFER_FAILED: return "the scan failed";
    case PANO_IMAGE_UNIT_DEVICE_MISSING: return "the X-ray unit's device cannot be opened";
    case PANO_IMAGE_CARD_NOT_READY: return "the card is not ready";
    default: return "unknown result";
    }
}

static LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case PANO_WM_IMAGE:
        ++g_acquisition.imageMessages;
        if (wParam)
            g_acquisition.image = (HGLOBAL)wParam; /* ours now: freed in main */
        else
            g_acquisition.resultCode = lParam;
        return 0;
    case PANO_WM_PREVIEW: /* the driver's bitmap: look, never free */
        ++g_acquisition.previewMessages;
        return 0;
    case PANO_WM_RAW_IMAGE: /* the driver's buffer, valid until the next acquisition */
        g_acquisition.rawImage = 1;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND create_hidden_window(void)
{
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = host_procedure;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "ExampleHost";
    if (!RegisterClassA(&windowClass)) return NULL;
    return CreateWindowA("ExampleHost", "Example host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL,
                         NULL, windowClass.hInstance, NULL);
}

/* The delivered block is a packed DIB; a .bmp file is that DIB behind a file header.
 * The block may be larger than the bitmap: its size comes from the header. */
static int save_bitmap(HGLOBAL image, const char *path)
{
    const BITMAPINFOHEADER *header = (const BITMAPINFOHEADER *)GlobalLock(image);
    BITMAPFILEHEADER fileHeader;
    DWORD colours, stride, rows, size;
    FILE *file;
    int ok = 0;
    if (!header) return 0;
    colours = header->biClrUsed ? header->biClrUsed : 256;
    stride = ((DWORD)header->biWidth + 3) & ~(DWORD)3;
    rows = (DWORD)(header->biHeight < 0 ? -header->biHeight : header->biHeight);
    size = header->biSize + colours * (DWORD)sizeof(RGBQUAD) + stride * rows;
    if (size <= GlobalSize(image)) {
        memset(&fileHeader, 0, sizeof fileHeader);
        fileHeader.bfType = 0x4D42; /* "BM" */
        fileHeader.bfSize = (DWORD)sizeof fileHeader + size;
        fileHeader.bfOffBits = fileHeader.bfSize - stride * rows;
        file = fopen(path, "wb");
        if (file) {
            ok = fwrite(&fileHeader, sizeof fileHeader, 1, file) == 1 &&
                 fwrite(header, 1, size, file) == size;
            ok = fclose(file) == 0 && ok;
        }
    }
    GlobalUnlock(image);
    return ok;
}

static void print_record(void)
{
    PANO_RECORD record;
    int k;
    if (PANOGETCOMMDATA(&record) != 1) {
        printf("record: none\n");
        return;
    }
    printf("record: program %u, %.1f kV, %.1f mA, %.2f s, %d section(s)", record.program,
           record.kV, record.mA, record.exposureTime, record.sectionCount);
    for (k = 0; k < record.sectionCount && k < PANO_MAX_SECTIONS; ++k)
        printf(" [%d+%d]", record.sections[k].start, record.sections[k].width);
    printf("\n");
}

static int take_image(const char *bmpPath)
{
    int result, width = 0, height = 0;
    double x = 0, y = 0;
    memset(&g_acquisition, 0, sizeof g_acquisition);
    g_acquisition.resultCode = -1;
    result = PANOWAITFORIMAGE();
    printf("PANOWAITFORIMAGE: %d, %d preview message(s)\n", result, g_acquisition.previewMessages);
    if (g_acquisition.resultCode >= 0)
        printf("no image: %ld (%s)\n", (long)g_acquisition.resultCode,
               image_result_text(g_acquisition.resultCode));
    if (g_acquisition.rawImage) printf("raw image delivered\n");
    PANOSIZE(&width, &height);
    if (g_acquisition.image) {
        printf("image: %d x %d\n", width, height);
        if (bmpPath) printf("saved %s: %s\n", bmpPath, save_bitmap(g_acquisition.image, bmpPath) ? "yes" : "no");
        GlobalFree(g_acquisition.image);
    }
    print_record();
    if (BPANORESOLUTION(&x, &y)) printf("pixel size: %.3f x %.3f\n", x, y);
    return result == 1 && (g_acquisition.image != NULL || g_acquisition.rawImage);
}

int main(int argc, char **argv)
{
    char version[PANO_VERSION_SIZE];
    int opened, width = 0, height = 0, ok = 0;
    HWND window = create_hidden_window();
    if (!window) {
        printf("cannot create the host window\n");
        return 2;
    }
    PANOGetVersion(version);
    printf("driver version %s\n", version);
    opened = PANOOPEN(window, "example_host", 0);
    printf("PANOOPEN: %d (%s)\n", opened, open_result_text(opened));
    if (opened == PANO_OPEN_OK) {
        PANOSIZE(&width, &height);
        printf("image size %d x %d\n", width, height);
        PANOPREVIEWSIZE(&width, &height);
        printf("preview size %d x %d\n", width, height);
        ok = take_image(argc > 1 ? argv[1] : NULL);
    }
    PANOCLOSE(); /* also after a failed PANOOPEN: releases what it had opened */
    DestroyWindow(window);
    return ok ? 0 : 1;
}
