// Placeholder until the font files land: the default fonts.
#include "ui/app_fonts.h"

platform::FontDescription FontMain, FontTitle, FontWorking;
platform::Colour ColourMain = 0, ColourTitle = 0, ColourWorking = 0;

void LoadAppFont(platform::FontDescription* font, const char* stem, platform::Colour* colour) {
  *font = platform::MakeFont("Arial", stem[5] == 't' ? 14 : 12, 700, platform::kFamilySwiss);
  *colour = 0;
}
void LoadAppFonts() {
  LoadAppFont(&FontMain, "font_m", &ColourMain);
  LoadAppFont(&FontTitle, "font_t", &ColourTitle);
  LoadAppFont(&FontWorking, "font_w", &ColourWorking);
}
int ChooseAppFont(platform::WindowHandle, platform::FontDescription*, const char*,
                  platform::Colour*) {
  return 0;
}
int AppFontsDialog(platform::WindowHandle) {
  return 2;
}
