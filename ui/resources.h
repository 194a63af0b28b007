// The program's own resources: bitmaps made for this project, and its string table.
#pragma once

#include "platform/ui_canvas.h"

// Bitmap resource ids, with their sizes.
enum : int {
  kBmpSplash = 118,        // 640 x 480, dark at the top right where the version text goes
  kBmpAbout = 122,         // 64 x 74
  kBmpFieldOverlay = 135,  // 287 x 15, laid over the editor fields
  kBmpAttrMark1 = 138,     // the four 10 x 10 attribute marks of the editor rows:
  kBmpAttrMark2 = 139,     //   138 mandatory, 139 duplicates allowed, 140 date, 142 options
  kBmpAttrMark3 = 140,
  kBmpAttrMark4 = 142,
  kBmpMarkMandatory = kBmpAttrMark1,
  kBmpMarkDuplicates = kBmpAttrMark2,
  kBmpMarkDate = kBmpAttrMark3,
  kBmpMarkOptions = kBmpAttrMark4,
  kBmpLogoAnd = 155,  // logo pair, 85 x 85: drawn OR with 156, then AND with 155
  kBmpLogoOr = 156,
  // The editor's button images, 540 x 68: cells of 60 x 34, nine across and two down. Row 0
  // (y = 0) while the buttons are enabled, row 1 (y = 34) while they are disabled. Cell column
  // (x = 60 * column): Add Tag 0, Tidy 1, Sort 2, Inherit 3, Save 4, View Page 5, Source 6,
  // SiteMap 7 while the open page is the sitemap page and 8 otherwise. Each cell carries its
  // glyph and its label, so a button draws its cell at (0, 0) over its own face.
  kBmpButtons = 168,
  kBmpToolClose = 169,  // Expert bar cells, 16 x 16
  kBmpToolTasks = 171,
  kBmpAboutHidden = 178,  // 240 x 160
};

// Size of one cell of the button strip.
constexpr int kButtonCellWidth = 60;
constexpr int kButtonCellHeight = 34;

// The bitmap resource id, or an empty bitmap when the program has none. Each is made at its
// first use and kept for the rest of the run.
const platform::Bitmap& ResourceBitmap(int id);
// A named bitmap resource (the name matched without regard to case): the skins "MARBLE",
// "PLAIN", "GRITTY", "MOTTLED", "STRIPED" (400 x 80), "SMALL" (the 16 x 16 icon) and
// "Tagsteward" (the 32 x 32 icon); else empty.
const platform::Bitmap& NamedBitmap(const char* name);
// String resource id, "" when there is none: 500 and 507 the product name, 501 the display
// change notice, 505 the version (szVer), 506 the about box's notice, 508 its second line.
const char* ResourceString(int id);
