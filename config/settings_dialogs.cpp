#include "config/settings_dialogs.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/site_paths.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tree/document_selection.h"
#include "ui/app_fonts.h"
#include "ui/expert_bar.h"
#include "ui/file_chooser.h"
#include "ui/main_window.h"
#include "ui/skins.h"

using namespace platform;

namespace {

// A run of radio buttons that sets a field of a bit set: the n-th button stores n << shift.
struct RadioGroup {
  int firstId;
  int count;
  int shift;
};

// A check box that sets one bit.
struct BitBox {
  int id;
  int bit;
};

void ShowGroup(WindowHandle d, const RadioGroup& g, int word) {
  int v = (word >> g.shift) & 3;
  // Two buttons stand for keyword tables that repeat after two entries; with three, the unused
  // value 3 means what 2 means wherever the word is used.
  v = g.count == 2 ? v & 1 : std::min(v, g.count - 1);
  CheckRadio(d, g.firstId, g.firstId + g.count - 1, g.firstId + v);
}

int GroupValue(WindowHandle d, const RadioGroup& g) {
  for (int i = 0; i < g.count; ++i)
    if (CheckStateOf(d, g.firstId + i) == kChecked) return i << g.shift;
  return 0;
}

void ShowBoxes(WindowHandle d, std::initializer_list<BitBox> boxes, int word) {
  for (const BitBox& b : boxes)
    SetCheck(d, b.id, (word & b.bit) ? kChecked : kUnchecked);
}

int BoxesValue(WindowHandle d, std::initializer_list<BitBox> boxes) {
  int word = 0;
  for (const BitBox& b : boxes)
    if (CheckStateOf(d, b.id) == kChecked) word |= b.bit;
  return word;
}

// Radio buttons one under the other, the first starting a group.
void AddRadios(DialogTemplate* t, int firstId, std::initializer_list<const char*> captions, int x,
               int y, int width, int step = 22) {
  int id = firstId;
  for (const char* caption : captions) {
    t->controls.push_back({id, ControlKind::kRadioButton, caption, RectAt(x, y, width, 20),
                           id == firstId ? static_cast<unsigned>(kStyleGroup) : 0u});
    ++id;
    y += step;
  }
}

void AddOkCancel(DialogTemplate* t, int x, int y) {
  t->controls.push_back(
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(x, y, 80, 24), kStyleDefaultButton});
  t->controls.push_back(
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(x + 90, y, 80, 24), 0});
}

// Tiles the skin column behind a dialog of the template's size.
void PaintBackground(Canvas& dc, const DialogTemplate& t) {
  PaintSkin(dc, (t.width + 79) / 80, (t.height + 79) / 80, t.skinColumn);
}

struct Label {
  int x, y;
  const char* text;
};

void PaintLabels(Canvas& dc, std::initializer_list<Label> labels) {
  const TextStyle style{FontMain, ColourMain, true};
  for (const Label& l : labels)
    dc.Text({l.x, l.y}, l.text, style);
}

int OkOrCancel(int result) {
  return result == kCommandOk ? 1 : 0;
}

// ---- Business rules ----

const RadioGroup kInherited{kIdRulesInheritedFirst, 3, 0};
const RadioGroup kPage{kIdRulesPageFirst, 3, 2};
constexpr int kRootPriority = 16;
constexpr int kPreserve = 32;

}  // namespace

DialogTemplate BusinessRulesTemplate(int permanent) {
  DialogTemplate t;
  t.title = permanent ? "Edit Business Rules" : "Temporary Business Rules";
  t.width = 420;
  t.height = 350;
  t.skinColumn = 160;
  t.controls.push_back({kIdRulesBranch, ControlKind::kEdit, "", RectAt(80, 12, 320, 22),
                        kStyleReadOnly | kStyleDisabled | kStyleAutoScroll |
                            (permanent ? static_cast<unsigned>(kStyleHidden) : 0u)});
  const auto dups = {"NEVER allow duplicates", "Allow when flagged in Schema",
                     "ANY may be duplicated"};
  AddRadios(&t, kIdRulesInheritedFirst, dups, 30, 66, 300);
  AddRadios(&t, kIdRulesPageFirst, dups, 30, 160, 300);
  AddRadios(&t, kIdRulesRoot, {"Root priority", "Local priority"}, 30, 254, 150);
  t.controls.push_back({kIdRulesPreserve, ControlKind::kCheckBox, "Preserve existing page tags",
                        RectAt(200, 254, 210, 20), 0});
  AddOkCancel(&t, 230, 312);
  return t;
}

