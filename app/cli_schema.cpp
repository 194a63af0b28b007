// The schema commands of tagsteward-cli, and the first run of a new configuration.
#include <cstring>
#include <string>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "config/site_paths.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "schema/default_schema.h"
#include "schema/schema.h"

int CmdSchema(CliContext& c) {
  // Loading makes the configuration directory current; the caller's stays current here.
  std::string cwd;
  bool haveCwd = platform::Fs().CurrentDir(&cwd) == 0;
  int rc = ReserveSchemaTables() == 0 ? LoadSchema() : -1;
  if (haveCwd) platform::Fs().ChangeDir(cwd);
  if (rc != 0) {
    std::fprintf(c.err, "tagsteward-cli: the schema dictionary could not be loaded\n");
    ReleaseSchemaTables();
    return 1;
  }
  for (int i = 0; i < SchemaTagCount; ++i) {
    const SchemaEntry& e = SchemaIndex[i];
    std::fprintf(c.out, "%s\t%u\t%s\t%s\n", e.name, static_cast<unsigned>(e.flags),
                 SchemaOptions(e), SchemaScheme(e));
  }
  ReleaseSchemaTables();
  return 0;
}

namespace {

struct InitOptions {
  std::string site, root, url, corporateName, industry;
  bool haveSite = false, haveRoot = false, haveUrl = false;
  bool haveCorporateName = false, haveIndustry = false;
};

int InitUsage(CliContext& c, const std::string& problem) {
  std::fprintf(c.err,
               "tagsteward-cli: %s\nusage: tagsteward-cli [--config DIR] init --site NAME --root "
               "DIR --url URL [--corporate-name TEXT --industry TEXT]\n",
               problem.c_str());
  return 2;
}

int Fail(CliContext& c, const std::string& problem) {
  std::fprintf(c.err, "tagsteward-cli: %s\n", problem.c_str());
  return 1;
}

// -1 when the arguments are well formed, else the exit status.
int ParseInit(CliContext& c, InitOptions* o) {
  if (!c.site.empty()) {
    o->site = c.site;
    o->haveSite = true;
  }
  struct Flag {
    const char* name;
    std::string* value;
    bool* given;
  };
  const Flag flags[] = {
      {"--site", &o->site, &o->haveSite},
      {"--root", &o->root, &o->haveRoot},
      {"--url", &o->url, &o->haveUrl},
      {"--corporate-name", &o->corporateName, &o->haveCorporateName},
      {"--industry", &o->industry, &o->haveIndustry},
  };
  for (size_t i = 0; i < c.args.size(); ++i) {
    const Flag* flag = nullptr;
    for (const Flag& f : flags)
      if (c.args[i] == f.name) flag = &f;
    if (!flag) return InitUsage(c, "unknown argument " + c.args[i]);
    if (i + 1 >= c.args.size()) return InitUsage(c, c.args[i] + " needs a value");
    *flag->value = c.args[++i];
    *flag->given = true;
  }
  if (!o->haveSite || !o->haveRoot || !o->haveUrl)
    return InitUsage(c, "--site, --root and --url are required");
  if (o->site.empty()) return InitUsage(c, "the site name is empty");
  // The name becomes the section header "[Config:NAME]".
  if (o->site.find_first_of("]\r\n") != std::string::npos)
    return InitUsage(c, "a site name cannot hold \"]\" or a line break");
  if (o->site.size() >= sizeof CurrentConfig) return InitUsage(c, "the site name is too long");
  if (o->haveCorporateName != o->haveIndustry)
    return InitUsage(c, "--corporate-name and --industry go together");
  // The values the site-wide tags dialog requires, checked before anything is written.
  if (o->haveCorporateName && (o->corporateName.empty() || o->industry.empty()))
    return InitUsage(c, "the corporate name and the industry must not be empty");
  if (o->url.empty() || o->url.back() != '/') o->url += '/';
  if (o->url.size() < 10) return InitUsage(c, "the site URL is too short");
  if (o->url.size() >= sizeof SiteURL) return InitUsage(c, "the site URL is too long");
  return -1;
}

}  // namespace

