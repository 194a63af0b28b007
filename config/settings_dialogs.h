// The settings dialogs of the Setup menu: business rules, markup options with their sitemap and
// automatic-tag dialogs, general and advanced options, and the directory chooser. Each edits the
// globals of config/settings.h; the caller writes the settings after a confirmed change.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "platform/ui.h"

// Control ids of the business rules dialog.
enum : int {
  kIdRulesBranch = 1101,          // the branch directory (temporary rules only, disabled)
  kIdRulesInheritedFirst = 1102,  // "NEVER allow duplicates", "Allow when flagged in Schema",
                                  // "ANY may be duplicated": 1102 .. 1104
  kIdRulesPageFirst = 1105,       // the same for the page's own tags: 1105 .. 1107
  kIdRulesRoot = 1108,            // "Root priority"
  kIdRulesLocal = 1109,           // "Local priority"
  kIdRulesPreserve = 1110,        // "Preserve existing page tags"
};

// The business rules dialog: permanent 1 "Edit Business Rules" (the site's rules, saved),
// 0 "Temporary Business Rules" for a branch (shows gBranch, disabled; changes strategy for
// the branch run only). Returns 1 for OK, 0 for Cancel.
// OK sets strategy from the controls alone; it writes nothing, and after a branch run with
// temporary rules the caller puts the site's strategy back before anything writes the settings.
int BusinessRulesDialog(platform::WindowHandle owner, int permanent);
platform::DialogTemplate BusinessRulesTemplate(int permanent);

// Control ids of the markup options dialog.
enum : int {
  kIdMarkupNameFirst = 1201,    // "HTTP-EQUIV", "http-equiv", "NAME", "name": 1201 .. 1204
  kIdMarkupValueFirst = 1205,   // "CONTENT", "content", "VALUE", "value": 1205 .. 1208
  kIdMarkupSchemeFirst = 1209,  // "SCHEME", "scheme": 1209, 1210
  kIdMarkupSepFirst = 1211,     // "comma (,)", "semicolon (;)": 1211, 1212
  kIdMarkupQuotes = 1213,
  kIdMarkupCustomNames = 1214,
  kIdMarkupCustomValues = 1215,
  kIdMarkupSitemap = 1216,   // opens the sitemap markup options
  kIdMarkupAutotags = 1217,  // opens the automatic tags
};

// Sitemap markup options: "Spacing", "Level Heading Bullet", "URL Bullet", three buttons each.
enum : int {
  kIdSitemapSpacingFirst = 1301,
  kIdSitemapHeadingFirst = 1304,
  kIdSitemapUrlFirst = 1307,
  kIdSitemapXmlFile = 1310,  // the XML sitemap's full path; empty: none
};

// Automatic tags: the DC.Identifier, DC.Title and AD.Touched boxes.
enum : int { kIdAutoIdentifier = 1401, kIdAutoTitle = 1402, kIdAutoTouched = 1403 };

// Control ids of the general options dialog.
enum : int {
  kIdGenBrowser = 1501,
  kIdGenBrowserSelect = 1502,
  kIdGenEditor = 1503,
  kIdGenEditorSelect = 1504,
  kIdGenErrorLog = 1505,
  kIdGenErrorLogSelect = 1506,
  kIdGenShowWorking = 1507,
  kIdGenShowAttributes = 1508,
  kIdGenConfirm = 1509,
  kIdGenExpertBar = 1510,
  kIdGenOnTop = 1511,
  kIdGenShowSettings = 1512,
  kIdGenMandatory = 1513,
  kIdGenPause = 1514,
  kIdGenLogMinor = 1515,
  kIdGenAdvanced = 1516,
  kIdGenKeepUnchanged = 1517,
};

// Advanced options: one box per AppOptions bit (1601 for 1 .. 1608 for 128), and the mask.
enum : int { kIdAdvFirstBox = 1601, kIdAdvMask = 1609 };

// Select a directory: the path, the drive list and the subdirectory list.
enum : int { kIdDirPath = 1701, kIdDirDrives = 1702, kIdDirList = 1703 };

// Markup Options: DisplayOptions and the custom imports; its two buttons open the sitemap markup
// options and the automatic tags, whose changes Cancel takes back. 1 OK, 0 Cancel.
int MarkupOptionsDialog(platform::WindowHandle owner);
// Sitemap Markup Options (SitemapOptions) and Automatic Tags (autotags). 1 OK, 0 Cancel.
int SitemapMarkupDialog(platform::WindowHandle owner);
int AutomaticTagsDialog(platform::WindowHandle owner);
// General Options. The Expert bar boxes act at once; Cancel keeps what they did. 1 OK, 0 Cancel.
int GeneralOptionsDialog(platform::WindowHandle owner);
// Advanced Options: OK writes "Options" and "FileMask", tells the user and closes the main
// window. 1 OK, 0 Cancel (or the write failed: then nothing changed).
int AdvancedOptionsDialog(platform::WindowHandle owner);
// Select a directory, starting in directory (a 256-byte buffer); OK copies the chosen directory,
// ending in "/", into it. 1 OK, 0 Cancel.
int SelectDirectoryDialog(platform::WindowHandle owner, char* directory);
// Where mounted volumes are looked for, to be offered beside "/" and the home directory.
void SetVolumeRoots(std::vector<std::string> roots);

// The value `tagsteward-cli set` may give a key, checked as the dialog that sets it checks it:
// numbers are whole numbers, only the bits and choices a dialog offers, strings within their
// width, directories end in "/". Returns "" and the value to store, or what is wrong.
std::string CheckSettingValue(const SettingKey& key, std::string_view text, std::string* value);