int BusinessRulesDialog(WindowHandle owner, int permanent) {
  const DialogTemplate t = BusinessRulesTemplate(permanent);
  auto proc = [&](WindowHandle d, unsigned message, WParam w, LParam l) -> LResult {
    switch (message) {
      case kMsgInitDialog:
        if (!permanent) SetControlText(d, kIdRulesBranch, gBranch);
        ShowGroup(d, kInherited, strategy);
        ShowGroup(d, kPage, strategy);
        CheckRadio(d, kIdRulesRoot, kIdRulesLocal,
                   (strategy & kRootPriority) ? kIdRulesRoot : kIdRulesLocal);
        ShowBoxes(d, {{kIdRulesPreserve, kPreserve}}, strategy);
        return 1;
      case kMsgPaint: {
        Canvas& dc = *PaintCanvas(l);
        PaintBackground(dc, t);
        if (!permanent) PaintLabels(dc, {{12, 15, "Branch:"}});
        PaintLabels(dc, {{12, 44, "Inherited Metatag Duplicates..."},
                         {12, 138, "Current Page Metatag Duplicates..."},
                         {12, 232, "Inheritance Rules..."}});
        return 1;
      }
      case kMsgCommand:
        switch (LowWord(w)) {
          case kCommandOk:
            // Only what the dialog shows: any other bit is dropped.
            strategy = GroupValue(d, kInherited) | GroupValue(d, kPage) |
                       (CheckStateOf(d, kIdRulesRoot) == kChecked ? kRootPriority : 0) |
                       BoxesValue(d, {{kIdRulesPreserve, kPreserve}});
            EndDialog(d, kCommandOk);
            return 1;
          case kCommandCancel:
            EndDialog(d, kCommandCancel);
            return 1;
        }
        return 0;
    }
    return 0;
  };
  return OkOrCancel(RunDialog(owner, t, proc, 0));
}

// ---- Markup options, sitemap markup options, automatic tags ----

namespace {

const RadioGroup kMarkupName{kIdMarkupNameFirst, 4, 1};
const RadioGroup kMarkupValue{kIdMarkupValueFirst, 4, 3};
const RadioGroup kMarkupScheme{kIdMarkupSchemeFirst, 2, 5};
const RadioGroup kMarkupSep{kIdMarkupSepFirst, 2, 7};
const RadioGroup kSitemapGroups[] = {
    {kIdSitemapSpacingFirst, 3, 0}, {kIdSitemapHeadingFirst, 3, 2}, {kIdSitemapUrlFirst, 3, 4}};
const std::initializer_list<BitBox> kAutoBoxes = {{kIdAutoIdentifier, kAutoIdentifier},
                                                  {kIdAutoTitle, kAutoTitle},
                                                  {kIdAutoTouched, kAutoTouched}};

DialogTemplate MarkupTemplate() {
  DialogTemplate t;
  t.title = "Markup Options";
  t.width = 460;
  t.height = 330;
  t.skinColumn = 160;
  AddRadios(&t, kIdMarkupNameFirst, {"HTTP-EQUIV", "http-equiv", "NAME", "name"}, 20, 32, 130);
  AddRadios(&t, kIdMarkupValueFirst, {"CONTENT", "content", "VALUE", "value"}, 170, 32, 130);
  AddRadios(&t, kIdMarkupSchemeFirst, {"SCHEME", "scheme"}, 320, 32, 130);
  AddRadios(&t, kIdMarkupSepFirst, {"comma (,)", "semicolon (;)"}, 320, 104, 130);
  t.controls.push_back({kIdMarkupQuotes, ControlKind::kCheckBox, "Wrap tags in quotes",
                        RectAt(20, 140, 200, 20), 0});
  t.controls.push_back(
      {kIdMarkupCustomNames, ControlKind::kEdit, "", RectAt(200, 175, 240, 22), kStyleAutoScroll});
  t.controls.push_back(
      {kIdMarkupCustomValues, ControlKind::kEdit, "", RectAt(200, 205, 240, 22), kStyleAutoScroll});
  t.controls.push_back({kIdMarkupSitemap, ControlKind::kPushButton, "Sitemap Options...",
                        RectAt(20, 250, 150, 24), 0});
  t.controls.push_back({kIdMarkupAutotags, ControlKind::kPushButton, "Automatic Tags...",
                        RectAt(180, 250, 150, 24), 0});
  AddOkCancel(&t, 270, 292);
  return t;
}

DialogTemplate SitemapTemplate() {
  DialogTemplate t;
  t.title = "Sitemap Markup Options";
  t.width = 460;
  t.height = 320;
  t.skinColumn = 160;
  AddRadios(&t, kIdSitemapSpacingFirst,
            {"Insert blank line after a level change", "Insert blank line before a Level Heading",
             "No Blank lines"},
            20, 60, 400);
  const auto bullets = {"dot", "dash", "none"};
  AddRadios(&t, kIdSitemapHeadingFirst, bullets, 20, 156, 120);
  AddRadios(&t, kIdSitemapUrlFirst, bullets, 200, 156, 120);
  t.controls.push_back(
      {kIdSitemapXmlFile, ControlKind::kEdit, "", RectAt(20, 250, 420, 22), kStyleAutoScroll});
  AddOkCancel(&t, 270, 282);
  return t;
}

DialogTemplate AutoTagsTemplate() {
  DialogTemplate t;
  t.title = "Automatic Tags";
  t.width = 380;
  t.height = 160;
  t.skinColumn = 160;
  const char* captions[] = {"Fill DC.Identifier with Document URL",
                            "Fill DC.Title with Document <TITLE>",
                            "Fill AD.Touched with Current date"};
  for (int i = 0; i < 3; ++i)
    t.controls.push_back({kIdAutoIdentifier + i, ControlKind::kCheckBox, captions[i],
                          RectAt(20, 20 + 26 * i, 340, 20), 0});
  AddOkCancel(&t, 190, 120);
  return t;
}

// A dialog whose only work is OK and Cancel: init and OK are given, Cancel ends it.
int RunSimpleDialog(WindowHandle owner, const DialogTemplate& t,
                    const std::function<void(WindowHandle)>& init,
                    const std::function<bool(WindowHandle)>& ok,
                    std::initializer_list<Label> labels) {
  auto proc = [&](WindowHandle d, unsigned message, WParam w, LParam l) -> LResult {
    switch (message) {
      case kMsgInitDialog:
        init(d);
        return 1;
      case kMsgPaint: {
        Canvas& dc = *PaintCanvas(l);
        PaintBackground(dc, t);
        PaintLabels(dc, labels);
        return 1;
      }
      case kMsgCommand:
        if (LowWord(w) == kCommandOk) {
          if (ok(d)) EndDialog(d, kCommandOk);
          return 1;
        }
        if (LowWord(w) == kCommandCancel) {
          EndDialog(d, kCommandCancel);
          return 1;
        }
        return 0;
    }
    return 0;
  };
  return OkOrCancel(RunDialog(owner, t, proc, 0));
}

}  // namespace

