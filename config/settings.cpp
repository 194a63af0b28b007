#include "config/settings.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "log/audit.h"
#include "log/source_line.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "plugins/context.h"

using platform::CopyText;

char WebBrowser[256];
char Editor[256];
char CurrentConfig[256];
char ErrorLogPath[256];
int SchemaBytes;
int MaxSchemaTags;
int MaxPageTags;
int OptionBytes;
int showworking;
int showatts;
int showsettings;
int showtoolbar;
int checkmandatory;
int AppOptions;
char maskstring[64];
int HeadSize;

char SMTPaddrtemp[256];
char MailQueue[256];
char MailFrom[256];
char MailCredentials[256];
int MailRequireTls;
char MailCaFile[256];
int MailTimeout;

char RootPath[256];
int strategy;
int autotags;
DateCheckRule ExpiryRule;
DateCheckRule ReviewRule;
char SiteURL[256];
char Sitemapfile[256];
char TitleTag[256];
char OverwriteTag[256];
char XmlSitemapFile[256];
int DisplayOptions;
int SitemapOptions;
char CustomNameImports[64];
char CustomValueImports[64];
int loglevel;
int KeepUnchanged;
char LogPath[256];
char SkinFile[16];
char Skin[16];
char PrevFiles[5][512];

char IniPath[256];
char StartupPath[256];
int ToolBarOn;
int QuoteTags;
char MTname[32];
char MTvalue[32];
char MTscheme[32];
char MTsepS[2];

char ConfigNames[kConfigNamesSize];
char* ConfigIdx[32];
int ConfigCount;
int MaxSites = 30;

