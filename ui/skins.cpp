#include "ui/skins.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <vector>

#include "config/settings.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/app_fonts.h"
#include "ui/resources.h"
#include "ui/skin_library.h"
#include "ui/zoom.h"

using namespace platform;

SkinNameList SkinNames{};
Bitmap SkinBitmap;
ModuleHandle SkinModule = nullptr;

namespace {

constexpr int kTileSize = 80;
constexpr int kSkinWidth = 400;
constexpr int kSkinHeight = 80;
// Anything larger is not a skin but a mistake, and copying it would cost more than it shows.
constexpr int kMaxSkinSide = 4096;
// The setting that remembers the chosen skin holds 15 characters.
constexpr size_t kMaxSkinName = sizeof Skin - 1;

constexpr const char* kOwnSkins[5] = {"MARBLE", "PLAIN", "GRITTY", "MOTTLED", "STRIPED"};

struct LibrarySkin {
  const char* name;
  const std::uint32_t* pixels;
  int width;
  int height;
};

struct SkinExports {
  TsSkinCountFn count = nullptr;
  TsSkinNameFn name = nullptr;
  TsSkinPixelsFn pixels = nullptr;
};

bool FindSkinExports(ModuleHandle module, SkinExports* out) {
  out->count = reinterpret_cast<TsSkinCountFn>(FindExport(module, TS_SKIN_COUNT_EXPORT));
  out->name = reinterpret_cast<TsSkinNameFn>(FindExport(module, TS_SKIN_NAME_EXPORT));
  out->pixels = reinterpret_cast<TsSkinPixelsFn>(FindExport(module, TS_SKIN_PIXELS_EXPORT));
  return out->count && out->name && out->pixels;
}

// Calls visit for each skin of the library the program can use, in the library's order, until
// visit returns false: a name of 1 to 15 characters not seen before, and pixels of at least
// 400 x 80. Everything else is passed over, so that any skin offered can be chosen, remembered
// and found again at the next start.
void ForEachLibrarySkin(ModuleHandle module, const std::function<bool(const LibrarySkin&)>& visit) {
  SkinExports fn;
  if (!module || !FindSkinExports(module, &fn)) return;
  const int count = fn.count();
  std::vector<std::string> seen;
  for (int i = 0; i < count && i < 1000; ++i) {
    LibrarySkin skin{fn.name(i), nullptr, 0, 0};
    if (!skin.name) continue;
    const size_t length = ::strnlen(skin.name, kMaxSkinName + 1);
    if (length == 0 || length > kMaxSkinName) continue;
    bool duplicate = false;
    for (const std::string& s : seen)
      duplicate = duplicate || EqualsNoCase(s, skin.name);
    if (duplicate) continue;
    skin.pixels = fn.pixels(i, &skin.width, &skin.height);
    if (!skin.pixels || skin.width < kSkinWidth || skin.height < kSkinHeight ||
        skin.width > kMaxSkinSide || skin.height > kMaxSkinSide)
      continue;
    seen.emplace_back(skin.name);
    if (!visit(skin)) return;
  }
}

bool UsesOwnSkins() {
  return std::strcmp(SkinFile, kStandardSkins) == 0;
}

// ---- The Application Appearance dialog -------------------------------------------------------

struct AppearanceState {
  // What opening the dialog changed, for Cancel to put back.
  char skinFile[sizeof SkinFile];
  ModuleHandle module;
  SkinNameList names;
};
AppearanceState gAppearance;

DialogTemplate AppearanceTemplate() {
  DialogTemplate t;
  t.title = "Application Appearance";
  t.width = 540;
  t.height = 270;
  for (int i = 0; i < 5; ++i) {
    t.controls.push_back({kIdSkinRadioFirst + i, ControlKind::kRadioButton, kOwnSkins[i],
                          RectAt(425, 13 + 37 * i, 105, 24), i == 0 ? kStyleGroup : 0u});
  }
  t.controls.push_back({kIdSkinFileCombo, ControlKind::kComboBox, "", RectAt(10, 196, 260, 160),
                        kStyleDropDownList | kStyleHidden});
  t.controls.push_back({kIdZoomLabel, ControlKind::kStatic, "Zoom", RectAt(290, 199, 45, 20), 0});
  t.controls.push_back(
      {kIdZoomCombo, ControlKind::kComboBox, "", RectAt(340, 196, 80, 120), kStyleDropDownList});
  t.controls.push_back(
      {kIdPlugInSkins, ControlKind::kPushButton, "Plug in skins", RectAt(10, 232, 110, 26), 0});
  t.controls.push_back({kIdApplicationFonts, ControlKind::kPushButton, "Application Fonts",
                        RectAt(130, 232, 140, 26), 0});
  t.controls.push_back(
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(330, 232, 90, 26), kStyleDefaultButton});
  t.controls.push_back(
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(430, 232, 90, 26), 0});
  return t;
}

