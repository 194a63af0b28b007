#include "config/sites.h"

#include <cerrno>
#include <cstring>

#include "config/directory_lists.h"
#include "config/settings.h"
#include "config/settings_dialogs.h"
#include "config/site_paths.h"
#include "log/audit.h"
#include "log/source_line.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "schema/schema.h"
#include "ui/app_fonts.h"
#include "ui/expert_bar.h"
#include "ui/main_window.h"
#include "ui/skins.h"

using namespace platform;

namespace {

constexpr int kSkinColumn = 80;
constexpr DirectoryLists kLists{kSiteDrives, kSiteDirs, kSiteRoot};

void Note(WindowHandle owner, const std::string& text) {
  ShowMessageBox(owner, text, "NOTE", kBoxOk | kBoxIconExclamation);
}

// The identity globals of the current site, kept to undo a store that could not be written.
struct SavedIdentity {
  SavedIdentity()
      : name(CurrentConfig),
        root(RootPath),
        url(SiteURL),
        sitemap(Sitemapfile),
        title(TitleTag),
        tag(OverwriteTag) {
    std::memcpy(prev, PrevFiles, sizeof prev);
  }
  void Restore() const {
    CopyText(CurrentConfig, name);
    CopyText(RootPath, root);
    CopyText(SiteURL, url);
    CopyText(Sitemapfile, sitemap);
    CopyText(TitleTag, title);
    CopyText(OverwriteTag, tag);
    std::memcpy(PrevFiles, prev, sizeof prev);
  }
  std::string name, root, url, sitemap, title, tag;
  char prev[5][512];
};

// Why the identity cannot be stored ("" when it can), with the values to store filled in.
std::string IdentityProblem(const std::string& edited, const SiteIdentity& site, bool* coded) {
  *coded = false;
  if (site.name.empty()) {
    *coded = true;
    return "M029:A SITE NAME must be entered";
  }
  // The name becomes the section header "[Config:NAME]".
  if (site.name.find_first_of("]\r\n") != std::string::npos)
    return "A site name cannot hold \"]\" or a line break.";
  if (site.name.size() >= sizeof CurrentConfig) return "The site name is too long.";
  bool renamed = !edited.empty() && site.name != edited;
  int existing = FindSite(site.name);
  if ((edited.empty() || renamed) && existing >= 0)
    return Format(
        "There is already a site \"%s\" (site names are matched without regard to "
        "case). Choose another name.",
        ConfigIdx[existing]);
  if (edited.empty() && ConfigCount > MaxSites)
    return Format("Tagsteward manages at most %d sites. Remove one first.", MaxSites + 1);
  return "";
}

// A path value that does not fit its setting is refused, never cut into another path.
bool Fits(WindowHandle owner, const char* what, const std::string& value, size_t width) {
  if (value.size() < width) return true;
  Note(owner,
       Format("The %s is %zu bytes long, but at most %zu fit.", what, value.size(), width - 1));
  return false;
}

// Renames the old sitemap over the new location; across file systems it is copied and the old
// one removed only once the copy is in place. 0, or -1 after telling the user (the old sitemap
// is then still there).
int MoveSitemap(const std::string& from, const std::string& to) {
  FileSystem& fs = Fs();
  if (fs.Rename(from, to) == 0) return 0;
  std::string data;
  if (LastError() != EXDEV || ReadWholeFile(from, &data) != 0 || ReplaceFile(to, data) != 0) {
    ShowSystemError("The old sitemap was kept: it could not be moved to " + to, from);
    return -1;
  }
  if (fs.Remove(from) == 0) return 0;
  ShowSystemError("The sitemap was copied to " + to + ", but the old one could not be deleted",
                  from);
  return -1;
}

// The question about the old sitemap of an existing site. Enter alone leaves it. 0, or -1 when
// the chosen move or delete failed (the user was told).
int HandleOldSitemap(WindowHandle owner, const std::string& from, const std::string& to) {
  int answer = ShowMessageBox(
      owner,
      "You have changed the Sitemap location for an existing site.\nDo you want to move the OLD "
      "Sitemap file to the new location?\nPress YES to move the old sitemap.\nPress NO to delete "
      "the old sitemap and start a new one.\nPress CANCEL to leave the old sitemap but create a "
      "new one",
      "Changing the Site map", kBoxYesNoCancel | kBoxIconQuestion | kBoxDefaultButton3);
  if (answer == kAnswerYes) return MoveSitemap(from, to);
  if (answer != kAnswerNo || Fs().Remove(from) == 0 || LastError() == ENOENT) return 0;
  ShowSystemError("The old sitemap could not be deleted", from);
  return -1;
}

void RepaintMainWindow() {
  if (hwndMain) InvalidateWindow(hwndMain, nullptr);
  if (hwndToolBar && ToolBarOn) InvalidateWindow(hwndToolBar, nullptr);
}

// --- Sites dialog --------------------------------------------------------------------------

void FillSites(WindowHandle d) {
  WindowHandle list = FindControl(d, kSitesList);
  ClearList(list);
  for (int i = 0; i < ConfigCount; ++i) {
    AddListItem(list, ConfigIdx[i]);
    if (std::strcmp(ConfigIdx[i], CurrentConfig) == 0) SetListSelection(list, i);
  }
}

std::string SelectedSite(WindowHandle d) {
  int index = ListSelection(d, kSitesList);
  return index < 0 ? "" : ListItemText(d, kSitesList, index);
}

void AddSite(WindowHandle d) {
  std::string remembered = CurrentConfig;
  CurrentConfig[0] = '\0';
  SiteConfigurationDialog(d);
  ReadSiteList(d);
  if (CurrentConfig[0] == '\0') CopyText(CurrentConfig, remembered);
  SwitchSite(d);
  FillSites(d);
}

LResult SitesProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      // The switch reads every setting again: what is unsaved is written first.
      WriteSettings();
      FillSites(d);
      SetFocus(FindControl(d, kSitesList));
      return 1;
    case kMsgPaint:
      PaintSkin(*PaintCanvas(l), 4, 3, kSkinColumn);
      return 1;
    case kMsgCommand: {
      int id = static_cast<int>(LowWord(w));
      bool chosen = (id == kSitesList && HighWord(w) == kNotifyDoubleClicked) ||
                    id == kCommandOk;  // Enter in the list
      if (chosen) {
        std::string site = SelectedSite(d);
        if (site.empty()) return 1;
        CopyText(CurrentConfig, site);
        SwitchSite(d);
        RepaintMainWindow();
        EndDialog(d, 1);
        return 1;
      }
      switch (id) {
        case kSitesDone:
        case kCommandCancel:
          SwitchSite(d);
          RepaintMainWindow();
          EndDialog(d, id == kSitesDone ? 1 : 2);
          return 1;
        case kSitesRemove:
          if (ConfigCount < 2 || !SelectedSite(d).empty()) RemoveSite(d, SelectedSite(d));
          FillSites(d);
          return 1;
        case kSitesAdd:
          AddSite(d);
          return 1;
      }
      return 0;
    }
  }
  return 0;
}

