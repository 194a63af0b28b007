#include "schema/default_schema.h"

#include <cstring>

#include "config/settings.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "schema/text_lines.h"

namespace {

constexpr size_t kBoxColumn = 74;  // the "|" of a box line
constexpr const char* kCrLf = "\r\n";

std::string RuleLine() {
  return "#" + std::string(kBoxColumn - 1, '-');
}

std::string BoxLine(const std::string& text) {
  std::string line = text;
  if (line.size() < kBoxColumn - 1) line.append(kBoxColumn - 1 - line.size(), ' ');
  return line + "|";
}

// Comment lines; the loader skips them all.
const char* const kAboutLines[] = {
    "#",
    "# This file is the schema from which Tagsteward offers the metatags that",
    "# can be placed into documents. It is yours to extend: add the tags your",
    "# site uses, one entry a line, with any text editor.",
    "#",
    "# An entry is written as",
    "#",
    "#   metatag.name <,flags> {value options}",
    "#",
    "# Flags are upper-case letters after the comma:",
    "#   M - mandatory",
    "#   A - allow duplicates",
    "#   D -\tDate format (must be YYYYMMDD)",
    "#",
    "# Value options stand in braces after the flags. They are either a literal",
    "# list of values separated by commas, or the name of a scheme table in",
    "# square brackets: a file in this same directory that holds value,description",
    "# pairs, one pair a line. The file name may be followed by a comma and a",
    "# scheme name, which is written into the tag's scheme attribute.",
    "#",
    "# Examples:",
    "#   MY.Test.tag.one {[Thesaurus.ST,BEP]}",
    "#     values from the scheme table Thesaurus.ST, written with the scheme BEP;",
    "#     braces count only after a comma, so write \"MY.Test.tag.one, {...}\".",
    "#   MY.Test.tag.two,AM {red,blue,green}",
    "#     mandatory, allowed more than once, one of red, blue or green.",
    "#   MY.Test.tag.three, {[mylist.dat]}",
    "#     values from the file mylist.dat, no scheme.",
    "#",
};

const char* const kOverviewLines[] = {
    "# Schema Overview",
    "#",
    "# The entries below are grouped by their prefix:",
    "#   DC.   Dublin Core tags",
    "#   AD.   administration tags used by Tagsteward itself",
    "#   AG.   AGLS extension tags",
    "#   DEF.  defence tags",
    "#   (no prefix) general web tags read by search engines",
    "#",
    "# This schema is an example: adapt it to the needs of your site.",
    "#",
};

struct Group {
  const char* heading;
  std::vector<const char*> entries;
};

const Group kGroups[] = {
    {"# 1. Administration tags", {"AD.Review Date,D", "AD.Expiry Date,D", "AD.MapMe"}},
    {"# 2. Australian Government extension tags",
     {"AG.Function", "AG.Availability.Identifier", "AG.Availability.CorporateName",
      "AG.Availability.PersonalName", "AG.Availability.Jurisdiction", "AG.Availability.Contact",
      "AG.Availability.Email"}},
    {"# 3. Dublin Core tags",
     {"DC.Title,M",
      "DC.Creator.CorporateName,M",
      "DC.Creator.PersonalName",
      "DC.Creator.Jurisdiction",
      "DC.Creator.Contact,MA",
      "DC.Creator.Email,A",
      "DC.Subject.Industry,M {[Industry.ST,BEP]}",
      "DC.Subject.Topic,M",
      "DC.Subject.GoodService",
      "DC.Subject.Occupation",
      "DC.Subject.Staff",
      "DC.Subject.LandBuilding",
      "DC.Subject.PlantEquipment",
      "DC.Description",
      "DC.Publisher",
      "DC.Contributor",
      "DC.Date.Created,MD",
      "DC.Date.Modified,D",
      "DC.Type.Item",
      "DC.Type.Collection",
      "DC.Format",
      "DC.Identifier,M {[,URI]}",
      "DC.Source ",
      "DC.Source.Element",
      "DC.Language,{[Lang.ST,RFC1766]}",
      "DC.Relation.PartWhole",
      "DC.Relation.Version",
      "DC.Relation.Reference",
      "DC.Relation.Based",
      "DC.Relation.Requires",
      "DC.Relation.Elements",
      "DC.Coverages.PlaceName",
      "DC.Coverages.Area,M",
      "DC.Coverages.Region",
      "DC.Coverages.PeriodName",
      "DC.Coverages.Start",
      "DC.Coverages.End",
      "DC.Rights"}},
    {"# 4. Defence specific tags",
     {"DEF.Security, {Unclassified,Restricted,Confidential,Secret,Top Secret}"}},
    {"# 5. Search engine tags",
     {"Description", "Keywords, {[keywords.LST,Default Keywords]}",
      "Robots, {ALL,NONE,INDEX,NOINDEX,FOLLOW,NOFOLLOW}",
      "Rating, {General,Mature,Restricted,14 Years}"}},
};

SiteTagsDialogFn gSiteTagsDialog = nullptr;
SiteTagValues gGivenValues{};

int ReportCreateFailure(const std::string& path) {
  ShowFileError(nullptr, "Unable to create file", path);
  return -1;
}

}  // namespace