namespace {

constexpr const char* kHome = "~/";  // the user's home directory, ending in "/"
constexpr const char* kHomeSitemap = "~/SiteMap.htm";

FirstRunHook gFirstRunHook = nullptr;
std::string gSiteOverride;

struct KeyNote {
  SettingState state = SettingState::Read;
  size_t length = 0;  // of a value that was too long
};

// One note per key, in the order of the key table.
std::vector<KeyNote>& Notes() {
  static std::vector<KeyNote> notes(SettingKeys().size());
  return notes;
}
KeyNote& NoteOf(const SettingKey& key) {
  return Notes()[static_cast<size_t>(&key - SettingKeys().data())];
}

int* ConfirmationWord() {
  // int32_t and uint32_t may alias: the key table holds ints.
  return reinterpret_cast<int*>(&gPluginContext.confirmation);
}

std::vector<SettingKey> BuildKeys() {
  using S = KeySection;
  auto str = [](S s, const char* name, const char* def, size_t width, char* text) {
    return SettingKey{s, name, false, def, 0, width, text, nullptr};
  };
  auto num = [](S s, const char* name, int def, int* number) {
    return SettingKey{s, name, true, nullptr, def, 0, nullptr, number};
  };
  auto path = [](S s, const char* name, const char* def, size_t width, char* text) {
    return SettingKey{s, name, false, def, 0, width, text, nullptr, true};
  };
  return {
      str(S::Meta, "Web Browser", "fill me!", 256, WebBrowser),
      str(S::Meta, "Editor", "xdg-open", 256, Editor),
      str(S::Meta, "Current Config", "Name me!", 256, CurrentConfig),
      path(S::Meta, "Error Log", kHome, 256, ErrorLogPath),
      num(S::Meta, "Schema Space", 4096, &SchemaBytes),
      num(S::Meta, "Max Schema Tags", 512, &MaxSchemaTags),
      num(S::Meta, "Max Page Tags", 64, &MaxPageTags),
      num(S::Meta, "Option Space", 4096, &OptionBytes),
      num(S::Meta, "Show Working", 1, &showworking),
      num(S::Meta, "Show Attributes", 0, &showatts),
      num(S::Meta, "Show Settings", 1, &showsettings),
      num(S::Meta, "Show Toolbar", 0, &showtoolbar),
      num(S::Meta, "Confirmation", 1, ConfirmationWord()),
      num(S::Meta, "Check Mandatory", 1, &checkmandatory),
      num(S::Meta, "Options", 0, &AppOptions),
      str(S::Meta, "FileMask", "*.htm*", 64, maskstring),
      num(S::Meta, "Head Size", kDefaultHeadSize, &HeadSize),

      str(S::Mailer, "SMTP", "", 256, SMTPaddrtemp),
      path(S::Mailer, "Mail Queue", kHome, 256, MailQueue),
      str(S::Mailer, "From", "", 256, MailFrom),
      path(S::Mailer, "Credentials", "", 256, MailCredentials),
      num(S::Mailer, "Require TLS", 0, &MailRequireTls),
      path(S::Mailer, "CA File", "", 256, MailCaFile),
      num(S::Mailer, "Timeout", 60, &MailTimeout),

      path(S::Site, "Root Path", kHome, 256, RootPath),
      num(S::Site, "Strategy", 1, &strategy),
      num(S::Site, "Autotags", 0, &autotags),
      str(S::Site, "Expiry Metatag", "AD.Expiry Date", 32, ExpiryRule.tag),
      num(S::Site, "Expiry Days", 7, &ExpiryRule.days),
      str(S::Site, "Expiry Owner Tag", "DC.Creator.Contact", 64, ExpiryRule.ownerTag),
      str(S::Site, "Expiry Admin Email", "", 64, ExpiryRule.adminEmail),
      str(S::Site, "Review Metatag", "AD.Review Date", 32, ReviewRule.tag),
      num(S::Site, "Review Days", 7, &ReviewRule.days),
      str(S::Site, "Review Owner Tag", "DC.Creator.Contact", 64, ReviewRule.ownerTag),
      str(S::Site, "Review Admin Email", "", 64, ReviewRule.adminEmail),
      str(S::Site, "SiteURL", "http://", 256, SiteURL),
      path(S::Site, "Sitemapfile", kHomeSitemap, 256, Sitemapfile),
      str(S::Site, "TitleTag", "DC.Title", 256, TitleTag),
      str(S::Site, "OverwriteTag", "AD.MapMe", 256, OverwriteTag),
      num(S::Site, "DisplayOptions", 1, &DisplayOptions),
      num(S::Site, "SitemapOptions", 0, &SitemapOptions),
      path(S::Site, "XML Sitemap", "", 256, XmlSitemapFile),
      str(S::Site, "CustomNameImports", "", 64, CustomNameImports),
      str(S::Site, "CustomValueImports", "", 64, CustomValueImports),
      num(S::Site, "Log Level", 0, &loglevel),
      path(S::Site, "Log Path", kHome, 256, LogPath),
      str(S::Site, "SkinFile", "Standard Skins", 16, SkinFile),
      str(S::Site, "Skin", "MARBLE", 16, Skin),
      // Each recent-file slot holds 512 bytes but is read with a limit of 256.
      str(S::Site, "Prev1", "", 256, PrevFiles[0]),
      str(S::Site, "Prev2", "", 256, PrevFiles[1]),
      str(S::Site, "Prev3", "", 256, PrevFiles[2]),
      str(S::Site, "Prev4", "", 256, PrevFiles[3]),
      str(S::Site, "Prev5", "", 256, PrevFiles[4]),
      num(S::Site, "Keep Unchanged", 0, &KeepUnchanged),
  };
}

std::string DefaultText(const SettingKey& key) {
  std::string_view def = key.defaultText;
  if (def.substr(0, 2) == kHome) return platform::HomeDirectory() + std::string(def.substr(2));
  return std::string(def);
}

const SettingKey& Key(KeySection section, const char* name) {
  const SettingKey* key = FindSettingKey(section, name);
  // The tables below name only keys of the table above.
  if (!key) __builtin_trap();
  return *key;
}

std::string SectionName(KeySection section) {
  switch (section) {
    case KeySection::Meta:
      return "META";
    case KeySection::Mailer:
      return "MAILER";
    case KeySection::Site:
      break;
  }
  return SiteSectionName(CurrentConfig);
}

void ReadKey(const platform::ProfileDocument& doc, const SettingKey& key) {
  std::string value;
  bool found = doc.Get(SectionName(key.section), key.name, &value);
  KeyNote& note = NoteOf(key);
  note = KeyNote{found ? SettingState::Read : SettingState::Missing, 0};
  if (key.isInt) {
    *key.number = found ? platform::ParseProfileInt(value, key.defaultInt) : key.defaultInt;
  } else if (found && key.isPath && value.size() >= key.width) {
    key.text[0] = '\0';
    note = KeyNote{SettingState::TooLong, value.size()};
  } else {
    CopyText(key.text, key.width, found ? value : DefaultText(key));
  }
}

void ReadKeys(const platform::ProfileDocument& doc, KeySection section,
              std::initializer_list<const char*> names) {
  for (const char* name : names)
    ReadKey(doc, Key(section, name));
}

void WriteKeys(platform::ProfileDocument* doc, KeySection section,
               std::initializer_list<const char*> names) {
  std::string sectionName = SectionName(section);
  for (const char* name : names) {
    const SettingKey& key = Key(section, name);
    // The file keeps a path that was too long: the empty buffer is not the user's value.
    if (SettingStateOf(key) == SettingState::TooLong) continue;
    doc->Set(sectionName, name, SettingValueText(key));
  }
}

// Loads the file for an update; a file that exists but cannot be read is never replaced.
bool LoadForUpdate(const std::string& path, platform::ProfileDocument* doc) {
  if (doc->Load(path) == 0) return true;
  ShowSystemError("Error reading configuration file", path);
  return false;
}

int SaveUpdate(const std::string& path, const platform::ProfileDocument& doc) {
  if (doc.Save(path) == 0) return 0;
  ShowSystemError("Error writing configuration file", path);
  return -1;
}

void EnsureSiteUrlSlash() {
  size_t len = std::strlen(SiteURL);
  if (len > 0 && SiteURL[len - 1] == '/') return;
  // A full buffer gives up its last character rather than lose the slash.
  if (len + 1 >= sizeof SiteURL) SiteURL[sizeof SiteURL - 2] = '\0';
  platform::AppendText(SiteURL, "/");
}

int NoFirstRun(platform::WindowHandle owner) {
  std::string text = "The configuration file META.INI was not found in " + std::string(IniPath) +
                     ".\nCreate it with \"tagsteward-cli init\", or start the program in a "
                     "directory that holds one.";
  platform::ShowMessageBox(owner, text, "TAGSTEWARD STARTUP",
                           platform::kBoxOk | platform::kBoxIconExclamation);
  return -1;
}

}  // namespace

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = BuildKeys();
  return keys;
}