int SitemapMarkupDialog(WindowHandle owner) {
  return RunSimpleDialog(
      owner, SitemapTemplate(),
      [](WindowHandle d) {
        for (const RadioGroup& g : kSitemapGroups)
          ShowGroup(d, g, SitemapOptions);
        SetControlText(d, kIdSitemapXmlFile, XmlSitemapFile);
      },
      [](WindowHandle d) {
        std::string xml = ControlText(d, kIdSitemapXmlFile);
        const char* problem = nullptr;
        if (!xml.empty() && xml[0] != '/') problem = "The XML sitemap needs a full path.";
        if (xml.size() >= sizeof XmlSitemapFile) problem = "The XML sitemap path is too long.";
        if (!xml.empty() && xml == Sitemapfile)
          problem = "The XML sitemap cannot be the sitemap page.";
        if (problem) {
          ShowMessageBox(d, problem, "NOTE", kBoxOk | kBoxIconExclamation);
          return false;
        }
        CopyText(XmlSitemapFile, xml);
        int word = 0;
        for (const RadioGroup& g : kSitemapGroups)
          word |= GroupValue(d, g);
        SitemapOptions = word;
        return true;
      },
      {{10, 10, "           These options change the appearance of the Site Map."},
       {20, 40, "Spacing"},
       {20, 136, "Level Heading Bullet"},
       {200, 136, "URL Bullet"},
       {20, 230, "XML sitemap file (empty: none)"}});
}

int AutomaticTagsDialog(WindowHandle owner) {
  return RunSimpleDialog(
      owner, AutoTagsTemplate(), [](WindowHandle d) { ShowBoxes(d, kAutoBoxes, autotags); },
      [](WindowHandle d) {
        autotags = BoxesValue(d, kAutoBoxes);
        return true;
      },
      {});
}

