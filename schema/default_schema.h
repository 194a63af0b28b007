// The defaults of a new installation: the schema file META.IDX and the root tree-tag file.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

// Writes the default schema to path, replacing any file there. 0, or -1 when the file cannot
// be created (the user was told "Unable to create file").
int WriteDefaultSchema(const std::string& path);

// The default schema's text as written to disk (CR LF line ends).
std::string DefaultSchemaText();

// The two site-wide values of the root tree tags.
struct SiteTagValues {
  char corporateName[512];
  char industry[512];
};

// The dialog that asks for the site-wide values; 1 when closed with OK (both values given),
// 0 otherwise. The desktop program installs its dialog; without one the values set with
// SetSiteTagValues are taken.
using SiteTagsDialogFn = int (*)(platform::WindowHandle owner, SiteTagValues* values);
void SetSiteTagsDialog(SiteTagsDialogFn dialog);
// The values the dialog gives when no dialog is installed (the command line, tests).
void SetSiteTagValues(const std::string& corporateName, const std::string& industry);

// Runs the installed dialog, or takes the values given to SetSiteTagValues under the dialog's
// OK rule. 1 when values were given, 0 otherwise.
int SiteTagsDialog(platform::WindowHandle owner, SiteTagValues* values);

// The dialog's OK rule: true when both values are non-empty; otherwise reports
// "M056:Values are required" and the dialog stays open.
bool SiteTagsAccepted(const char* corporateName, const char* industry);

// The lines of Industry.ST in the start-up directory, each cut at its line break, at most 255
// characters, in file order (the list control sorts them). Empty when there is no such file.
std::vector<std::string> ReadIndustryList();

// Writes the root tree-tag file at path with the values the dialog gives. 0, or -1 when the
// file cannot be created (reported) or no values were given.
int WriteRootTags(const std::string& path, platform::WindowHandle owner = nullptr);

// The root tree-tag file's content for those values under the current markup options (the
// industry is cut at its first comma).
std::string RootTagsText(const char* corporateName, const char* industry);
