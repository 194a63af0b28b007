// The configuration file META.INI: every setting, its key, default and width, and the routines
// that read and write them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ui.h"

// --- Section "META" ---
extern char WebBrowser[256];
extern char Editor[256];
extern char CurrentConfig[256];
extern char ErrorLogPath[256];
extern int SchemaBytes;
extern int MaxSchemaTags;
extern int MaxPageTags;
extern int OptionBytes;
extern int showworking;
extern int showatts;
extern int showsettings;
extern int showtoolbar;
extern int checkmandatory;
extern int AppOptions;
extern char maskstring[64];
// Bytes read from the start of each document to find its head ("Head Size").
extern int HeadSize;
constexpr int kDefaultHeadSize = 4096;
constexpr int kMaxHeadSize = 1 << 20;
// What init and the setup wizard give a new configuration: modern heads are long.
constexpr int kNewConfigHeadSize = 65536;
// What init and the setup wizard give a new site: name=, content=, scheme= in quotes, the
// markup today's search engines read. A file without the key keeps the old default, 1.
constexpr int kNewConfigDisplayOptions = 47;
// HeadSize kept within what the reader and the rewrite can hold.
int HeadSizeBytes();
// The confirmation word lives in gPluginContext.confirmation.

// --- Section "MAILER" ---
extern char SMTPaddrtemp[256];
extern char MailQueue[256];
// Read by tagsteward-mailer only: the sender, an owner-only credentials file in the ~/.netrc
// format (empty: ~/.netrc), STARTTLS required (1) or used when offered (0), a file of trusted
// certificates (empty: the system's) and the seconds a server may keep it waiting.
extern char MailFrom[256];
extern char MailCredentials[256];
extern int MailRequireTls;
extern char MailCaFile[256];
extern int MailTimeout;

// --- Site section "Config:<name>" ---
struct DateCheckRule {
  char tag[32];
  int days;
  char ownerTag[64];
  char adminEmail[64];
};

extern char RootPath[256];
extern int strategy;
extern int autotags;
extern DateCheckRule ExpiryRule;
extern DateCheckRule ReviewRule;
extern char SiteURL[256];
extern char Sitemapfile[256];
extern char TitleTag[256];
extern char OverwriteTag[256];
// The sitemap in the sitemaps.org format written beside the page; empty: none.
extern char XmlSitemapFile[256];
extern int DisplayOptions;
extern int SitemapOptions;
extern char CustomNameImports[64];
extern char CustomValueImports[64];
extern int loglevel;
// 1: a rewrite that would change nothing but the stamp and AD.Touched leaves the document alone.
extern int KeepUnchanged;
extern char LogPath[256];
extern char SkinFile[16];
extern char Skin[16];
extern char PrevFiles[5][512];

// --- Derived and location globals ---
extern char IniPath[256];      // the configuration directory
extern char StartupPath[256];  // the start-up directory
extern int ToolBarOn;
// Markup options decoded from DisplayOptions.
extern int QuoteTags;
extern char MTname[32];
extern char MTvalue[32];
extern char MTscheme[32];
extern char MTsepS[2];

// --- Site list ---
constexpr int kConfigNamesSize = 2048;
extern char ConfigNames[kConfigNamesSize];
extern char* ConfigIdx[32];
extern int ConfigCount;
extern int MaxSites;

// AppOptions bits.
enum : int {
  kOptAdvanced = 1,
  kOptNoSkins = 2,
  kOptDiagButtons = 4,
  kOptNoPlugins = 8,
  kOptNoMajorErrorLog = 16,
  kOptVerbose = 32,
  kOptNoCpiExportMenu = 64,
  kOptSkipSplash = 128,
};

// autotags bits.
enum : int { kAutoIdentifier = 1, kAutoTitle = 2, kAutoTouched = 4 };

// One key of the configuration file.
enum class KeySection { Meta, Mailer, Site };
struct SettingKey {
  KeySection section;
  const char* name;
  bool isInt;
  const char* defaultText;  // strings: the default ("" for none); "~/" stands for the home dir
  int defaultInt;
  size_t width;  // strings: buffer width including the terminator
  char* text;    // strings: the global
  int* number;   // integers: the global
  // A directory or file: a value too long for the buffer is refused, never cut, since the cut
  // path can name another existing file or directory.
  bool isPath = false;
};

// What the last read of META.INI found for a key, as long as the value held is still the one
// read (a value set since is Read).
enum class SettingState {
  Read,     // read from the file, set since, or never read
  Missing,  // not in the file: the default is held
  TooLong,  // a path that did not fit its buffer: the buffer is held empty
};

// Every key, section by section, in the order of the key tables.
const std::vector<SettingKey>& SettingKeys();
// The key of that name in that section, or nullptr.
const SettingKey* FindSettingKey(KeySection section, const char* name);
// The key's value as held in memory, as text.
std::string SettingValueText(const SettingKey& key);
SettingState SettingStateOf(const SettingKey& key);

// A path setting whose value in META.INI was too long for its buffer: tells the user (the key,
// its section and what to do) and returns -1; otherwise 0.
int CheckPathSetting(platform::WindowHandle window, KeySection section, const char* name);

// Sets every setting to its default and empties the site list (as before any read).
void ResetSettings();

// Full path of META.INI in IniPath (found whatever its case).
std::string IniFilePath();
// "Config:" + name.
std::string SiteSectionName(const char* site);

// Reads the current site, its root path, skin library and skin, and "Options" and "FileMask",
// from the file named in the plug-in context.
void ReadEarlySettings();
// Reads "Mail Queue" of section MAILER from configFile into MailQueue.
void ReadMailQueueSetting(const char* configFile);

// Reads every setting. 0 when the file existed; otherwise the first-run hook's result.
int ReadSettings(platform::WindowHandle owner);

// What runs when META.INI does not exist: -2 to go on, -1 to stop.
using FirstRunHook = int (*)(platform::WindowHandle owner);
void SetFirstRunHook(FirstRunHook hook);

// Writes the settings of section "META" and the current site. 0, or -1 when the file could not
// be read or replaced (then it is unchanged and the user was told).
int WriteSettings();

// Fills the site list from the file's "Config:" sections (at most MaxSites + 1 names). 0.
int ReadSiteList(platform::WindowHandle owner);

// Single-key writes. 0 or -1.
int WriteCurrentConfig();
int WriteAdvancedOptions();  // "Options" and "FileMask"
int WriteMailerSettings();   // "SMTP" and "Mail Queue"
int WriteLogLevel();         // "Log Level" of the current site
// One key, in its section (a site key: in the current site's).
int WriteSetting(const SettingKey& key);

// Decodes DisplayOptions into QuoteTags, MTname, MTvalue, MTscheme and MTsepS.
void DecodeDisplayOptions(int options);

// Makes this run use another site than "Current Config" says, without writing it (empty: none).
void SetSiteOverride(const std::string& site);