int MarkupOptionsDialog(WindowHandle owner) {
  const DialogTemplate t = MarkupTemplate();
  // The two sub-dialogs change their settings at once; Cancel here takes that back.
  const int keptAutotags = autotags;
  const int keptSitemap = SitemapOptions;
  auto proc = [&](WindowHandle d, unsigned message, WParam w, LParam l) -> LResult {
    switch (message) {
      case kMsgInitDialog:
        for (const RadioGroup& g : {kMarkupName, kMarkupValue, kMarkupScheme, kMarkupSep})
          ShowGroup(d, g, DisplayOptions);
        ShowBoxes(d, {{kIdMarkupQuotes, 1}}, DisplayOptions);
        SetControlText(d, kIdMarkupCustomNames, CustomNameImports);
        SetControlText(d, kIdMarkupCustomValues, CustomValueImports);
        return 1;
      case kMsgPaint: {
        Canvas& dc = *PaintCanvas(l);
        PaintBackground(dc, t);
        PaintLabels(dc, {{20, 12, "Store tag name as"},
                         {170, 12, "Store tag value as"},
                         {320, 12, "Store tag scheme as"},
                         {320, 84, "Separate multivalues with"},
                         {20, 178, "Custom name imports"},
                         {20, 208, "Custom value imports"}});
        return 1;
      }
      case kMsgCommand:
        switch (LowWord(w)) {
          case kIdMarkupSitemap:
            SitemapMarkupDialog(d);
            return 1;
          case kIdMarkupAutotags:
            AutomaticTagsDialog(d);
            return 1;
          case kCommandOk:
            DisplayOptions = BoxesValue(d, {{kIdMarkupQuotes, 1}}) | GroupValue(d, kMarkupName) |
                             GroupValue(d, kMarkupValue) | GroupValue(d, kMarkupScheme) |
                             GroupValue(d, kMarkupSep);
            DecodeDisplayOptions(DisplayOptions);
            CopyText(CustomNameImports, ControlText(d, kIdMarkupCustomNames));
            CopyText(CustomValueImports, ControlText(d, kIdMarkupCustomValues));
            EndDialog(d, kCommandOk);
            return 1;
          case kCommandCancel:
            autotags = keptAutotags;
            SitemapOptions = keptSitemap;
            EndDialog(d, kCommandCancel);
            return 1;
        }
        return 0;
    }
    return 0;
  };
  return OkOrCancel(RunDialog(owner, t, proc, 1));
}

// ---- General and advanced options ----