// --- Site Configuration dialog -------------------------------------------------------------

std::string gEditedSite;  // the site the open Site Configuration dialog edits ("" new)

void FillTagCombo(WindowHandle d, int id, const char* shown) {
  WindowHandle combo = FindControl(d, id);
  for (int i = 0; SchemaIndex && i < SchemaTagCount; ++i)
    AddListItem(combo, SchemaIndex[i].name);
  SetControlText(combo, shown);
}

const char* DefaultOf(const char* key) {
  const SettingKey* k = FindSettingKey(KeySection::Site, key);
  return k ? k->defaultText : "";
}

void InitSiteConfiguration(WindowHandle d) {
  gEditedSite = CurrentConfig;
  bool adding = gEditedSite.empty();
  ShowDirectoryLists(d, kLists, RootPath);
  // A new site gets no root proposed: the user chooses the tree its tasks will walk.
  SetControlText(d, kSiteRoot, adding ? "" : RootPath);
  SetControlText(d, kSiteName, CurrentConfig);
  SetControlText(d, kSiteUrl, adding ? DefaultOf("SiteURL") : SiteURL);
  SetControlText(d, kSiteMapFile, adding ? "" : Sitemapfile);
  FillTagCombo(d, kSiteTitleTag, adding ? DefaultOf("TitleTag") : TitleTag);
  FillTagCombo(d, kSiteMapTag, adding ? DefaultOf("OverwriteTag") : OverwriteTag);
  SetFocus(FindControl(d, kSiteName));
}

void SelectSitemap(WindowHandle d) {
  OpenFileRequest request;
  request.owner = d;
  request.title = "Select the Sitemap file";
  request.filters = FiltersFromPairs("Web Pages_*.ht*_all files_*.*__", '_');
  request.mustExist = false;
  if (std::optional<std::string> chosen = ChooseOpenFile(request))
    SetControlText(d, kSiteMapFile, *chosen);
}

void MoveSitemapField(WindowHandle d) {
  char dir[256];
  CopyText(dir, DirectoryPart(ControlText(d, kSiteMapFile)));
  if (SelectDirectoryDialog(d, dir)) SetControlText(d, kSiteMapFile, JoinPath(dir, "Sitemap.htm"));
}

