#include "app/cli.h"

#include "app/cli_commands.h"
#include "app/cli_preview.h"

#include <cstring>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/headless/headless_ui.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "schema/schema.h"

namespace {

constexpr const char* kUsage =
    "usage: tagsteward-cli [--config DIR] [--site NAME] [--yes] COMMAND\n"
    "\n"
    "Global options:\n"
    "  --config DIR   the configuration directory (holds META.INI); default: the current one\n"
    "  --site NAME    use that site for this run, without making it the current site\n"
    "  --yes          answer every question Yes\n"
    "\n"
    "Commands:\n"
    "  settings       print every setting of the current site as SECTION<TAB>KEY<TAB>VALUE\n"
    "  sites          print the names of the sites, one a line\n"
    "  site use NAME  make NAME the current site; status 1 for an unknown NAME\n"
    "  site add NAME --root DIR --url URL [--sitemap FILE] [--title-tag TAG]\n"
    "           [--sitemap-tag TAG]\n"
    "                 add a site (its other settings are copied from the current site, which\n"
    "                 stays current); status 1 for an empty or existing NAME or a root no task\n"
    "                 may walk, and nothing is written\n"
    "  site remove NAME\n"
    "                 remove a site after the question \"Confirm\" (No unless --yes; the last\n"
    "                 site is never removed); META.INI is kept as METABACK.INI\n"
    "  site set [--name NEW] [--root DIR] [--url URL] [--sitemap FILE] [--title-tag TAG]\n"
    "           [--sitemap-tag TAG]\n"
    "                 change the current site; a moved sitemap asks whether to move the old one\n"
    "                 (Yes with --yes), delete it or leave it (without --yes: leave it)\n"
    "  tags FILE      print the document's tags as NAME<TAB>VALUE<TAB>FLAGS (\\t \\r \\n \\\\\n"
    "                 stand for TAB, CR, LF, backslash); status 3 when it has no head\n"
    "  schema         print the schema dictionary as NAME<TAB>FLAGS<TAB>OPTIONS<TAB>SCHEME\n"
    "  set KEY VALUE  change one setting of section META or of the current site, checked as\n"
    "                 its dialog checks it; for an unknown key the nearest one is named\n"
    "  init --site NAME --root DIR --url URL [--corporate-name TEXT --industry TEXT]\n"
    "                 create META.INI, the default schema and the root tree tags of a new\n"
    "                 configuration\n"
    "  put FILE       make the NAME<TAB>VALUE lines of standard input the document's tags\n"
    "                 and save it (\\t \\r \\n \\\\ escape TAB, CR, LF, backslash)\n"
    "\n"
    "Site tasks (over the whole site, or with --branch DIR over one branch; --rules N (0-63)\n"
    "uses the business rules N for this run; questions are answered No unless --yes is given;\n"
    "Ctrl-C cancels before the next document; status 1 when a document failed):\n"
    "  inherit        inherit the tree tags into every document\n"
    "  migrate        link the inherited style sheet into every document\n"
    "  sort           sort the tags of every document\n"
    "  dedupe         delete duplicate tags from every document\n"
    "  delete-all     delete every tag of every document\n"
    "  search NAME [--value TEXT] [--ignore-case] [--report FILE] [--show]\n"
    "                 list the documents whose tags match in a report page\n"
    "  replace NAME --value TEXT --with TEXT\n"
    "                 replace the value TEXT of the tag NAME\n"
    "  delete NAME [--value TEXT]\n"
    "                 delete the tag NAME where its value contains TEXT\n"
    "  review         report documents due for review, and queue the notices\n"
    "  expiry         report expired documents, and queue the notices\n"
    "  sitemap        rebuild the list between the markers of the site's sitemap page\n"
    "  check [--branch DIR] [--json]\n"
    "                 report every document's schema problems; status 1 when there are any\n"
    "  events         list the timed events: NUMBER, SITE, RECORD and description\n"
    "  events add [--site NAME] (--monthly DAY | --weekly DAYNAME | --daily HH:MM |\n"
    "             --hourly MM) (--backup DIR | --batch FILE | --task NAME)\n"
    "                 add a timed event to a site\n"
    "  events remove NUMBER\n"
    "                 remove the timed event of that number\n"
    "\n"
    "Writing commands (inherit to delete, put and sitemap) take --dry-run: write nothing,\n"
    "print the path of each file the command would change, and with --diff a diff of it.\n"
    "\n"
    "  log [--date YYYYMMDD]\n"
    "                 print that day's audit log of the site (default today)\n"
    "  log --level 0|1\n"
    "                 switch informational logging off or on, as the log viewer does\n"
    "\n"
    "  timer [--once] [--at \"YYYY-MM-DD HH:MM\"]\n"
    "                 host the timer plug-in Timers.TSP of the start-up directory and run its\n"
    "                 events until killed; --once runs the events due this minute (or at the\n"
    "                 given minute) and ends; status 3 when there is no timer plug-in\n"
    "  diag           print the diagnostics: versions, plug-ins, site, memory and run time,\n"
    "                 then the addresses and values of the program's main variables\n";

struct Command {
  const char* name;
  int (*run)(CliContext& c);
  bool needsConfiguration;  // read META.INI first, as the program does at start-up
  int maxArgs;              // -1: the command checks its own arguments
};

// Add a command here; its function lives with the subsystem it drives.
const Command kCommands[] = {
    {"settings", CmdSettings, true, 0},
    {"sites", CmdSites, true, 0},
    {"site", CmdSite, true, -1},  // use, add, remove, set
    {"tags", CmdTags, true, 1},
    {"schema", CmdSchema, true, 0},
    {"init", CmdInit, false, -1},
    {"put", CmdPut, true, -1},
    {"inherit", CmdInherit, true, -1},
    {"migrate", CmdMigrate, true, -1},
    {"sort", CmdSort, true, -1},
    {"dedupe", CmdDedupe, true, -1},
    {"delete-all", CmdDeleteAll, true, -1},
    {"search", CmdSearch, true, -1},
    {"replace", CmdReplace, true, -1},
    {"delete", CmdDelete, true, -1},
    {"review", CmdReview, true, -1},
    {"expiry", CmdExpiry, true, -1},
    {"sitemap", CmdSitemap, true, 0},
    {"log", CmdLog, true, -1},
    {"set", CmdSet, true, -1},  // checks its own arguments
    {"check", CmdCheck, true, -1},
    {"timer", CmdTimer, true, -1},
    {"events", CmdEvents, true, -1},
    {"diag", CmdDiag, true, 0},
};

// The commands that write documents: they take --dry-run and --diff.
bool IsWritingCommand(const std::string& name) {
  static const char* const kWriting[] = {"inherit", "migrate", "sort", "dedupe", "delete-all",
                                         "replace", "delete",  "put",  "sitemap"};
  for (const char* w : kWriting)
    if (name == w) return true;
  return false;
}

struct Options {
  std::string configDir;
  std::string site;
  bool yes = false;
  std::string command;
  std::vector<std::string> rest;
};

int Usage(std::FILE* err, const std::string& problem) {
  if (!problem.empty()) std::fprintf(err, "tagsteward-cli: %s\n\n", problem.c_str());
  std::fputs(kUsage, err);
  return 2;
}

// Parses the global options and the command. Returns -1 when they are well formed, else the
// exit status.
int ParseOptions(const std::vector<std::string>& args, Options* o, std::FILE* out, std::FILE* err) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (o->command.empty()) {
      if (a == "--help" || a == "-h") {
        std::fputs(kUsage, out);
        return 0;
      }
      if (a == "--config" || a == "--site") {
        if (i + 1 >= args.size()) return Usage(err, a + " needs a value");
        (a == "--config" ? o->configDir : o->site) = args[++i];
        continue;
      }
      if (a == "--yes") {
        o->yes = true;
        continue;
      }
      if (a.size() > 1 && a[0] == '-') return Usage(err, "unknown option " + a);
      o->command = a;
    } else {
      o->rest.push_back(a);
    }
  }
  if (o->command.empty()) return Usage(err, "no command given");
  return -1;
}