namespace {

const std::initializer_list<BitBox> kConfirmBoxes = {
    {kIdGenConfirm, 1}, {kIdGenPause, 2}, {kIdGenLogMinor, 4}};

struct FlagBox {
  int id;
  int* flag;
};
const FlagBox kFlagBoxes[] = {
    {kIdGenShowWorking, &showworking},     {kIdGenShowAttributes, &showatts},
    {kIdGenShowSettings, &showsettings},   {kIdGenMandatory, &checkmandatory},
    {kIdGenKeepUnchanged, &KeepUnchanged},
};

DialogTemplate GeneralTemplate() {
  DialogTemplate t;
  t.title = "General Options";
  t.width = 520;
  t.height = 390;
  t.skinColumn = 80;
  const int fields[][2] = {{kIdGenBrowser, kIdGenBrowserSelect},
                           {kIdGenEditor, kIdGenEditorSelect},
                           {kIdGenErrorLog, kIdGenErrorLogSelect}};
  for (int i = 0; i < 3; ++i) {
    t.controls.push_back({fields[i][0], ControlKind::kEdit, "", RectAt(230, 12 + 30 * i, 190, 22),
                          kStyleAutoScroll});
    t.controls.push_back(
        {fields[i][1], ControlKind::kPushButton, "Select", RectAt(430, 12 + 30 * i, 70, 22), 0});
  }
  auto box = [&](int id, const char* caption, int x, int y) {
    t.controls.push_back({id, ControlKind::kCheckBox, caption, RectAt(x, y, 230, 20), 0});
  };
  box(kIdGenShowWorking, "Show working...", 20, 115);
  box(kIdGenShowAttributes, "Show attributes...", 20, 141);
  box(kIdGenConfirm, "Confirm Actions..", 20, 167);
  box(kIdGenExpertBar, "Show Expert bar...", 20, 193);
  box(kIdGenOnTop, "Expert bar Always On Top", 40, 219);
  box(kIdGenShowSettings, "Show Settings on Startup", 270, 115);
  box(kIdGenMandatory, "Enforce Mandatory Tags..", 270, 141);
  box(kIdGenPause, "Pause on minor errors", 270, 167);
  box(kIdGenLogMinor, "Log minor errors", 270, 193);
  box(kIdGenKeepUnchanged, "Leave unchanged documents alone", 270, 219);
  t.controls.push_back({kIdGenAdvanced, ControlKind::kPushButton, "Advanced",
                        RectAt(20, 350, 100, 24), kStyleHidden});
  AddOkCancel(&t, 330, 350);
  return t;
}

// A path typed into a field is refused rather than cut: the cut path names another program or
// directory.
bool FitsOrSay(WindowHandle d, const std::string& text, size_t width, const char* field) {
  if (text.size() < width) return true;
  ShowMessageBox(d,
                 Format("\"%s\" is %zu bytes long, but at most %zu fit. Choose a shorter path.",
                        field, text.size(), width - 1),
                 "NOTE", kBoxOk | kBoxIconExclamation);
  return false;
}

void PickProgram(WindowHandle d, int field, const char* title) {
  if (ChooseProgramFile(d, title, nullptr)) SetControlText(d, field, ChosenFile);
}

void PickDirectory(WindowHandle d, int field) {
  char directory[256];
  CopyText(directory, ControlText(d, field));
  if (SelectDirectoryDialog(d, directory)) SetControlText(d, field, directory);
}

// The Expert bar boxes act at once.
void ApplyExpertBar(WindowHandle d, int clicked) {
  const bool on = CheckStateOf(d, kIdGenExpertBar) == kChecked;
  const bool top = CheckStateOf(d, kIdGenOnTop) == kChecked;
  EnableControl(d, kIdGenOnTop, on);
  if (clicked == kIdGenExpertBar) {
    if (on) {
      showtoolbar = top ? 9 : 1;
      CreateExpertBar();
      SetExpertBarTopmost(top);
    } else {
      showtoolbar = 0;
      DestroyExpertBar();
    }
  } else if (clicked == kIdGenOnTop && on) {
    showtoolbar = top ? 9 : 1;
    SetExpertBarTopmost(top);
  }
}

bool StoreGeneral(WindowHandle d) {
  const std::string browser = ControlText(d, kIdGenBrowser);
  const std::string editor = ControlText(d, kIdGenEditor);
  std::string errorLog = ControlText(d, kIdGenErrorLog);
  if (!errorLog.empty() && errorLog.back() != '/') errorLog += '/';
  if (!FitsOrSay(d, browser, sizeof WebBrowser, "Web Browser") ||
      !FitsOrSay(d, editor, sizeof Editor, "Editor") ||
      !FitsOrSay(d, errorLog, sizeof ErrorLogPath, "Application Error Log Location"))
    return false;
  CopyText(WebBrowser, browser);
  CopyText(Editor, editor);
  CopyText(ErrorLogPath, errorLog);
  const int attributes = showatts;
  for (const FlagBox& b : kFlagBoxes)
    *b.flag = CheckStateOf(d, b.id) == kChecked ? 1 : 0;
  const bool bar = CheckStateOf(d, kIdGenExpertBar) == kChecked;
  showtoolbar = !bar ? 0 : CheckStateOf(d, kIdGenOnTop) == kChecked ? 9 : 1;
  // Exactly the three boxes: the plug-in's beep bit goes.
  gPluginContext.confirmation = static_cast<unsigned>(BoxesValue(d, kConfirmBoxes));
  if (showatts != attributes && hwndMain) InvalidateWindow(hwndMain, nullptr);
  return true;
}

const std::initializer_list<BitBox> kAdvancedBoxes = {{kIdAdvFirstBox, kOptAdvanced},
                                                      {kIdAdvFirstBox + 1, kOptNoSkins},
                                                      {kIdAdvFirstBox + 2, kOptDiagButtons},
                                                      {kIdAdvFirstBox + 3, kOptNoPlugins},
                                                      {kIdAdvFirstBox + 4, kOptNoMajorErrorLog},
                                                      {kIdAdvFirstBox + 5, kOptVerbose},
                                                      {kIdAdvFirstBox + 6, kOptNoCpiExportMenu},
                                                      {kIdAdvFirstBox + 7, kOptSkipSplash}};

DialogTemplate AdvancedTemplate() {
  DialogTemplate t;
  t.title = "Advanced Options";
  t.width = 440;
  t.height = 330;
  t.skinColumn = 80;
  const char* captions[] = {
      "Access Advanced Options", "Disable SKINS", "Show Diagnostic Buttons", "Disable Plugins",
      "Don't log major errors",  "Verbose",       "No CPI Export menu",      "Skip splash screen"};
  for (int i = 0; i < 8; ++i)
    t.controls.push_back({kIdAdvFirstBox + i, ControlKind::kCheckBox, captions[i],
                          RectAt(20, 40 + 24 * i, 300, 20), 0});
  t.controls.push_back(
      {kIdAdvMask, ControlKind::kEdit, "", RectAt(250, 236, 170, 22), kStyleAutoScroll});
  AddOkCancel(&t, 250, 290);
  return t;
}

bool StoreAdvanced(WindowHandle d) {
  const int keptOptions = AppOptions;
  char keptMask[sizeof maskstring];
  CopyText(keptMask, maskstring);
  AppOptions = BoxesValue(d, kAdvancedBoxes);
  CopyText(maskstring, ControlText(d, kIdAdvMask));
  if (WriteAdvancedOptions() != 0) {
    // Not stored: the program goes on as it was rather than close for nothing.
    AppOptions = keptOptions;
    CopyText(maskstring, keptMask);
    EndDialog(d, kCommandCancel);
    return false;
  }
  ShowMessageBox(d, "Tagsteward will now close down to enable the changed options", "NOTE",
                 kBoxOk | kBoxIconInformation);
  if (hwndMain) PostMessage(hwndMain, kMsgClose, 0, 0);
  return true;
}

}  // namespace