void SiteConfigurationOk(WindowHandle d) {
  SiteIdentity site{ControlText(d, kSiteName),     ControlText(d, kSiteRoot),
                    ControlText(d, kSiteUrl),      ControlText(d, kSiteMapFile),
                    ControlText(d, kSiteTitleTag), ControlText(d, kSiteMapTag)};
  if (StoreSiteIdentity(d, gEditedSite, site) == -1) return;  // told why; the dialog stays
  RepaintMainWindow();
  EndDialog(d, 1);
}

LResult SiteConfigurationProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      InitSiteConfiguration(d);
      return 1;
    case kMsgPaint: {
      Canvas& dc = *PaintCanvas(l);
      PaintSkin(dc, 6, 5, kSkinColumn);
      TextStyle style{FontMain, ColourMain, true};
      const struct {
        int y;
        const char* text;
      } labels[] = {{12, "SITE NAME"},      {42, "Document tree root"}, {177, "Site URL"},
                    {207, "Site Map File"}, {237, "Title from Tag"},    {267, "Sitemap tag"}};
      for (const auto& label : labels)
        dc.Text(Point{10, label.y}, label.text, style);
      return 1;
    }
    case kMsgCommand:
      if (HandleDirectoryListCommand(d, kLists, w)) return 1;
      switch (LowWord(w)) {
        case kCommandOk:
          SiteConfigurationOk(d);
          return 1;
        case kCommandCancel:
          if (RootPath[0]) ChangeDirectory(RootPath);
          EndDialog(d, 2);
          return 1;
        case kSiteMapSelect:
          SelectSitemap(d);
          return 1;
        case kSiteMapMove:
          MoveSitemapField(d);
          return 1;
      }
      return 0;
  }
  return 0;
}

ControlTemplate Control(int id, ControlKind kind, const char* caption, Rect rect,
                        unsigned style = 0) {
  return ControlTemplate{id, kind, caption, rect, style};
}

}  // namespace

int SwitchSite(WindowHandle owner) {
  sourceline = kLineSwitchSite;
  int written = WriteCurrentConfig();
  ReadSettings(owner);
  CopyText(gPluginContext.rootCopy, RootPath);
  gPluginContext.rootPath = RootPath;
  if (gPluginContext.rootCopy[0]) ChangeDirectory(gPluginContext.rootCopy);
  if (hwndMain) {
    RebuildRecentFiles();
    SelectSkinModule();
    LoadSkinBitmap();
    RepaintMainWindow();
  }
  return written == 0 ? 0 : -1;
}

int RemoveSiteSection(const char* name) {
  std::string path = IniFilePath();
  std::string old;
  ProfileDocument doc;
  if (ReadWholeFile(path, &old) == 0) {
    doc.Parse(old);
    std::string section = SiteSectionName(name);
    while (doc.RemoveSection(section)) {
    }
    // The backup is a copy: META.INI stays in place until the new file replaces it whole.
    if (ReplaceFile(ResolveFixedName(IniPath, "METABACK.INI"), old) == 0 &&
        ReplaceFile(path, doc.Text()) == 0)
      return 0;
  }
  ReportCoded("M023:Error updating META.INI with new sites");
  return -1;
}

int FindSite(const std::string& name) {
  for (int i = 0; i < ConfigCount; ++i)
    if (EqualsNoCase(ConfigIdx[i], name)) return i;
  return -1;
}

int RemoveSite(WindowHandle owner, const std::string& name) {
  if (ConfigCount < 2) {
    ReportCoded("M028:There is only one Site left! It cannot be  deleted.");
    return 1;
  }
  if (ShowMessageBox(owner, Format("DELETE the site \"%s\" ?", name.c_str()), "Confirm",
                     kBoxYesNo | kBoxIconQuestion | kBoxDefaultButton2) != kAnswerYes)
    return 1;
  if (RemoveSiteSection(name.c_str()) != 0) return -1;
  ReadSiteList(owner);
  if (EqualsNoCase(name, CurrentConfig) && ConfigCount > 0) CopyText(CurrentConfig, ConfigIdx[0]);
  return SwitchSite(owner) == 0 ? 0 : -1;
}