// Finds the configuration and reads the settings as the program does at start-up.
int LoadConfiguration(const Options& o, std::FILE* err) {
  int rc = SetConfigLocation(o.configDir, err);
  if (rc != 0) return rc;
  SetSiteOverride(o.site);

  ReadEarlySettings();
  ReadSiteList(nullptr);
  if (ReadSettings(nullptr) == -1) return 1;
  if (!o.site.empty()) {
    for (int i = 0; i < ConfigCount; ++i)
      if (std::strcmp(ConfigIdx[i], o.site.c_str()) == 0) return 0;
    std::fprintf(err, "tagsteward-cli: there is no site \"%s\" in %s (see: tagsteward-cli sites)\n",
                 o.site.c_str(), gPluginContext.configFile);
    return 1;
  }
  return 0;
}

}  // namespace

int ReserveCliTables(CliContext& c, bool schema) {
  // One record is the staging slot: fewer than two leave no room for a tag.
  if (MaxPageTags < 2) {
    std::fprintf(c.err,
                 "tagsteward-cli: \"Max Page Tags\" = %d in section [META] of %s is not valid: "
                 "it must be at least 2 (the default is 64)\n",
                 MaxPageTags, gPluginContext.configFile);
    return 1;
  }
  if (schema && (ReserveSchemaTables() != 0 || LoadSchema() != 0)) {
    std::fprintf(c.err, "tagsteward-cli: the schema dictionary could not be loaded\n");
    return 1;
  }
  if (ReservePageTags() != 0) {
    std::fprintf(c.err,
                 "tagsteward-cli: \"Max Page Tags\" = %d in section [META] of %s is too large: "
                 "the page tag table cannot be reserved; choose a lower value\n",
                 MaxPageTags, gPluginContext.configFile);
    return 1;
  }
  return 0;
}

