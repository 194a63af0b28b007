// Placeholder until the skin module lands: no skin, nothing tiled.
#include "ui/skins.h"

SkinNameList SkinNames{};
platform::Bitmap SkinBitmap;

void SelectSkinModule() {}
void LoadSkinBitmap() {}
void PaintSkin(platform::Canvas&, int, int, int) {}
int ListSkinNames() {
  return 0;
}
void DrawDisabledMark(platform::Canvas&, int) {}
int AppearanceDialog(platform::WindowHandle) {
  return 2;
}