// Shows the names of SkinNames on the radio buttons; a button without a skin is hidden, and
// the choice moves to the first skin when it was on such a button.
void LabelSkinButtons(WindowHandle dialog) {
  int checked = -1;
  for (int i = 0; i < 5; ++i) {
    const int id = kIdSkinRadioFirst + i;
    const bool present = i < SkinNames.count;
    if (present) SetControlText(dialog, id, SkinLabel(SkinNames.names[i]));
    ShowControl(dialog, id, present);
    EnableControl(dialog, id, present);
    if (CheckStateOf(dialog, id) == kChecked) checked = i;
  }
  if (checked < 0 || checked >= SkinNames.count)
    CheckRadio(dialog, kIdSkinRadioFirst, kIdSkinRadioLast, kIdSkinRadioFirst);
}

std::string ZoomText(int percent) {
  return Format("%d %%", percent);
}

void FillZoomChoice(WindowHandle dialog) {
  WindowHandle combo = FindControl(dialog, kIdZoomCombo);
  const int current = StoredZoom() ? StoredZoom() : 100;
  for (int percent : kZoomLevels) {
    int at = AddListItem(combo, ZoomText(percent));
    if (percent == current) SetListSelection(combo, at);
  }
}

// The window is drawn at its size from the start of the program on: a new zoom takes effect at
// the next start.
void ConfirmZoom(WindowHandle dialog) {
  const int chosen = ListSelection(dialog, kIdZoomCombo);
  if (chosen < 0 || chosen >= static_cast<int>(std::size(kZoomLevels))) return;
  const int percent = kZoomLevels[chosen];
  const int before = StoredZoom() ? StoredZoom() : 100;
  if (percent == before) return;
  if (StoreZoom(percent) != 0) {
    ShowMessageBox(dialog,
                   "The zoom could not be saved: the configuration directory cannot be written.",
                   "Application Appearance", kBoxOk | kBoxIconExclamation);
    return;
  }
  ShowMessageBox(dialog,
                 Format("Tagsteward is drawn at %d %% from its next start.%s", percent,
                        std::getenv("QT_SCALE_FACTOR")
                            ? "\n\nQT_SCALE_FACTOR is set in your environment: it is used instead."
                            : ""),
                 "Application Appearance", kBoxOk | kBoxIconInformation);
}

void OpenAppearance(WindowHandle dialog) {
  platform::CopyText(gAppearance.skinFile, SkinFile);
  gAppearance.module = SkinModule;
  gAppearance.names = SkinNames;
  FillZoomChoice(dialog);

  WindowHandle combo = FindControl(dialog, kIdSkinFileCombo);
  AddListItem(combo, kStandardSkins);
  std::vector<std::string> files;
  int libraries = 0;
  if (ListDirectory(StartupPath, "*.SKN", nullptr, &files) == 0) {
    for (const std::string& file : files) {
      // A name the setting cannot hold would be cut and never found again.
      if (file.size() > sizeof SkinFile - 1) continue;
      AddListItem(combo, file);
      ++libraries;
    }
  }
  EnableControl(dialog, kIdPlugInSkins, libraries > 0);
  platform::CopyText(SkinFile, kStandardSkins);

  // The choice is matched against the program's own names even when a library was in use.
  int checked = kIdSkinRadioFirst;
  for (int i = 1; i < 5; ++i)
    if (EqualsNoCase(Skin, kOwnSkins[i])) checked = kIdSkinRadioFirst + i;
  CheckRadio(dialog, kIdSkinRadioFirst, kIdSkinRadioLast, checked);
  ListSkinNames();
  LabelSkinButtons(dialog);
}

void PaintAppearance(Canvas& dc) {
  if (AppOptions & kOptNoSkins) {
    DrawDisabledMark(dc, 160);
    return;
  }
  for (int i = 0; i < SkinNames.count; ++i) {
    const Bitmap preview = SkinModuleBitmap(SkinNames.names[i]);
    if (!preview.empty())
      dc.DrawBitmap(preview, RectAt(10, 10 + 37 * i, 400, 30), Point{}, RasterOp::kCopy);
  }
}

void ChooseSkinFile(WindowHandle dialog) {
  WindowHandle combo = FindControl(dialog, kIdSkinFileCombo);
  const int chosen = ListSelection(combo);
  if (chosen < 0) return;
  ShowControl(dialog, kIdSkinFileCombo, false);
  platform::CopyText(SkinFile, ListItemText(combo, chosen));
  SetWindowTitle(dialog, Format("Application Skins - %s", SkinFile));
  ListSkinNames();
  LabelSkinButtons(dialog);
  InvalidateWindow(dialog, nullptr);
}