std::string DefaultSchemaText() {
  std::string text;
  auto line = [&text](const std::string& s) { text += s + kCrLf; };
  line(RuleLine());
  line(BoxLine("#"));
  line(BoxLine("# Schema Name: AGLS + Custom mods"));
  line(BoxLine("#"));
  line(RuleLine());
  for (const char* s : kAboutLines)
    line(s);
  line(RuleLine());
  for (const char* s : kOverviewLines)
    line(s);
  line(RuleLine());
  bool first = true;
  for (const Group& g : kGroups) {
    line("");
    if (!first) line(RuleLine());
    first = false;
    line(g.heading);
    for (const char* e : g.entries)
      line(e);
  }
  line("");
  line(RuleLine());
  return text;
}

int WriteDefaultSchema(const std::string& path) {
  if (platform::ReplaceFile(path, DefaultSchemaText()) != 0) return ReportCreateFailure(path);
  return 0;
}

void SetSiteTagsDialog(SiteTagsDialogFn dialog) {
  gSiteTagsDialog = dialog;
}

void SetSiteTagValues(const std::string& corporateName, const std::string& industry) {
  platform::CopyText(gGivenValues.corporateName, corporateName);
  platform::CopyText(gGivenValues.industry, industry);
}

bool SiteTagsAccepted(const char* corporateName, const char* industry) {
  if (corporateName[0] != '\0' && industry[0] != '\0') return true;
  ReportCoded("M056:Values are required");
  return false;
}

int SiteTagsDialog(platform::WindowHandle owner, SiteTagValues* values) {
  if (gSiteTagsDialog) return gSiteTagsDialog(owner, values);
  // The dialog's edit field holds at most 255 characters.
  platform::CopyText(values->corporateName, 256, gGivenValues.corporateName);
  platform::CopyText(values->industry, gGivenValues.industry);
  return SiteTagsAccepted(values->corporateName, values->industry) ? 1 : 0;
}

std::vector<std::string> ReadIndustryList() {
  std::vector<std::string> lines;
  TextLineReader reader;
  if (reader.Open(platform::ResolveFixedName(StartupPath, "Industry.ST")) != 0) return lines;
  std::string raw;
  while (reader.Next(&raw, 255) == 1)
    lines.push_back(CutLine(raw));
  return lines;
}

std::string RootTagsText(const char* corporateName, const char* industry) {
  std::string value(industry);
  value = value.substr(0, value.find(','));  // a scheme table line is "value,description"
  std::string text = "<HEAD>\r\n<meta ";
  text += MTname;
  text += "DC.Creator.CorporateName ";
  text += MTvalue;
  text += corporateName;
  text += ">\n<meta ";
  text += MTname;
  text += "DC.Subject.Industry ";
  text += MTvalue;
  text += value;
  text += ">\r\n</HEAD>\r\n";
  return text;
}

int WriteRootTags(const std::string& path, platform::WindowHandle owner) {
  platform::AtomicFile file;
  if (file.Begin(path) != 0) return ReportCreateFailure(path);
  SiteTagValues values{};
  if (SiteTagsDialog(owner, &values) != 1) {
    file.Abort();
    return -1;
  }
  if (file.Write(RootTagsText(values.corporateName, values.industry)) != 0 || file.Commit() != 0)
    return ReportCreateFailure(path);
  return 0;
}
