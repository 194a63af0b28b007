#include "config/memory_dialog.h"

#include <string>

#include "config/settings.h"
#include "config/startup.h"
#include "log/audit.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "ui/app_fonts.h"
#include "ui/main_window.h"
#include "ui/skins.h"

using namespace platform;

int memchangeflag = 0;

namespace {

struct Sizes {
  int schemaBytes, schemaTags, pageTags, optionBytes;
  friend bool operator==(const Sizes&, const Sizes&) = default;
};

Sizes CurrentSizes() {
  return Sizes{SchemaBytes, MaxSchemaTags, MaxPageTags, OptionBytes};
}

void SetSizes(const Sizes& s) {
  SchemaBytes = s.schemaBytes;
  MaxSchemaTags = s.schemaTags;
  MaxPageTags = s.pageTags;
  OptionBytes = s.optionBytes;
}

struct Field {
  int id;
  int* global;
};

const Field kFields[] = {
    {kMemSchemaBytes, &SchemaBytes},
    {kMemSchemaTags, &MaxSchemaTags},
    {kMemPageTags, &MaxPageTags},
    {kMemOptionBytes, &OptionBytes},
};

// At most 15 characters, read as a decimal number; text that is not a number is 0.
int ReadNumber(WindowHandle d, int id) {
  std::string text = ControlText(d, id);
  if (text.size() > 15) text.resize(15);
  return ParseProfileInt(text, 0);
}

LResult MemoryProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      for (const Field& f : kFields)
        SetControlText(d, f.id, Format("%d", *f.global));
      return 1;
    case kMsgPaint: {
      Canvas& dc = *PaintCanvas(l);
      PaintSkin(dc, 6, 3, 160);
      TextStyle style;
      style.font = FontMain;
      style.colour = ColourMain;
      dc.Text(Point{10, 17}, "Schema Memory", style);
      dc.Text(Point{10, 47}, "Maximum number of Metatags in the Schema", style);
      dc.Text(Point{10, 77}, "Maximum number of Metatags in each Page", style);
      dc.Text(Point{10, 107}, "Memory for Scheme Tables", style);
      dc.Text(Point{390, 17}, "bytes", style);
      dc.Text(Point{390, 107}, "bytes", style);
      return 1;
    }
    case kMsgCommand:
      if (LowWord(w) == kCommandOk) {
        for (const Field& f : kFields)
          *f.global = ReadNumber(d, f.id);
        memchangeflag = 1;
        EndDialog(d, kCommandOk);
        return 1;
      }
      if (LowWord(w) == kCommandCancel) {
        EndDialog(d, kCommandCancel);
        return 1;
      }
      return 0;
  }
  return 0;
}

}  // namespace

DialogTemplate MemoryDialogTemplate() {
  DialogTemplate t;
  t.title = "Memory Management";
  t.width = 450;
  t.height = 180;
  auto field = [](int id, int y) {
    return ControlTemplate{id, ControlKind::kEdit, "", RectAt(300, y, 80, 20), 0};
  };
  t.controls = {
      field(kMemSchemaBytes, 15),
      field(kMemSchemaTags, 45),
      field(kMemPageTags, 75),
      field(kMemOptionBytes, 105),
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(260, 145, 80, 24), kStyleDefaultButton},
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(350, 145, 80, 24), 0},
  };
  return t;
}

int MemoryDialog(WindowHandle owner) {
  return RunDialog(owner, MemoryDialogTemplate(), MemoryProc, 0);
}

int ChangeMemorySizes(WindowHandle owner) {
  const Sizes previous = CurrentSizes();
  memchangeflag = 0;
  MemoryDialog(owner);
  if (memchangeflag == 0) return 0;
  for (;;) {
    ReleaseTables();
    if (ReserveTables()) break;
    const Sizes failed = CurrentSizes();
    memchangeflag = 0;
    MemoryDialog(owner);
    if (memchangeflag != 0 && CurrentSizes() != failed) continue;
    // The user gave up: the program must not go on without its tables.
    SetSizes(previous);
    if (!ReserveTables()) {
      ReportCoded("M002:Program cannot continue.\nEdit memory settings in META.INI.");
      if (hwndMain) PostMessage(hwndMain, kMsgClose, 0, 0);
      return 0;
    }
    LoadSchema();
    return 0;
  }
  LoadSchema();
  WriteSettings();
  return 1;
}
