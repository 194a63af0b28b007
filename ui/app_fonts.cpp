#include "ui/app_fonts.h"

#include <cstdlib>
#include <string>

#include "config/settings.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/skins.h"

using namespace platform;

FontDescription FontMain, FontTitle, FontWorking;
Colour ColourMain = 0, ColourTitle = 0, ColourWorking = 0;

namespace {

struct AppFont {
  const char* stem;
  FontDescription* font;
  Colour* colour;
};

const AppFont kAppFonts[3] = {
    {"font_m", &FontMain, &ColourMain},
    {"font_t", &FontTitle, &ColourTitle},
    {"font_w", &FontWorking, &ColourWorking},
};

std::string FontFilePath(const char* stem) {
  return ResolveFixedName(StartupPath, std::string(stem) + ".fon");
}

// A damaged file can hold any numbers; a font of a million pixels is not worth asking for.
bool Plausible(const FontDescription& f) {
  return std::abs(f.height) <= 500 && std::abs(f.width) <= 500 && f.weight >= 0 && f.weight <= 1000;
}

// ---- The Application Fonts dialog ------------------------------------------------------------

DialogTemplate FontsTemplate() {
  DialogTemplate t;
  t.title = "Application Fonts";
  t.width = 480;
  t.height = 320;
  t.skinColumn = 80;
  const struct {
    int id;
    int y;
  } kChange[3] = {{kIdChangeMainFont, 50}, {kIdChangeTitleFont, 118}, {kIdChangeWorkingFont, 186}};
  for (const auto& c : kChange)
    t.controls.push_back({c.id, ControlKind::kPushButton, "Change", RectAt(350, c.y, 100, 28), 0});
  t.controls.push_back({kIdLoadDefaultFonts, ControlKind::kPushButton, "Load Defaults",
                        RectAt(20, 262, 130, 28), 0});
  t.controls.push_back(
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(350, 262, 100, 28), kStyleDefaultButton});
  return t;
}

void PaintFonts(Canvas& dc) {
  PaintSkin(dc, 6, 4, 80);
  const struct {
    const char* sample;
    int y;
    const FontDescription& font;
    Colour colour;
  } kSamples[3] = {
      {"The Main Font", 55, FontMain, ColourMain},
      {"The Title Font", 123, FontTitle, ColourTitle},
      {"The Working Font", 191, FontWorking, ColourWorking},
  };
  for (const auto& s : kSamples) {
    TextStyle style;
    style.font = s.font;
    style.colour = s.colour;
    style.transparent = true;
    dc.Text(Point{20, s.y}, s.sample, style);
  }
}

void ChangeFont(WindowHandle dialog, const AppFont& f) {
  ChooseAppFont(dialog, f.font, f.stem, f.colour);
  // What is shown is what the file holds, so a write that failed shows the old font.
  LoadAppFont(f.font, f.stem, f.colour);
  InvalidateWindow(dialog, nullptr);
}

void LoadDefaultFonts(WindowHandle dialog) {
  for (const AppFont& f : kAppFonts) {
    const std::string path = FontFilePath(f.stem);
    if (FileExists(path)) Fs().Remove(path);
  }
  LoadAppFonts();
  InvalidateWindow(dialog, nullptr);
}

LResult FontsProc(WindowHandle dialog, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      return 1;
    case kMsgPaint:
      PaintFonts(*PaintCanvas(l));
      return 1;
    case kMsgCommand:
      switch (LowWord(w)) {
        case kIdChangeMainFont:
          ChangeFont(dialog, kAppFonts[0]);
          return 1;
        case kIdChangeTitleFont:
          ChangeFont(dialog, kAppFonts[1]);
          return 1;
        case kIdChangeWorkingFont:
          ChangeFont(dialog, kAppFonts[2]);
          return 1;
        case kIdLoadDefaultFonts:
          LoadDefaultFonts(dialog);
          return 1;
        case kCommandOk:
          EndDialog(dialog, kCommandOk);
          return 1;
        case kCommandCancel:
          EndDialog(dialog, kCommandCancel);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

}  // namespace

void DefaultAppFont(const char* stem, FontDescription* font, Colour* colour) {
  const bool title = stem && EqualsNoCase(stem, "font_t");
  *font = MakeFont("Arial", title ? 14 : 12, 700, kFamilySwiss);
  *colour = 0;
}

void LoadAppFont(FontDescription* font, const char* stem, Colour* colour) {
  const std::string path = FontFilePath(stem);
  const int fd = Fs().Open(path, OpenFor::Read, 0);
  if (fd >= 0) {
    unsigned char record[kFontRecordSize];
    const long got = ReadFull(fd, record, sizeof record);
    Fs().Close(fd);
    FontDescription read;
    Colour readColour = 0;
    // A short file would leave half a record; it counts as unreadable.
    if (got == static_cast<long>(sizeof record)) {
      DecodeFontRecord(record, &read, &readColour);
      if (Plausible(read)) {
        *font = read;
        *colour = readColour;
        return;
      }
    }
  }
  DefaultAppFont(stem, font, colour);
}

void LoadAppFonts() {
  for (const AppFont& f : kAppFonts)
    LoadAppFont(f.font, f.stem, f.colour);
}

int ChooseAppFont(WindowHandle owner, FontDescription* font, const char* stem, Colour* colour) {
  FontRequest request;
  request.owner = owner;
  request.font = *font;
  request.colour = *colour;
  request.minPoints = 6;
  request.maxPoints = 20;
  request.effects = true;
  if (!ChooseFont(&request)) return 0;

  unsigned char record[kFontRecordSize];
  EncodeFontRecord(request.font, request.colour, record);
  const std::string path = FontFilePath(stem);
  // Through a work file, so a failed write leaves the previous font file whole.
  if (ReplaceFile(path, std::string(reinterpret_cast<const char*>(record), sizeof record)) != 0) {
    ShowMessageBox(owner, "Error writing font file", path, kBoxOk | kBoxIconExclamation);
    return 0;
  }
  *font = request.font;
  *colour = request.colour;
  return 1;
}

int AppFontsDialog(WindowHandle owner) {
  return RunDialog(owner, FontsTemplate(), FontsProc, 0);
}
