// Skins: the textured background every window tiles, from the program or a skin library.
#pragma once

#include <string>

#include "platform/module.h"
#include "platform/ui.h"

struct SkinNameList {
  int count;
  char names[5][32];
};
extern SkinNameList SkinNames;
extern platform::Bitmap SkinBitmap;  // 400 x 80, five 80 x 80 columns; empty: plain background
// The module that holds the skin bitmaps: nullptr is the program itself, else a skin library.
extern platform::ModuleHandle SkinModule;

// The name SkinFile has when the program's own skins are used.
inline constexpr char kStandardSkins[] = "Standard Skins";

// Control ids of the Application Appearance dialog (resource 150).
enum : int {
  kIdSkinRadioFirst = 1100,  // 1100..1104: the five skins of the skin module
  kIdSkinRadioLast = 1104,
  kIdSkinFileCombo = 1047,  // hidden until "Plug in skins": "Standard Skins" and the *.SKN files
  kIdPlugInSkins = 1115,
  kIdApplicationFonts = 1118,
  kIdZoomLabel = 1120,
  kIdZoomCombo = 1119,  // 100 %, 125 %, 150 %, 200 %: the size of every window, from the next start
};

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

// Loads the skin library file (a bare file name in StartupPath). nullptr when it does not load,
// lacks the skin exports or offers no usable skin (see ui/skin_library.h).
platform::ModuleHandle LoadSkinLibrary(const char* file);
// The skin name (matched without regard to case) of the skin module: one of the program's five
// skins, or a usable skin of the library. Empty when the module has no such skin.
platform::Bitmap SkinModuleBitmap(const char* name);
// How a skin name is shown: its first letter in capitals, the rest in small letters.
std::string SkinLabel(const char* name);
