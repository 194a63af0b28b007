// "System Wide Meta-tags": asks for the corporate name and industry of the root tree tags.
#pragma once

#include "platform/ui.h"
#include "schema/default_schema.h"

// Control ids.
enum : int {
  kIdSiteTagsText = 1020,       // the explanation
  kIdSiteCorporateName = 1021,  // edit
  kIdSiteIndustry = 1022,       // sorted list of Industry.ST's lines that also takes typing
};

platform::DialogTemplate SiteTagsTemplate();

// Runs the dialog over owner. It has only OK, and OK closes it only when both values are given
// ("M056:Values are required" otherwise); then the values are stored and 1 is returned. A
// dialog ended any other way stores nothing and returns 0. Installed with SetSiteTagsDialog.
int RunSiteTagsDialog(platform::WindowHandle owner, SiteTagValues* values);