const SettingKey* FindSettingKey(KeySection section, const char* name) {
  for (const SettingKey& key : SettingKeys())
    if (key.section == section && std::strcmp(key.name, name) == 0) return &key;
  return nullptr;
}

std::string SettingValueText(const SettingKey& key) {
  if (key.isInt) return platform::Format("%d", *key.number);
  return std::string(key.text, strnlen(key.text, key.width));
}

SettingState SettingStateOf(const SettingKey& key) {
  const KeyNote& note = NoteOf(key);
  switch (note.state) {
    case SettingState::TooLong:
      return key.text[0] == '\0' ? SettingState::TooLong : SettingState::Read;
    case SettingState::Missing:
      if (key.isInt) return *key.number == key.defaultInt ? note.state : SettingState::Read;
      return DefaultText(key) == key.text ? note.state : SettingState::Read;
    case SettingState::Read:
      break;
  }
  return SettingState::Read;
}

int CheckPathSetting(platform::WindowHandle window, KeySection section, const char* name) {
  const SettingKey& key = Key(section, name);
  if (SettingStateOf(key) != SettingState::TooLong) return 0;
  std::string text = platform::Format(
      "The setting \"%s\" of section [%s] in META.INI is %zu bytes long, but at most %zu "
      "fit. A shortened path would name another file or directory, so nothing was done.\n"
      "Set a shorter path for \"%s\".",
      key.name, SectionName(section).c_str(), NoteOf(key).length, key.width - 1, key.name);
  platform::ShowMessageBox(window, text, "NOTE", platform::kBoxOk | platform::kBoxIconExclamation);
  return -1;
}

std::string SiteSectionName(const char* site) {
  return "Config:" + std::string(site);
}

std::string IniFilePath() {
  return platform::ResolveFixedName(IniPath, "META.INI");
}

void SetSiteOverride(const std::string& site) {
  gSiteOverride = site;
}

void SetFirstRunHook(FirstRunHook hook) {
  gFirstRunHook = hook;
}

void ResetSettings() {
  for (const SettingKey& key : SettingKeys()) {
    if (key.isInt) {
      *key.number = key.defaultInt;
    } else {
      CopyText(key.text, key.width, DefaultText(key));
    }
  }
  for (KeyNote& note : Notes())
    note = KeyNote{};
  DecodeDisplayOptions(DisplayOptions);
  ToolBarOn = showtoolbar;
  std::memset(ConfigNames, 0, sizeof ConfigNames);
  std::memset(ConfigIdx, 0, sizeof ConfigIdx);
  ConfigCount = 0;
  MaxSites = 30;
}