int SetConfigLocation(const std::string& configDir, std::FILE* err) {
  std::string cwd;
  if (platform::Fs().CurrentDir(&cwd) != 0) {
    // A directory removed under us: an absolute --config still says where to work.
    if (configDir.empty() || configDir[0] != '/') {
      std::fprintf(err, "tagsteward-cli: cannot read the current directory: %s\n",
                   platform::LastErrorText().c_str());
      return 1;
    }
    cwd = configDir;
  }
  std::string dir = configDir.empty() ? cwd : configDir;
  if (dir[0] != '/') dir = platform::JoinPath(cwd, dir);
  while (dir.size() > 1 && dir.back() == '/')
    dir.pop_back();
  if (dir.size() >= sizeof IniPath) {
    std::fprintf(err, "tagsteward-cli: the configuration directory path is too long\n");
    return 1;
  }
  if (!platform::DirExists(dir)) {
    std::fprintf(err, "tagsteward-cli: the configuration directory %s does not exist\n",
                 dir.c_str());
    return 1;
  }
  ResetSettings();
  platform::CopyText(StartupPath, cwd);
  platform::CopyText(IniPath, dir);
  gPluginContext.internalVersion = TS_CONTEXT_VERSION;
  platform::CopyText(gPluginContext.configFile, IniFilePath());
  gPluginContext.currentSite = CurrentConfig;
  gPluginContext.rootPath = RootPath;
  gPluginContext.startupPath = StartupPath;
  return 0;
}

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  Options o;
  int rc = ParseOptions(args, &o, out, err);
  if (rc >= 0) return rc;

  const Command* command = nullptr;
  for (const Command& c : kCommands)
    if (o.command == c.name) command = &c;
  if (!command) return Usage(err, "unknown command " + o.command);
  bool dryRun = false, diff = false;
  if (IsWritingCommand(o.command) && !TakePreviewOptions(&o.rest, &dryRun, &diff))
    return Usage(err, "--diff needs --dry-run");
  if (command->maxArgs >= 0 && o.rest.size() > static_cast<size_t>(command->maxArgs))
    return Usage(err, "too many arguments for " + o.command);

  platform::SetUiBackend(nullptr);  // the headless backend answers every box
  platform::HeadlessUi& ui = platform::DefaultHeadlessUi();
  ui.SetEcho(err);
  ui.SetAnswerYes(o.yes);
  if (command->needsConfiguration) {
    rc = LoadConfiguration(o, err);
    if (rc != 0) return rc;
  }
  CliContext context{o.rest, o.yes, o.site, out, err};
  context.configDir = o.configDir;
  if (!dryRun) return command->run(context);
  StartPreview(out, diff);
  rc = command->run(context);
  EndPreview();
  return rc;
}
