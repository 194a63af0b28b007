/* What a skin library ("*.SKN" beside the program) exports: a shared object with these three
   C functions. Tagsteward calls them on its main thread only, and never unloads the library, so
   the names and pixels may live in static storage.

   A skin is a bitmap of at least 400 x 80 pixels: five 80 x 80 tiles side by side, each one
   seamless, the program's windows using the tile at x = 0, 80, 160, 240 or 320 (the first for
   the main window, the others for the groups of dialogs). Pixels are 0x00BBGGRR, rows top first,
   width pixels a row.

   Which skins the program offers: the first five, in index order, that have a name of 1 to 15
   characters (the setting that remembers the choice holds 15) and pixels of at least 400 x 80.
   The rest are ignored; a library offering none is treated as one that does not load, and the
   program's own skins are used. Names are matched without regard to case. */
#ifndef TAGSTEWARD_SKIN_LIBRARY_H
#define TAGSTEWARD_SKIN_LIBRARY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* How many skins the library holds. */
typedef int (*TsSkinCountFn)(void);
/* The name of skin index (0 <= index < count), NUL-terminated; NULL for none. */
typedef const char* (*TsSkinNameFn)(int index);
/* The pixels of skin index with its size in *width and *height; NULL for none. */
typedef const uint32_t* (*TsSkinPixelsFn)(int index, int* width, int* height);

#define TS_SKIN_COUNT_EXPORT "TsSkinCount"
#define TS_SKIN_NAME_EXPORT "TsSkinName"
#define TS_SKIN_PIXELS_EXPORT "TsSkinPixels"

/* A library defines these three. */
int TsSkinCount(void);
const char* TsSkinName(int index);
const uint32_t* TsSkinPixels(int index, int* width, int* height);

#ifdef __cplusplus
}
#endif

#endif
