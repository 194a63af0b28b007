#include "config/setup_wizard.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/directory_lists.h"
#include "config/settings.h"
#include "config/site_paths.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "sitemap/sitemap.h"
#include "ui/app_fonts.h"
#include "ui/resources.h"
#include "ui/skins.h"

using namespace platform;

namespace {

constexpr int kPageWidth = 480;
constexpr int kPageHeight = 360;
constexpr int kSkinColumn = 80;

TextStyle LabelStyle() {
  TextStyle style;
  style.font = FontMain;
  style.colour = ColourMain;
  style.transparent = true;
  return style;
}

void Label(Canvas& dc, int x, int y, const char* text) {
  dc.Text(Point{x, y}, text, LabelStyle());
}

void PaintBackground(Canvas& dc) {
  PaintSkin(dc, (kPageWidth + 79) / 80, (kPageHeight + 79) / 80, kSkinColumn);
}

// The program's logo: the OR mask, then the AND mask, 85 x 85 at (352, 7).
void PaintLogo(Canvas& dc) {
  Rect where = RectAt(352, 7, 85, 85);
  dc.DrawBitmap(ResourceBitmap(kBmpLogoOr), where, Point{0, 0}, RasterOp::kOr);
  dc.DrawBitmap(ResourceBitmap(kBmpLogoAnd), where, Point{0, 0}, RasterOp::kAnd);
}

TextStyle LargeStyle() {
  TextStyle style;
  style.font = MakeFont("", 20);
  style.colour = ColourMain;
  style.transparent = true;
  return style;
}

ControlTemplate Button(int id, const char* caption, int x, int y, unsigned style = 0) {
  return ControlTemplate{id, ControlKind::kPushButton, caption, RectAt(x, y, 80, 24), style};
}
ControlTemplate Edit(int id, int x, int y, int width) {
  return ControlTemplate{id, ControlKind::kEdit, "", RectAt(x, y, width, 20), kStyleAutoScroll};
}
ControlTemplate List(int id, int x, int y, int width, int height) {
  return ControlTemplate{id, ControlKind::kListBox, "", RectAt(x, y, width, height), 0};
}

constexpr DirectoryLists kLists{kWizDrives, kWizDirs, kWizRoot};

bool HandleListCommand(WindowHandle d, WParam w) {
  return HandleDirectoryListCommand(d, kLists, w);
}

void ShowDirectory(WindowHandle d, const char* directory) {
  ShowDirectoryLists(d, kLists, directory);
}

// --- Site page helpers ---------------------------------------------------------------------

// A program named without a directory is looked for where starting it would look.
bool NamesExistingFile(const char* program) {
  if (program[0] == '\0') return false;
  if (std::strchr(program, '/')) return FileExists(program);
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string_view rest = path;
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::string_view dir = rest.substr(0, colon);
    if (!dir.empty() && FileExists(JoinPath(dir, program))) return true;
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return false;
}

void SelectProgram(WindowHandle d, int field, const char* title) {
  OpenFileRequest request;
  request.owner = d;
  request.title = title;
  // The current directory stays the one the lists show; the chooser starts at home.
  request.initialDir = HomeDirectory();
  if (std::optional<std::string> chosen = ChooseOpenFile(request))
    SetControlText(d, field, *chosen);
}

void ReadSiteUrl(WindowHandle d) {
  std::string url = ControlText(d, kWizSiteUrl);
  // A URL that fills the buffer gives up its last character rather than the slash.
  if (url.size() > sizeof SiteURL - 2) url.resize(sizeof SiteURL - 2);
  if (url.empty() || url.back() != '/') url += '/';
  CopyText(SiteURL, url);
}

void OfferSitemap() {
  int answer = ShowMessageBox(nullptr, "Do you want Tagsteward to create a default Sitemap file?",
                              "Option", kBoxYesNo | kBoxIconQuestion);
  if (answer != kAnswerYes) return;
  // A page the site already has is the user's work: it is kept, not replaced by the skeleton.
  if (FileExists(ResolveFixedName(RootPath, "Sitemap.htm"))) return;
  std::string path = JoinPath(RootPath, "Sitemap.htm");
  CreateSitemapSkeleton(CurrentConfig, path.c_str());
}

// A directory too long for its setting is refused (the page stays open), never cut into another.
bool FitsPathSetting(const std::string& dir, size_t width) {
  if (dir.size() < width) return true;
  ShowMessageBox(nullptr,
                 Format("The directory path is %zu bytes long, but at most %zu fit. Choose a "
                        "directory with a shorter path.",
                        dir.size(), width - 1),
                 "NOTE", kBoxOk | kBoxIconExclamation);
  return false;
}

void SiteNext(WindowHandle d) {
  std::string root = ControlText(d, kWizRoot);
  if (!FitsPathSetting(root, sizeof RootPath)) return;
  CopyText(RootPath, root);
  CopyText(CurrentConfig, ControlText(d, kWizSiteName));
  ReadSiteUrl(d);
  CopyText(Editor, ControlText(d, kWizEditor));
  CopyText(WebBrowser, ControlText(d, kWizBrowser));
  if (std::strcmp(CurrentConfig, "Name me!") == 0) {
    ReportCoded("M031:A site name must be specified before continuing");
    return;
  }
  if (std::strlen(SiteURL) < 10) {
    ReportCoded("M032:A site URL must be specified before continuing");
    return;
  }
  if (!NamesExistingFile(WebBrowser)) {
    ReportCoded("M033:A valid Web Browser must be specified before continuing");
    return;
  }
  // The root a task will walk: the user chooses it, and one no task may walk is refused now.
  if (CheckProposedRoot(d, RootPath) != 0) return;
  OfferSitemap();
  EndDialog(d, 1);
}

LResult SiteProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog: {
      // No root is proposed: the default (the home directory) is one no task may walk. The
      // lists start there; the field stays empty until the user picks a directory.
      const SettingKey* root = FindSettingKey(KeySection::Site, "Root Path");
      bool proposed = root && SettingStateOf(*root) == SettingState::Missing;
      ShowDirectory(d, RootPath);
      if (proposed) SetControlText(d, kWizRoot, "");
      SetControlText(d, kWizSiteName, CurrentConfig);
      SetControlText(d, kWizSiteUrl, SiteURL);
      SetControlText(d, kWizEditor, Editor);
      // The desktop opens a page in the user's own browser.
      bool noBrowser = std::strcmp(WebBrowser, "fill me!") == 0;
      SetControlText(d, kWizBrowser, noBrowser ? "xdg-open" : WebBrowser);
      return 1;
    }
    case kMsgPaint: {
      Canvas& dc = *PaintCanvas(l);
      PaintBackground(dc);
      Label(dc, 10, 8, "Tagsteward needs to know your Site Name and URL, and the");
      Label(dc, 10, 22, "directory that contains your Document Tree Root.");
      Label(dc, 10, 36, "Use the edit boxes below to select these.");
      Label(dc, 10, 50, "You should also select the Web Browser to use when displaying");
      Label(dc, 10, 64, "Web Pages, and the HTML Editor that you prefer to use.");
      Label(dc, 10, 92, "Document tree root");
      Label(dc, 10, 225, "Site Name");
      Label(dc, 10, 250, "Site URL");
      Label(dc, 10, 275, "Web Browser");
      Label(dc, 10, 300, "Editor");
      return 1;
    }
    case kMsgCommand:
      if (HandleListCommand(d, w)) return 1;
      switch (LowWord(w)) {
        case kWizNext:
          SiteNext(d);
          return 1;
        case kWizSelectBrowser:
          SelectProgram(d, kWizBrowser, "Select a Web Browser");
          return 1;
        case kWizSelectEditor:
          SelectProgram(d, kWizEditor, "Select an Editor");
          return 1;
        case kCommandCancel:
          return 1;  // the page has no way out but "Next >>"
      }
      return 0;
  }
  return 0;
}