void DecodeDisplayOptions(int options) {
  static const char* const kNames[] = {"HTTP-EQUIV=", "http-equiv=", "NAME=", "name="};
  static const char* const kValues[] = {"CONTENT=", "content=", "VALUE=", "value="};
  static const char* const kSchemes[] = {"SCHEME=", "scheme=", "SCHEME=", "scheme="};
  static const char* const kSeparators[] = {",", ";", ",", ";"};
  QuoteTags = options & 1;
  CopyText(MTname, kNames[(options >> 1) & 3]);
  CopyText(MTvalue, kValues[(options >> 3) & 3]);
  CopyText(MTscheme, kSchemes[(options >> 5) & 3]);
  CopyText(MTsepS, kSeparators[(options >> 7) & 3]);
}

void ReadMailQueueSetting(const char* configFile) {
  platform::ProfileDocument doc;
  doc.Load(configFile);  // a missing or unreadable file gives the default
  ReadKeys(doc, KeySection::Mailer, {"Mail Queue"});
}

void ReadEarlySettings() {
  platform::ProfileDocument doc;
  doc.Load(gPluginContext.configFile);  // a missing or unreadable file leaves the defaults
  ReadKeys(doc, KeySection::Meta, {"Current Config"});
  if (!gSiteOverride.empty()) CopyText(CurrentConfig, gSiteOverride);
  ReadKeys(doc, KeySection::Site, {"Root Path", "SkinFile", "Skin"});
  ReadKeys(doc, KeySection::Meta, {"Options", "FileMask"});
}

int ReadSettings(platform::WindowHandle owner) {
  sourceline = kLineReadSettings;
  // A write of META.INI or the schema killed half-way leaves its work file here; the walks
  // clean up only the site's directories.
  platform::RemoveStaleWorkFiles(IniPath);
  std::string path = IniFilePath();
  bool existed = platform::FileExists(path);
  platform::ProfileDocument doc;
  if (doc.Load(path) != 0) ShowSystemError("Error reading configuration file", path);

  ReadKeys(doc, KeySection::Meta,
           {"Web Browser", "Editor", "Current Config", "Error Log", "Schema Space",
            "Max Schema Tags", "Max Page Tags", "Option Space", "Show Working"});
  if (!gSiteOverride.empty()) CopyText(CurrentConfig, gSiteOverride);
  ReadKeys(doc, KeySection::Meta,
           {"Show Attributes", "Show Settings", "Show Toolbar", "Confirmation", "Check Mandatory",
            "Head Size"});
  ToolBarOn = showtoolbar;
  ReadKeys(doc, KeySection::Mailer,
           {"SMTP", "Mail Queue", "From", "Credentials", "Require TLS", "CA File", "Timeout"});
  ReadKeys(doc, KeySection::Site,
           {"Root Path", "Strategy", "Autotags", "Expiry Metatag", "Expiry Days",
            "Expiry Owner Tag", "Expiry Admin Email", "Review Metatag", "Review Days",
            "Review Owner Tag", "Review Admin Email", "SiteURL"});
  EnsureSiteUrlSlash();
  ReadKeys(doc, KeySection::Site,
           {"Sitemapfile", "TitleTag", "OverwriteTag", "DisplayOptions", "SitemapOptions",
            "XML Sitemap"});
  DecodeDisplayOptions(DisplayOptions);
  ReadKeys(doc, KeySection::Site,
           {"CustomNameImports", "CustomValueImports", "Log Level", "Log Path", "SkinFile", "Skin",
            "Prev1", "Prev2", "Prev3", "Prev4", "Prev5", "Keep Unchanged"});
  if (existed) return 0;
  return (gFirstRunHook ? gFirstRunHook : NoFirstRun)(owner);
}