int StoreSiteIdentity(WindowHandle owner, const std::string& edited, const SiteIdentity& site,
                      bool makeCurrent) {
  bool coded = false;
  std::string problem = IdentityProblem(edited, site, &coded);
  if (!problem.empty()) {
    if (coded)
      ReportCoded(problem);
    else
      Note(owner, problem);
    return -1;
  }
  std::string root = site.root.empty() ? "" : WithTrailingSlash(site.root);
  std::string url = site.url;
  if (url.empty() || url.back() != '/') url += '/';
  std::string sitemap = site.sitemap.empty() ? root + "Sitemap.htm" : site.sitemap;
  if (!Fits(owner, "document tree root", root, sizeof RootPath) ||
      CheckProposedRoot(owner, root) != 0 || !Fits(owner, "site URL", url, sizeof SiteURL) ||
      !Fits(owner, "sitemap file", sitemap, sizeof Sitemapfile) ||
      !Fits(owner, "title tag", site.titleTag, sizeof TitleTag) ||
      !Fits(owner, "sitemap tag", site.sitemapTag, sizeof OverwriteTag))
    return -1;

  SavedIdentity saved;
  CopyText(CurrentConfig, site.name);
  CopyText(RootPath, root);
  CopyText(SiteURL, url);
  CopyText(Sitemapfile, sitemap);
  CopyText(TitleTag, site.titleTag);
  CopyText(OverwriteTag, site.sitemapTag);
  if (edited.empty()) std::memset(PrevFiles, 0, sizeof PrevFiles);  // nothing opened there yet
  // Kept apart from "Current Config" when the new site does not become current.
  if (!makeCurrent) SetSiteOverride(site.name);
  int written = WriteSettings();
  if (!makeCurrent) SetSiteOverride("");
  if (written != 0) {
    saved.Restore();
    return -1;
  }
  int result = 0;
  // The new section is in place before the old one goes: a failure never loses the site.
  if (!edited.empty() && site.name != edited && RemoveSiteSection(edited.c_str()) != 0) result = -2;
  if (!edited.empty() && saved.sitemap != sitemap && FileExists(saved.sitemap) &&
      HandleOldSitemap(owner, saved.sitemap, sitemap) != 0)
    result = -2;
  if (!makeCurrent) saved.Restore();
  ReadSiteList(owner);
  if (makeCurrent && RootPath[0]) ChangeDirectory(RootPath);
  return result;
}

DialogTemplate SitesTemplate() {
  DialogTemplate t;
  t.title = "Sites";
  t.width = 320;
  t.height = 240;
  t.skinColumn = kSkinColumn;
  // No default button: Enter in the list uses the selected site.
  t.controls = {
      Control(kSitesList, ControlKind::kListBox, "", RectAt(10, 10, 200, 170)),
      Control(kSitesAdd, ControlKind::kPushButton, "Add Site", RectAt(222, 10, 88, 24)),
      Control(kSitesRemove, ControlKind::kPushButton, "Remove Site", RectAt(222, 42, 88, 24)),
      Control(kSitesDone, ControlKind::kPushButton, "Done", RectAt(222, 156, 88, 24)),
      Control(0, ControlKind::kStatic,
              "Double click on a site to make it current, or press Done to return.",
              RectAt(10, 190, 300, 40)),
  };
  return t;
}

DialogTemplate SiteConfigurationTemplate() {
  DialogTemplate t;
  t.title = "Site Configuration";
  t.width = 480;
  t.height = 340;
  t.skinColumn = kSkinColumn;
  const unsigned scroll = kStyleAutoScroll;
  t.controls = {
      Control(kSiteName, ControlKind::kEdit, "", RectAt(140, 10, 320, 20), scroll),
      Control(kSiteRoot, ControlKind::kEdit, "", RectAt(140, 40, 320, 20), scroll),
      Control(kSiteDrives, ControlKind::kListBox, "", RectAt(140, 65, 100, 100)),
      Control(kSiteDirs, ControlKind::kListBox, "", RectAt(250, 65, 210, 100)),
      Control(kSiteUrl, ControlKind::kEdit, "", RectAt(140, 175, 320, 20), scroll),
      Control(kSiteMapFile, ControlKind::kEdit, "", RectAt(140, 205, 170, 20), scroll),
      Control(kSiteMapSelect, ControlKind::kPushButton, "Select", RectAt(315, 205, 70, 20)),
      Control(kSiteMapMove, ControlKind::kPushButton, "Move", RectAt(390, 205, 70, 20)),
      Control(kSiteTitleTag, ControlKind::kComboBox, "", RectAt(140, 235, 320, 22),
              kStyleEditableCombo),
      Control(kSiteMapTag, ControlKind::kComboBox, "", RectAt(140, 265, 320, 22),
              kStyleEditableCombo),
      Control(kCommandOk, ControlKind::kPushButton, "OK", RectAt(290, 305, 80, 24),
              kStyleDefaultButton),
      Control(kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(380, 305, 80, 24)),
  };
  return t;
}

int SitesDialog(WindowHandle owner) {
  return RunDialog(owner, SitesTemplate(), SitesProc, 0);
}

int SiteConfigurationDialog(WindowHandle owner) {
  return RunDialog(owner, SiteConfigurationTemplate(), SiteConfigurationProc, 0);
}