// --- Mail page -----------------------------------------------------------------------------

void ReadMailFields(WindowHandle d) {
  CopyText(SMTPaddrtemp, ControlText(d, kWizSmtp));
  CopyText(ExpiryRule.adminEmail, ControlText(d, kWizAdmin));
}

void MailFinished(WindowHandle d) {
  ReadMailFields(d);
  std::string dir = WithTrailingSlash(ControlText(d, kWizRoot));
  if (!FitsPathSetting(dir, sizeof MailQueue)) return;
  CopyText(MailQueue, dir);
  ChangeDirectory(RootPath);
  EndDialog(d, 1);
}

LResult MailProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      ShowDirectory(d, MailQueue);
      SetControlText(d, kWizSmtp, SMTPaddrtemp);
      SetControlText(d, kWizAdmin, ExpiryRule.adminEmail);
      return 1;
    case kMsgPaint: {
      Canvas& dc = *PaintCanvas(l);
      PaintBackground(dc);
      Label(dc, 10, 8, "Tagsteward needs to know where temporary mail files may be stored,");
      Label(dc, 10, 22, "the location of the SMTP Mail Server, and");
      Label(dc, 10, 36, "the Site Administrator's EMAIL address.");
      Label(dc, 10, 200, "SMTP Mail Server");
      Label(dc, 200, 220, "eg: 10.1.1.1 or mail.server.com");
      Label(dc, 10, 250, "Web Administrator's email address");
      return 1;
    }
    case kMsgCommand:
      if (HandleListCommand(d, w)) return 1;
      switch (LowWord(w)) {
        case kWizNext:
          MailFinished(d);
          return 1;
        case kWizBack:
          ReadMailFields(d);
          EndDialog(d, 0);
          return 1;
        case kCommandCancel:
          return 1;
      }
      return 0;
  }
  return 0;
}

