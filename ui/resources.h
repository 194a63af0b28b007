// The program's own resources: bitmaps made for this project, and its string table.
#pragma once

#include "platform/ui_canvas.h"

// Bitmap resource ids.
enum : int {
  kBmpSplash = 118,     // 640 x 480
  kBmpAbout = 122,      // 64 x 74
  kBmpAttrMark1 = 138,  // the four attribute marks of the editor rows
  kBmpAttrMark2 = 139,
  kBmpAttrMark3 = 140,
  kBmpAttrMark4 = 142,
  kBmpLogoAnd = 155,  // logo pair, 85 x 85: drawn OR with 156, then AND with 155
  kBmpLogoOr = 156,
  kBmpButtons = 168,    // the editor's button strip
  kBmpToolClose = 169,  // Expert bar cells, 16 x 16
  kBmpToolTasks = 171,
  kBmpAboutHidden = 178,
};

// The bitmap resource id, or an empty bitmap when the program has none.
const platform::Bitmap& ResourceBitmap(int id);
// A named bitmap resource: the skins "MARBLE", "PLAIN", "GRITTY", "MOTTLED", "STRIPED"
// (400 x 80), "SMALL" (the 16 x 16 icon) and "Tagsteward" (the 32 x 32 icon); else empty.
const platform::Bitmap& NamedBitmap(const char* name);
// String resource id, "" when there is none.
const char* ResourceString(int id);
