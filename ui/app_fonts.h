// The three fonts and colours the program draws its own texts with, kept in font files.
#pragma once

#include "platform/ui.h"

extern platform::FontDescription FontMain, FontTitle, FontWorking;
extern platform::Colour ColourMain, ColourTitle, ColourWorking;

// Control ids of the Application Fonts dialog (resource 175).
enum : int {
  kIdChangeMainFont = 1118,
  kIdChangeTitleFont = 1119,
  kIdChangeWorkingFont = 1131,
  kIdLoadDefaultFonts = 1132,
};

// The font a stem has when its file is missing: bold Arial of the Swiss family, 12 pixels
// (14 for "font_t"), black.
void DefaultAppFont(const char* stem, platform::FontDescription* font, platform::Colour* colour);
// Reads StartupPath/<stem>.fon into font and colour, or the defaults when it cannot be read
// (missing, shorter than 64 bytes, or holding sizes no font has).
void LoadAppFont(platform::FontDescription* font, const char* stem, platform::Colour* colour);
// Loads FontMain/FontTitle/FontWorking from "font_m", "font_t", "font_w".
void LoadAppFonts();
// The font chooser (sizes 6 to 20 points, with effects and colour), started from font and
// colour. On OK writes the font file in place of the old one and stores the choice in font and
// colour. 1 when chosen and saved; 0 when cancelled, or when the file could not be written (the
// user is told, and the old file, font and colour stay).
int ChooseAppFont(platform::WindowHandle owner, platform::FontDescription* font, const char* stem,
                  platform::Colour* colour);
// The Application Fonts dialog. Returns its result.
int AppFontsDialog(platform::WindowHandle owner);