int AdvancedOptionsDialog(WindowHandle owner) {
  return RunSimpleDialog(
      owner, AdvancedTemplate(),
      [](WindowHandle d) {
        ShowBoxes(d, kAdvancedBoxes, AppOptions);
        SetControlText(d, kIdAdvMask, maskstring);
      },
      StoreAdvanced,
      {{10, 10, "These options are intended for Tagsteward installation experts only."},
       {20, 240, "File suffix mask (delimit with ;)"}});
}

int GeneralOptionsDialog(WindowHandle owner) {
  const DialogTemplate t = GeneralTemplate();
  const int keptAttributes = showatts;
  auto proc = [&](WindowHandle d, unsigned message, WParam w, LParam l) -> LResult {
    switch (message) {
      case kMsgInitDialog:
        SetControlText(d, kIdGenBrowser, WebBrowser);
        SetControlText(d, kIdGenEditor, Editor);
        SetControlText(d, kIdGenErrorLog, ErrorLogPath);
        for (const FlagBox& b : kFlagBoxes)
          SetCheck(d, b.id, *b.flag ? kChecked : kUnchecked);
        SetCheck(d, kIdGenExpertBar, showtoolbar ? kChecked : kUnchecked);
        SetCheck(d, kIdGenOnTop, showtoolbar == 9 ? kChecked : kUnchecked);
        EnableControl(d, kIdGenOnTop, showtoolbar != 0);
        ShowBoxes(d, kConfirmBoxes, static_cast<int>(gPluginContext.confirmation));
        ShowControl(d, kIdGenAdvanced, (AppOptions & kOptAdvanced) != 0);
        return 1;
      case kMsgPaint: {
        Canvas& dc = *PaintCanvas(l);
        PaintBackground(dc, t);
        PaintLabels(dc, {{20, 16, "Web Browser"},
                         {20, 46, "Editor"},
                         {20, 76, "Application Error Log Location"}});
        return 1;
      }
      case kMsgCommand: {
        const int id = static_cast<int>(LowWord(w));
        switch (id) {
          case kIdGenBrowserSelect:
            PickProgram(d, kIdGenBrowser, "Select a Web Browser");
            return 1;
          case kIdGenEditorSelect:
            PickProgram(d, kIdGenEditor, "Select an Editor");
            return 1;
          case kIdGenErrorLogSelect:
            PickDirectory(d, kIdGenErrorLog);
            return 1;
          case kIdGenExpertBar:
          case kIdGenOnTop:
            ApplyExpertBar(d, id);
            return 1;
          case kIdGenAdvanced:
            // Confirmed advanced options close the program: nothing more to do here.
            if (AdvancedOptionsDialog(d)) {
              showatts = keptAttributes;
              EndDialog(d, kCommandCancel);
            }
            return 1;
          case kCommandOk:
            if (StoreGeneral(d)) EndDialog(d, kCommandOk);
            return 1;
          case kCommandCancel:
            showatts = keptAttributes;
            EndDialog(d, kCommandCancel);
            return 1;
        }
        return 0;
      }
    }
    return 0;
  };
  return OkOrCancel(RunDialog(owner, t, proc, 0));
}

// ---- Select a directory ----

namespace {

std::vector<std::string> gVolumeRoots = {"/mnt", "/media"};

// "/", the home directory, then every volume mounted under the volume roots (one level, and
// one more under a directory named for the user, where desktops mount them).
std::vector<std::string> Drives() {
  std::vector<std::string> drives = {"/", WithTrailingSlash(HomeDirectory())};
  std::string home = HomeDirectory();
  while (home.size() > 1 && home.back() == '/')
    home.pop_back();
  const std::string user = home.substr(home.rfind('/') + 1);
  for (const std::string& root : gVolumeRoots) {
    std::vector<DirEntry> subdirs;
    if (ListDirectory(root, "", &subdirs, nullptr) != 0) continue;
    for (const DirEntry& e : subdirs) {
      const std::string path = JoinPath(root, e.name);
      std::vector<DirEntry> below;
      if (e.name == user && ListDirectory(path, "", &below, nullptr) == 0) {
        for (const DirEntry& b : below)
          drives.push_back(WithTrailingSlash(JoinPath(path, b.name)));
      } else {
        drives.push_back(WithTrailingSlash(path));
      }
    }
  }
  return drives;
}

std::string ParentOf(const std::string& dir) {
  std::string d = dir;
  while (d.size() > 1 && d.back() == '/')
    d.pop_back();
  const size_t slash = d.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : d.substr(0, slash + 1);
}

struct DirectoryDialog {
  std::string current;

