// tagsteward-cli site use|add|remove|set: the site list without a window, through the same code
// as the Sites and Site Configuration dialogs.
#include <map>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "config/sites.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

constexpr const char* kSiteUsage =
    "usage: tagsteward-cli site use NAME\n"
    "       tagsteward-cli site add NAME --root DIR --url URL [--sitemap FILE] [--title-tag TAG]\n"
    "                               [--sitemap-tag TAG]\n"
    "       tagsteward-cli site remove NAME\n"
    "       tagsteward-cli site set [--name NEW] [--root DIR] [--url URL] [--sitemap FILE]\n"
    "                               [--title-tag TAG] [--sitemap-tag TAG] [--xml-sitemap FILE]\n"
    "                               (--xml-sitemap \"\" writes no XML sitemap)\n";

using Flags = std::map<std::string, std::string>;

int SiteUsage(CliContext& c, const std::string& problem) {
  std::fprintf(c.err, "tagsteward-cli site: %s\n\n%s", problem.c_str(), kSiteUsage);
  return 2;
}

// Reads "--flag VALUE" pairs from args[from] on. -1 when well formed, else the exit status.
int ParseFlags(CliContext& c, size_t from, std::initializer_list<const char*> allowed,
               Flags* flags) {
  for (size_t i = from; i < c.args.size(); ++i) {
    const std::string& a = c.args[i];
    bool known = false;
    for (const char* name : allowed)
      known = known || a == name;
    if (!known) return SiteUsage(c, "unknown argument " + a);
    if (i + 1 >= c.args.size()) return SiteUsage(c, a + " needs a value");
    (*flags)[a] = c.args[++i];
  }
  return -1;
}

std::string Flag(const Flags& flags, const char* name, const std::string& otherwise) {
  auto it = flags.find(name);
  return it == flags.end() ? otherwise : it->second;
}

// Relative paths are taken from the directory the command was started in.
std::string Absolute(const std::string& path) {
  return path.empty() || path[0] == '/' ? path : platform::JoinPath(StartupPath, path);
}

// The site's name as the list spells it, or "" after telling err which sites there are.
std::string KnownSite(CliContext& c, const std::string& name) {
  int index = FindSite(name);
  if (index >= 0) return ConfigIdx[index];
  std::string names;
  for (int i = 0; i < ConfigCount; ++i)
    names += (i ? ", " : "") + std::string(ConfigIdx[i]);
  std::fprintf(c.err, "tagsteward-cli: there is no site \"%s\"; the sites are: %s\n", name.c_str(),
               names.c_str());
  return "";
}

int Use(CliContext& c) {
  if (c.args.size() != 2) return SiteUsage(c, "site use needs one NAME");
  std::string site = KnownSite(c, c.args[1]);
  if (site.empty()) return 1;
  platform::CopyText(CurrentConfig, site);
  if (SwitchSite(nullptr) != 0) return 1;
  std::fprintf(c.out, "current site: %s\n", CurrentConfig);
  return 0;
}

int Add(CliContext& c) {
  if (c.args.size() < 2 || c.args[1].rfind("--", 0) == 0)
    return SiteUsage(c, "site add needs a NAME");
  Flags flags;
  int rc =
      ParseFlags(c, 2, {"--root", "--url", "--sitemap", "--title-tag", "--sitemap-tag"}, &flags);
  if (rc >= 0) return rc;
  if (!flags.count("--root") || !flags.count("--url"))
    return SiteUsage(c, "--root and --url are required");
  SiteIdentity site{
      c.args[1],
      Absolute(flags["--root"]),
      flags["--url"],
      Absolute(Flag(flags, "--sitemap", "")),
      Flag(flags, "--title-tag", FindSettingKey(KeySection::Site, "TitleTag")->defaultText),
      Flag(flags, "--sitemap-tag", FindSettingKey(KeySection::Site, "OverwriteTag")->defaultText)};
  if (StoreSiteIdentity(nullptr, "", site, false) != 0) return 1;
  std::fprintf(c.out, "added site %s (the current site is still %s)\n", site.name.c_str(),
               CurrentConfig);
  return 0;
}

int Remove(CliContext& c) {
  if (c.args.size() != 2) return SiteUsage(c, "site remove needs one NAME");
  std::string site = KnownSite(c, c.args[1]);
  if (site.empty()) return 1;
  if (RemoveSite(nullptr, site) != 0) return 1;
  std::fprintf(c.out, "removed site %s; the current site is %s\n", site.c_str(), CurrentConfig);
  return 0;
}

int Set(CliContext& c) {
  Flags flags;
  int rc = ParseFlags(
      c, 1,
      {"--name", "--root", "--url", "--sitemap", "--title-tag", "--sitemap-tag", "--xml-sitemap"},
      &flags);
  if (rc >= 0) return rc;
  if (flags.empty()) return SiteUsage(c, "site set needs at least one setting");
  if (flags.count("--xml-sitemap")) {
    std::string xml = Absolute(flags["--xml-sitemap"]);
    if (xml.size() >= sizeof XmlSitemapFile) {
      std::fprintf(c.err, "tagsteward-cli: the XML sitemap path is too long\n");
      return 1;
    }
    if (!xml.empty() && xml == Absolute(Flag(flags, "--sitemap", Sitemapfile))) {
      std::fprintf(c.err, "tagsteward-cli: the XML sitemap cannot be the sitemap page\n");
      return 1;
    }
    platform::CopyText(XmlSitemapFile, xml);
  }
  const std::string edited = CurrentConfig;
  SiteIdentity site{
      Flag(flags, "--name", edited),        Absolute(Flag(flags, "--root", RootPath)),
      Flag(flags, "--url", SiteURL),        Absolute(Flag(flags, "--sitemap", Sitemapfile)),
      Flag(flags, "--title-tag", TitleTag), Flag(flags, "--sitemap-tag", OverwriteTag)};
  rc = StoreSiteIdentity(nullptr, edited, site, true);
  if (rc == -1) return 1;
  std::fprintf(c.out, "site %s %s\n", CurrentConfig, rc == 0 ? "saved" : "saved with errors");
  return rc == 0 ? 0 : 1;
}

}  // namespace

int CmdSite(CliContext& c) {
  // Each subcommand names its site itself; "site set" works on the current one.
  if (!c.site.empty()) return SiteUsage(c, "--site does not apply to the site commands");
  const std::string sub = c.args.empty() ? "" : c.args[0];
  if (sub == "use") return Use(c);
  if (sub == "add") return Add(c);
  if (sub == "remove") return Remove(c);
  if (sub == "set") return Set(c);
  return SiteUsage(c, sub.empty() ? "no subcommand given" : "unknown subcommand " + sub);
}
