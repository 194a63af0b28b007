// Skins: the textured background every window tiles, from the program or a skin library.
#pragma once

#include "platform/ui.h"

struct SkinNameList {
  int count;
  char names[5][32];
};
extern SkinNameList SkinNames;
extern platform::Bitmap SkinBitmap;  // 400 x 80, five 80 x 80 columns; empty: plain background

// Chooses the skin module from SkinFile: the library when it loads, else the program.
void SelectSkinModule();
// Loads SkinBitmap = the bitmap Skin of the skin module (empty when it has none).
void LoadSkinBitmap();
// Tiles columns x rows 80-pixel tiles of skin column skinColumn (0, 80, ..., 320) from (0, 0),
// unless skins are disabled.
void PaintSkin(platform::Canvas& dc, int columns, int rows, int skinColumn);
// Fills SkinNames from the skin module. Returns the count.
int ListSkinNames();
// "DISABLED" slanted at (80, y).
void DrawDisabledMark(platform::Canvas& dc, int y);
// The Application Appearance dialog. Returns its result (1 OK, 2 Cancel).
int AppearanceDialog(platform::WindowHandle owner);