  // Makes dir the one shown, with its subdirectories; a directory that cannot be read is
  // reported as a failed change of directory and the shown one stays.
  bool Enter(WindowHandle d, const std::string& dir) {
    std::vector<DirEntry> subdirs;
    if (dir.empty() || dir[0] != '/' || ListDirectory(dir, "", &subdirs, nullptr) != 0) {
      if (dir.empty() || dir[0] != '/') SetLastError(ENOENT);
      ShowSystemError("ERROR CHANGING DIRECTORY", dir);
      if (!current.empty()) SetControlText(d, kIdDirPath, current);
      return false;
    }
    current = WithTrailingSlash(dir);
    SetControlText(d, kIdDirPath, current);
    WindowHandle list = FindControl(d, kIdDirList);
    ClearList(list);
    if (current != "/") AddListItem(list, "..");
    for (const DirEntry& e : subdirs)
      AddListItem(list, e.name);
    return true;
  }

  void Open(WindowHandle d, const char* start) {
    WindowHandle drives = FindControl(d, kIdDirDrives);
    for (const std::string& drive : Drives())
      AddListItem(drives, drive);
    if (!Enter(d, start)) Enter(d, WithTrailingSlash(HomeDirectory()));
  }

  void OpenItem(WindowHandle d, int id, int index) {
    if (index < 0) return;
    const std::string item = ListItemText(d, id, index);
    if (id == kIdDirDrives)
      Enter(d, item);
    else
      Enter(d, item == ".." ? ParentOf(current) : JoinPath(current, item));
  }

  // A typed path is entered first; OK then takes what is shown.
  bool Confirm(WindowHandle d, char* directory) {
    std::string typed(TrimBlanks(ControlText(d, kIdDirPath)));
    if (WithTrailingSlash(typed) != current && !Enter(d, typed)) return false;
    if (!FitsOrSay(d, current, 256, "Select a directory")) return false;
    CopyText(directory, 256, current);
    return true;
  }
};

DialogTemplate DirectoryTemplate() {
  DialogTemplate t;
  t.title = "Select a directory";
  t.width = 460;
  t.height = 330;
  t.skinColumn = 80;
  t.controls = {
      {kIdDirPath, ControlKind::kEdit, "", RectAt(10, 34, 440, 22), kStyleAutoScroll},
      {kIdDirDrives, ControlKind::kListBox, "", RectAt(10, 66, 150, 220), 0},
      {kIdDirList, ControlKind::kListBox, "", RectAt(170, 66, 280, 220), 0},
  };
  AddOkCancel(&t, 280, 296);
  return t;
}

}  // namespace

void SetVolumeRoots(std::vector<std::string> roots) {
  gVolumeRoots = std::move(roots);
}

int SelectDirectoryDialog(WindowHandle owner, char* directory) {
  const DialogTemplate t = DirectoryTemplate();
  DirectoryDialog state;
  auto proc = [&](WindowHandle d, unsigned message, WParam w, LParam l) -> LResult {
    switch (message) {
      case kMsgInitDialog:
        state.Open(d, directory);
        return 1;
      case kMsgPaint: {
        Canvas& dc = *PaintCanvas(l);
        PaintBackground(dc, t);
        PaintLabels(dc, {{10, 10, "Select a disk drive and directory"}});
        return 1;
      }
      case kMsgCommand: {
        const int id = static_cast<int>(LowWord(w));
        if ((id == kIdDirDrives || id == kIdDirList) && HighWord(w) == kNotifyDoubleClicked) {
          state.OpenItem(d, id, ListSelection(d, id));
          return 1;
        }
        if (id == kCommandOk) {
          if (state.Confirm(d, directory)) EndDialog(d, kCommandOk);
          return 1;
        }
        if (id == kCommandCancel) {
          EndDialog(d, kCommandCancel);
          return 1;
        }
        return 0;
      }
    }
    return 0;
  };
  return OkOrCancel(RunDialog(owner, t, proc, 0));
}

// ---- One setting from the command line ----