// --- Welcome and completion ----------------------------------------------------------------

constexpr char kWelcomeText[] =
    "This setup wizard will guide you through two simple pages that collect the information "
    "Tagsteward needs to run for the first time. You can change these values later from the "
    "menus, where you will also find further options. Help is available locally and on-line.";

LResult WelcomeProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      return 1;
    case kMsgPaint: {
      Canvas& dc = *PaintCanvas(l);
      PaintBackground(dc);
      PaintLogo(dc);
      dc.TextInRect(Rect{20, 100, kPageWidth - 20, 300}, kWelcomeText, LargeStyle());
      return 1;
    }
    case kMsgCommand:
      if (LowWord(w) == kWizNext) EndDialog(d, 1);
      return LowWord(w) == kWizNext || LowWord(w) == kCommandCancel;
  }
  return 0;
}

LResult CompletionProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      return 1;
    case kMsgPaint: {
      Canvas& dc = *PaintCanvas(l);
      PaintBackground(dc);
      PaintLogo(dc);
      dc.Text(Point{20, 120}, "Tagsteward Installation is now complete.", LargeStyle());
      dc.Text(Point{20, 210}, "Do you want to read the help files now?", LargeStyle());
      return 1;
    }
    case kMsgCommand:
      if (LowWord(w) == kWizNext) {
        EndDialog(d, 1);
        return 1;
      }
      if (LowWord(w) == kWizNo) {
        EndDialog(d, 0);
        return 1;
      }
      return 0;
  }
  return 0;
}

DialogTemplate Page(const char* title) {
  DialogTemplate t;
  t.title = title;
  t.width = kPageWidth;
  t.height = kPageHeight;
  return t;
}

}  // namespace

DialogTemplate WelcomePageTemplate() {
  DialogTemplate t = Page("Welcome to Tagsteward!");
  t.controls = {Button(kWizNext, "Next >>", 380, 320, kStyleDefaultButton)};
  return t;
}

DialogTemplate SitePageTemplate() {
  DialogTemplate t = Page("Tagsteward Setup Wizard page 1 of 2");
  t.controls = {
      Edit(kWizRoot, 130, 90, 330),
      List(kWizDrives, 130, 115, 100, 100),
      List(kWizDirs, 240, 115, 220, 100),
      Edit(kWizSiteName, 130, 222, 330),
      Edit(kWizSiteUrl, 130, 247, 330),
      Edit(kWizBrowser, 130, 272, 240),
      ControlTemplate{kWizSelectBrowser, ControlKind::kPushButton, "Select",
                      RectAt(380, 272, 80, 20), 0},
      Edit(kWizEditor, 130, 297, 240),
      ControlTemplate{kWizSelectEditor, ControlKind::kPushButton, "Select",
                      RectAt(380, 297, 80, 20), 0},
      Button(kWizNext, "Next >>", 380, 328, kStyleDefaultButton),
  };
  return t;
}

DialogTemplate MailPageTemplate() {
  DialogTemplate t = Page("Tagsteward Setup Wizard page 2 of 2");
  t.controls = {
      Edit(kWizRoot, 10, 60, 450),
      List(kWizDrives, 10, 85, 100, 100),
      List(kWizDirs, 120, 85, 340, 100),
      Edit(kWizSmtp, 200, 197, 260),
      Edit(kWizAdmin, 200, 247, 260),
      Button(kWizBack, "<< Back", 280, 320),
      Button(kWizNext, "Finished", 380, 320, kStyleDefaultButton),
  };
  return t;
}

DialogTemplate CompletionPageTemplate() {
  DialogTemplate t = Page("Tagsteward Setup Wizard");
  t.controls = {
      Button(kWizNext, "YES", 280, 320, kStyleDefaultButton),
      Button(kWizNo, "NO", 380, 320),
  };
  return t;
}

int WelcomePage(WindowHandle owner) {
  return RunDialog(owner, WelcomePageTemplate(), WelcomeProc, 0);
}
int SitePage(WindowHandle owner) {
  return RunDialog(owner, SitePageTemplate(), SiteProc, 0);
}
int MailPage(WindowHandle owner) {
  return RunDialog(owner, MailPageTemplate(), MailProc, 0);
}
int CompletionPage(WindowHandle owner) {
  return RunDialog(owner, CompletionPageTemplate(), CompletionProc, 0);
}

int RunSetupWizard(WindowHandle owner) {
  HeadSize = kNewConfigHeadSize;
  DisplayOptions = kNewConfigDisplayOptions;
  DecodeDisplayOptions(DisplayOptions);
  WelcomePage(owner);
  do {
    SitePage(owner);
  } while (MailPage(owner) == 0);
  return CompletionPage(owner);
}