int WriteSettings() {
  sourceline = kLineWriteSettings;
  std::string path = IniFilePath();
  platform::ProfileDocument doc;
  if (!LoadForUpdate(path, &doc)) return -1;
  WriteKeys(&doc, KeySection::Meta, {"Web Browser", "Editor"});
  // A site chosen for one run only is not made the current one.
  if (gSiteOverride.empty()) WriteKeys(&doc, KeySection::Meta, {"Current Config"});
  WriteKeys(&doc, KeySection::Meta,
            {"Error Log", "Schema Space", "Max Schema Tags", "Max Page Tags", "Option Space",
             "Show Working", "Show Attributes", "Show Settings", "Show Toolbar", "Confirmation",
             "Check Mandatory"});
  if (AppOptions != 0) WriteKeys(&doc, KeySection::Meta, {"Options"});
  WriteKeys(&doc, KeySection::Meta, {"FileMask"});
  // A file without the key reads the default: it is written only once it was set.
  if (HeadSize != kDefaultHeadSize) WriteKeys(&doc, KeySection::Meta, {"Head Size"});
  WriteKeys(&doc, KeySection::Site,
            {"Root Path",
             "Strategy",
             "Autotags",
             "Expiry Metatag",
             "Expiry Days",
             "Expiry Owner Tag",
             "Expiry Admin Email",
             "Review Metatag",
             "Review Days",
             "Review Owner Tag",
             "Review Admin Email",
             "SiteURL",
             "Sitemapfile",
             "TitleTag",
             "OverwriteTag",
             "DisplayOptions",
             "SitemapOptions",
             "XML Sitemap",
             "CustomNameImports",
             "CustomValueImports",
             "Log Level",
             "Log Path",
             "SkinFile",
             "Skin",
             "Prev1",
             "Prev2",
             "Prev3",
             "Prev4",
             "Prev5",
             "Keep Unchanged"});
  return SaveUpdate(path, doc);
}

int HeadSizeBytes() {
  return HeadSize < kDefaultHeadSize ? kDefaultHeadSize
         : HeadSize > kMaxHeadSize   ? kMaxHeadSize
                                     : HeadSize;
}

int ReadSiteList(platform::WindowHandle owner) {
  sourceline = kLineReadSiteList;
  (void)owner;  // the report below has no owner, as every coded message
  ConfigCount = 0;
  std::string text;
  if (platform::ReadWholeFile(IniFilePath(), &text) != 0) return 0;
  static constexpr std::string_view kPrefix = "[Config:";
  size_t used = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    // A line is looked at in its first 511 bytes, as a 512-byte line buffer holds; the rest of
    // a longer line is not the start of another (a value may hold "[Config:").
    size_t lf = text.find('\n', pos);
    size_t end = lf == std::string::npos ? text.size() : lf + 1;
    std::string_view line(text.data() + pos, std::min<size_t>(end - pos, 511));
    pos = end;
    if (line.substr(0, kPrefix.size()) != kPrefix) continue;
    size_t close = line.find(']', kPrefix.size());
    if (close == std::string_view::npos) continue;
    std::string_view name = line.substr(kPrefix.size(), close - kPrefix.size());
    if (used + name.size() + 2 > sizeof ConfigNames) {
      ReportCoded("M004:Out of Site name space!  - Use shorter names or contact ZELVANE");
      break;
    }
    char* slot = ConfigNames + used;
    CopyText(slot, sizeof ConfigNames - used, name);
    used += name.size() + 1;
    ConfigIdx[ConfigCount++] = slot;
    if (ConfigCount > MaxSites) break;
  }
  return 0;
}

int WriteCurrentConfig() {
  std::string path = IniFilePath();
  platform::ProfileDocument doc;
  if (!LoadForUpdate(path, &doc)) return -1;
  WriteKeys(&doc, KeySection::Meta, {"Current Config"});
  return SaveUpdate(path, doc);
}

int WriteAdvancedOptions() {
  std::string path = IniFilePath();
  platform::ProfileDocument doc;
  if (!LoadForUpdate(path, &doc)) return -1;
  WriteKeys(&doc, KeySection::Meta, {"Options", "FileMask"});
  return SaveUpdate(path, doc);
}

int WriteSetting(const SettingKey& key) {
  std::string path = IniFilePath();
  platform::ProfileDocument doc;
  if (!LoadForUpdate(path, &doc)) return -1;
  doc.Set(SectionName(key.section), key.name, SettingValueText(key));
  return SaveUpdate(path, doc);
}

int WriteMailerSettings() {
  std::string path = IniFilePath();
  platform::ProfileDocument doc;
  if (!LoadForUpdate(path, &doc)) return -1;
  WriteKeys(&doc, KeySection::Mailer, {"SMTP", "Mail Queue"});
  return SaveUpdate(path, doc);
}

int WriteLogLevel() {
  std::string path = IniFilePath();
  platform::ProfileDocument doc;
  if (!LoadForUpdate(path, &doc)) return -1;
  WriteKeys(&doc, KeySection::Site, {"Log Level"});
  return SaveUpdate(path, doc);
}
