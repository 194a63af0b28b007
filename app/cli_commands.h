// The commands of tagsteward-cli, each in the file of the subsystem it drives.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct CliContext {
  std::vector<std::string> args;  // the command's own arguments
  bool yes = false;               // --yes given
  std::string site;               // --site value, or empty
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  std::FILE* in = stdin;       // where a command reads its input
  std::string configDir = "";  // --config value, or empty
};

// Every command returns the process's exit status.
int CmdSettings(CliContext& c);
int CmdSites(CliContext& c);
int CmdSite(CliContext& c);  // site use|add|remove|set
int CmdSet(CliContext& c);
int CmdTags(CliContext& c);
int CmdSchema(CliContext& c);
int CmdInit(CliContext& c);
int CmdPut(CliContext& c);
// Site and branch tasks.
int CmdInherit(CliContext& c);
int CmdMigrate(CliContext& c);
int CmdSort(CliContext& c);
int CmdDedupe(CliContext& c);
int CmdDeleteAll(CliContext& c);
int CmdSearch(CliContext& c);
int CmdReplace(CliContext& c);
int CmdDelete(CliContext& c);
int CmdReview(CliContext& c);
int CmdExpiry(CliContext& c);
int CmdSitemap(CliContext& c);
int CmdLog(CliContext& c);
int CmdCheck(CliContext& c);  // check [--branch DIR] [--json]
int CmdTimer(CliContext& c);  // timer [--once] [--at "YYYY-MM-DD HH:MM"]
int CmdEvents(CliContext& c);  // events [add ...|remove NUMBER]
int CmdDiag(CliContext& c);

// Reserves the schema tables (schema: also loads the dictionary) and the page tag table. 0, or 1
// after telling err which setting to change ("Max Page Tags" with its value).
int ReserveCliTables(CliContext& c, bool schema);

// Sets StartupPath (the current directory), IniPath (configDir or the current directory) and
// the plug-in context's paths, with every setting at its default. 0, or 1 after telling err.
int SetConfigLocation(const std::string& configDir, std::FILE* err);