namespace {

// The whole text as a number of at most nine digits (no sign): what a dialog's field holds.
bool WholeNumber(std::string_view text, int* n) {
  if (text.empty() || text.size() > 9) return false;
  *n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    *n = *n * 10 + (c - '0');
  }
  return true;
}

// Each field of a bit set holds one of the choices its dialog offers.
bool ChoicesOk(int v, std::initializer_list<RadioGroup> groups, int boxes) {
  int known = boxes;
  for (const RadioGroup& g : groups) {
    const int field = (v >> g.shift) & 3;
    // Two buttons use one bit of their two-bit field.
    if (field >= g.count || (g.count == 2 && field > 1)) return false;
    known |= 3 << g.shift;
  }
  return (v & ~known) == 0;
}

struct IntRule {
  const char* key;
  int min, max;  // max -1: only the choices a dialog offers, checked below
  const char* says;
};

const IntRule kIntRules[] = {
    {"Schema Space", 1, 999999999, "a number of bytes above 0"},
    {"Max Schema Tags", 2, 999999999, "a number of at least 2"},
    {"Max Page Tags", 2, 999999999, "a number of at least 2"},
    {"Option Space", 1, 999999999, "a number of bytes above 0"},
    {"Show Working", 0, 1, "0 or 1"},
    {"Show Attributes", 0, 1, "0 or 1"},
    {"Show Settings", 0, 1, "0 or 1"},
    {"Check Mandatory", 0, 1, "0 or 1"},
    {"Log Level", 0, 1, "0 or 1"},
    {"Keep Unchanged", 0, 1, "0 or 1"},
    {"Show Toolbar", 0, -1, "0 (off), 1 (on) or 9 (on and always on top)"},
    {"Confirmation", 0, 7, "the sum of 1 (confirm), 2 (pause) and 4 (log minor errors)"},
    {"Options", 0, 255, "the sum of the advanced option bits 1 to 128"},
    {"Autotags", 0, 7, "the sum of 1 (DC.Identifier), 2 (DC.Title) and 4 (AD.Touched)"},
    {"Expiry Days", 0, 999999999, "a number of days"},
    {"Review Days", 0, 999999999, "a number of days"},
    {"Head Size", kDefaultHeadSize, kMaxHeadSize, "a number of bytes from 4096 to 1048576"},
    {"Strategy", 0, -1,
     "0-2 (inherited duplicates) + 4 x 0-2 (page duplicates) + 16 (root priority) + 32 "
     "(preserve page tags)"},
    {"DisplayOptions", 0, -1,
     "1 (quotes) + 2 x 0-3 (name) + 8 x 0-3 (value) + 32 x 0-1 (scheme) + 128 x 0-1 "
     "(separator)"},
    {"SitemapOptions", 0, -1, "0-2 (spacing) + 4 x 0-2 (heading bullet) + 16 x 0-2 (URL bullet)"},
};

bool ChoiceOk(const char* key, int v) {
  if (std::string_view(key) == "Show Toolbar") return v == 0 || v == 1 || v == 9;
  if (std::string_view(key) == "Strategy") return ChoicesOk(v, {kInherited, kPage}, 16 | 32);
  if (std::string_view(key) == "DisplayOptions")
    return ChoicesOk(v, {kMarkupName, kMarkupValue, kMarkupScheme, kMarkupSep}, 1);
  return ChoicesOk(v, {kSitemapGroups[0], kSitemapGroups[1], kSitemapGroups[2]}, 0);
}

// Directories that other settings join file names to.
bool IsDirectoryKey(const SettingKey& key) {
  const std::string_view name = key.name;
  return name == "Error Log" || name == "Log Path" || name == "Root Path" || name == "Mail Queue";
}

}  // namespace

std::string CheckSettingValue(const SettingKey& key, std::string_view text, std::string* value) {
  if (key.isInt) {
    for (const IntRule& r : kIntRules) {
      if (std::string_view(r.key) != key.name) continue;
      int n = 0;
      const bool number = WholeNumber(TrimBlanks(text), &n);
      const bool ok = number && n >= r.min && (r.max < 0 ? ChoiceOk(r.key, n) : n <= r.max);
      if (!ok) return Format("must be %s", r.says);
      *value = std::to_string(n);
      return "";
    }
    return "cannot be set here";
  }
  std::string v(text);
  if (IsDirectoryKey(key) && !v.empty() && v.back() != '/') v += '/';
  if (v.size() >= key.width)
    return Format("is %zu bytes long, but at most %zu fit", v.size(), key.width - 1);
  if (key.isPath && (v.empty() || v[0] != '/')) return "must be an absolute path";
  *value = v;
  return "";
}
