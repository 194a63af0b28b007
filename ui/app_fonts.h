// The three fonts and colours the program draws its own texts with, kept in font files.
#pragma once

#include "platform/ui.h"

extern platform::FontDescription FontMain, FontTitle, FontWorking;
extern platform::Colour ColourMain, ColourTitle, ColourWorking;

// Reads StartupPath/<stem>.fon into font and colour, or the defaults when it cannot be read.
void LoadAppFont(platform::FontDescription* font, const char* stem, platform::Colour* colour);
// Loads FontMain/FontTitle/FontWorking from "font_m", "font_t", "font_w".
void LoadAppFonts();
// The font chooser; on OK stores the colour and writes the font file. 1 confirmed, else 0.
int ChooseAppFont(platform::WindowHandle owner, platform::FontDescription* font, const char* stem,
                  platform::Colour* colour);
// The Application Fonts dialog. Returns its result.
int AppFontsDialog(platform::WindowHandle owner);
