// The setup wizard of a first run: four modal pages that fill the settings a new installation
// cannot guess (site name, URL and root, browser and editor, mail queue, SMTP server and the
// administrator's address).
#pragma once

#include "platform/ui.h"

// Control ids of the pages.
enum : int {
  kWizNext = platform::kCommandOk,    // "Next >>", "Finished", "YES"
  kWizNo = platform::kCommandCancel,  // "NO" on the completion page
  kWizBack = 1003,                    // "<< Back"
  kWizRoot = 1010,                    // the shown directory (tree root, mail queue)
  kWizDrives = 1011,
  kWizDirs = 1012,
  kWizSiteName = 1013,
  kWizSiteUrl = 1014,
  kWizBrowser = 1015,
  kWizEditor = 1016,
  kWizSelectBrowser = 1017,
  kWizSelectEditor = 1018,
  kWizSmtp = 1020,
  kWizAdmin = 1021,
};

// The pages, each a modal dialog over owner. Results: the welcome page 1; the site page 1 once
// it is complete; the mail page 1 for "Finished", 0 for "<< Back"; the completion page 1 for
// "YES", 0 for "NO".
int WelcomePage(platform::WindowHandle owner);
int SitePage(platform::WindowHandle owner);
int MailPage(platform::WindowHandle owner);
int CompletionPage(platform::WindowHandle owner);

platform::DialogTemplate WelcomePageTemplate();
platform::DialogTemplate SitePageTemplate();
platform::DialogTemplate MailPageTemplate();
platform::DialogTemplate CompletionPageTemplate();

// The pages in order: welcome, then site and mail page until the mail page is finished, then the
// completion page, whose result is returned.
int RunSetupWizard(platform::WindowHandle owner);