void ConfirmAppearance(WindowHandle dialog) {
  ConfirmZoom(dialog);
  for (int i = 0; i < SkinNames.count; ++i) {
    if (CheckStateOf(dialog, kIdSkinRadioFirst + i) == kChecked) {
      platform::CopyText(Skin, SkinNames.names[i]);
      break;
    }
  }
  LoadSkinBitmap();
  EndDialog(dialog, kCommandOk);
}

void CancelAppearance(WindowHandle dialog) {
  platform::CopyText(SkinFile, gAppearance.skinFile);
  SkinModule = gAppearance.module;
  SkinNames = gAppearance.names;
  EndDialog(dialog, kCommandCancel);
}

LResult AppearanceProc(WindowHandle dialog, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      OpenAppearance(dialog);
      return 1;
    case kMsgPaint:
      PaintAppearance(*PaintCanvas(l));
      return 1;
    case kMsgCommand:
      switch (LowWord(w)) {
        case kIdPlugInSkins:
          ShowControl(dialog, kIdSkinFileCombo, true);
          return 1;
        case kIdSkinFileCombo:
          if (HighWord(w) == kNotifySelectionChanged) ChooseSkinFile(dialog);
          return 1;
        case kIdApplicationFonts:
          AppFontsDialog(dialog);
          InvalidateWindow(dialog, nullptr);
          return 1;
        case kCommandOk:
          ConfirmAppearance(dialog);
          return 1;
        case kCommandCancel:
          CancelAppearance(dialog);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

}  // namespace

ModuleHandle LoadSkinLibrary(const char* file) {
  // Only a file beside the program: the setting names a file, not a path.
  if (!file || !*file || std::strchr(file, '/')) return nullptr;
  const std::string path = ResolveFixedName(StartupPath, file);
  if (!FileExists(path)) return nullptr;
  ModuleHandle module = LoadModule(path);
  if (!module) return nullptr;
  bool usable = false;
  ForEachLibrarySkin(module, [&](const LibrarySkin&) {
    usable = true;
    return false;
  });
  return usable ? module : nullptr;
}

void SelectSkinModule() {
  SkinModule = UsesOwnSkins() ? nullptr : LoadSkinLibrary(SkinFile);
}

Bitmap SkinModuleBitmap(const char* name) {
  if (!name) return Bitmap{};
  if (!SkinModule) {
    // Only the five skins: the program's other named pictures are not backgrounds.
    for (const char* own : kOwnSkins)
      if (EqualsNoCase(name, own)) return NamedBitmap(own);
    return Bitmap{};
  }
  Bitmap found;
  ForEachLibrarySkin(SkinModule, [&](const LibrarySkin& skin) {
    if (!EqualsNoCase(skin.name, name)) return true;
    found.name = skin.name;
    found.width = skin.width;
    found.height = skin.height;
    found.pixels.assign(skin.pixels, skin.pixels + static_cast<size_t>(skin.width) * skin.height);
    return false;
  });
  return found;
}

void LoadSkinBitmap() {
  SkinBitmap = Bitmap{};
  SkinBitmap = SkinModuleBitmap(Skin);
}

void PaintSkin(Canvas& dc, int columns, int rows, int skinColumn) {
  if (AppOptions & kOptNoSkins) return;
  if (SkinBitmap.empty() || skinColumn < 0 || skinColumn + kTileSize > SkinBitmap.width ||
      SkinBitmap.height < kTileSize)
    return;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      dc.DrawBitmap(SkinBitmap, RectAt(kTileSize * c, kTileSize * r, kTileSize, kTileSize),
                    Point{skinColumn, 0}, RasterOp::kCopy);
}

int ListSkinNames() {
  SkinModule = UsesOwnSkins() ? nullptr : LoadSkinLibrary(SkinFile);
  SkinNames.count = 0;
  if (SkinModule) {
    // The dialog has five places; a library's further skins are not offered.
    ForEachLibrarySkin(SkinModule, [](const LibrarySkin& skin) {
      platform::CopyText(SkinNames.names[SkinNames.count++], skin.name);
      return SkinNames.count < 5;
    });
  } else {
    for (const char* own : kOwnSkins)
      platform::CopyText(SkinNames.names[SkinNames.count++], own);
  }
  return SkinNames.count;
}

void DrawDisabledMark(Canvas& dc, int y) {
  TextStyle style;
  style.font = MakeFont("Arial", 50, 700, kFamilySwiss);
  style.font.escapement = 450;  // 45 degrees upwards
  style.font.orientation = 450;
  style.colour = 0x00646496;
  style.transparent = true;
  dc.Text(Point{80, y}, "DISABLED", style);
}

std::string SkinLabel(const char* name) {
  std::string label = name ? name : "";
  // ASCII letters only: names are bytes, and the locale must not decide what they become.
  for (size_t i = 0; i < label.size(); ++i) {
    char& c = label[i];
    if (i == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (i > 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return label;
}

int AppearanceDialog(WindowHandle owner) {
  return RunDialog(owner, AppearanceTemplate(), AppearanceProc, 0);
}