int CmdInit(CliContext& c) {
  InitOptions o;
  int rc = ParseInit(c, &o);
  if (rc >= 0) return rc;

  if (!c.configDir.empty() && !platform::DirExists(c.configDir) &&
      platform::Fs().MakeDir(c.configDir) != 0)
    return Fail(c, "cannot create the configuration directory " + c.configDir + ": " +
                       platform::LastErrorText());
  rc = SetConfigLocation(c.configDir, c.err);
  if (rc != 0) return rc;
  SetSiteOverride("");
  std::string ini = IniFilePath();
  if (platform::FileExists(ini))
    return Fail(c, ini + " already exists; init never overwrites a configuration");

  std::string root = o.root;
  if (root[0] != '/') root = platform::JoinPath(StartupPath, root);
  root = platform::WithTrailingSlash(root);
  if (!platform::DirExists(root))
    return Fail(c, "the document tree root " + root + " does not exist");
  std::string sitemap = root + "Sitemap.htm";
  if (sitemap.size() >= sizeof Sitemapfile)
    return Fail(c, "the document tree root path is too long");
  platform::CopyText(CurrentConfig, o.site);
  platform::CopyText(RootPath, root);
  // A root no task may walk is refused before anything is written.
  if (CheckSiteRoot(nullptr) != 0) return 1;
  std::string logPath = platform::JoinPath(IniPath, "Audit/");
  std::string mailQueue = platform::JoinPath(IniPath, "MailQ/");
  if (mailQueue.size() >= sizeof MailQueue)
    return Fail(c, "the configuration directory path is too long");

  // Failures to create these are ignored, as on the program's first run.
  platform::Fs().MakeDir(logPath);
  platform::Fs().MakeDir(mailQueue);
  platform::CopyText(LogPath, logPath);
  platform::CopyText(MailQueue, mailQueue);
  platform::CopyText(SiteURL, o.url);
  platform::CopyText(Sitemapfile, sitemap);
  // Critical entries go beside the configuration, wherever init was run from.
  platform::CopyText(ErrorLogPath, platform::WithTrailingSlash(IniPath));
  HeadSize = kNewConfigHeadSize;
  DisplayOptions = kNewConfigDisplayOptions;
  DecodeDisplayOptions(DisplayOptions);
  KeepUnchanged = 1;  // a new site leaves documents that would not change alone

  if (WriteSettings() != 0 || WriteMailerSettings() != 0) return Fail(c, "cannot write " + ini);
  std::fprintf(c.out, "created %s\n", IniFilePath().c_str());
  ReadSiteList(nullptr);

  if (!platform::FileExists(platform::ResolveFixedName(IniPath, "META.IDX"))) {
    std::string schema = platform::JoinPath(IniPath, "META.IDX");
    if (WriteDefaultSchema(schema) != 0) return Fail(c, "cannot write " + schema);
    std::fprintf(c.out, "created %s\n", schema.c_str());
  }

  std::string existingTags = platform::ResolveFixedName(RootPath, "META.TAG");
  if (platform::FileExists(existingTags)) {
    std::fprintf(c.out, "kept %s\n", existingTags.c_str());
  } else if (o.haveCorporateName) {
    std::string tags = platform::JoinPath(RootPath, "META.TAG");
    SetSiteTagValues(o.corporateName, o.industry);
    if (WriteRootTags(tags) != 0) return Fail(c, "cannot write " + tags);
    std::fprintf(c.out, "created %s\n", tags.c_str());
  } else {
    std::fprintf(c.out,
                 "no root tree tags written: give --corporate-name and --industry to create %s\n",
                 platform::JoinPath(RootPath, "META.TAG").c_str());
  }
  return 0;
}
