// The site list: the site switch, adding, configuring and removing sites, and the Sites and
// Site Configuration dialogs.
#pragma once

#include <string>

#include "platform/ui.h"

// Control ids of the Sites dialog (170) and the Site Configuration dialog (143).
enum : int {
  kSitesList = 1101,
  kSitesAdd = 1102,
  kSitesRemove = 1103,
  kSitesDone = 1104,
  kSiteName = 1110,
  kSiteRoot = 1111,
  kSiteDrives = 1112,
  kSiteDirs = 1113,
  kSiteUrl = 1114,
  kSiteMapFile = 1115,
  kSiteMapSelect = 1116,
  kSiteMapMove = 1117,
  kSiteTitleTag = 1118,
  kSiteMapTag = 1119,
};

// Makes the site named in CurrentConfig current: writes "Current Config", reads every setting,
// makes its root the current directory and, with the main window, rebuilds the recent files
// and reloads the skin. 0, or -1 when "Current Config" could not be written (the user was told;
// the settings were read all the same).
int SwitchSite(platform::WindowHandle owner);

// Removes the site's section from META.INI: the new file is written completely beside the old
// one and renamed over it, after METABACK.INI was written as a copy of the old one. 0; or -1
// after "M023" with META.INI unchanged.
int RemoveSiteSection(const char* name);

// The index of the site in the site list (names match without regard to case, as sections do),
// or -1.
int FindSite(const std::string& name);

// "Remove Site": "M028" for the last site, the "Confirm" question (No unless answered Yes), the
// removal, the site list read again, the first site made current when the current one went,
// and the site switch. 0 removed, 1 not removed (last site, or answered No), -1 failed.
int RemoveSite(platform::WindowHandle owner, const std::string& name);

// What the Site Configuration dialog edits.
struct SiteIdentity {
  std::string name;
  std::string root;
  std::string url;
  std::string sitemap;  // empty: "Sitemap.htm" in the root
  std::string titleTag;
  std::string sitemapTag;
};

// The Site Configuration dialog's OK for the site edited ("" for a new one): checks the
// identity, writes the site's section with every key (a renamed site keeps one section, under
// its new name), asks what to do with the sitemap of an existing site whose sitemap moved, and
// reads the site list again. A new site becomes the current one when makeCurrent; otherwise
// the current site and its settings stay. 0 stored; -1 refused or not written (the user was
// told; nothing changed); -2 stored, but a later step failed (the user was told).
int StoreSiteIdentity(platform::WindowHandle owner, const std::string& edited,
                      const SiteIdentity& site, bool makeCurrent = true);

// The dialogs. Sites: 1 when closed with Done or a site chosen, 2 with Escape. Site
// Configuration edits CurrentConfig (a new site when it is empty): 1 for OK, 2 for Cancel.
int SitesDialog(platform::WindowHandle owner);
int SiteConfigurationDialog(platform::WindowHandle owner);
platform::DialogTemplate SitesTemplate();
platform::DialogTemplate SiteConfigurationTemplate();
