// tagsteward-cli check: the schema problems of every document, for a CI pipeline.
#include <nlohmann/json.hpp>

#include <string>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "config/site_paths.h"
#include "platform/paths.h"
#include "tree/site_check.h"

namespace {

struct Output {
  std::FILE* out;
  bool json;
  // The JSON text of the last document's path: a document's problems are reported together.
  std::string lastPath;
  std::string pathJson;
  nlohmann::json text = "";  // reused for every string put into JSON
};

// s as a JSON string. Documents, tags and values are bytes in the site's encoding: invalid UTF-8
// is replaced, never a reason to stop.
std::string JsonString(Output& o, std::string_view s) {
  o.text.get_ref<std::string&>().assign(s);
  return o.text.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintProblem(void* context, const std::string& path, CheckProblem problem,
                  std::string_view tag, std::string_view value) {
  Output& o = *static_cast<Output*>(context);
  if (o.json) {
    // One object a line, its members in the order the library writes an object's.
    if (path != o.lastPath) {
      o.lastPath = path;
      o.pathJson = JsonString(o, path);
    }
    std::fprintf(o.out, "{\"document\":%s,\"problem\":%s,\"tag\":%s,\"value\":%s}\n",
                 o.pathJson.c_str(), JsonString(o, CheckProblemName(problem)).c_str(),
                 JsonString(o, tag).c_str(), JsonString(o, value).c_str());
    return;
  }
  std::fprintf(o.out, "%s: %s", path.c_str(), CheckProblemName(problem));
  if (!tag.empty()) std::fprintf(o.out, " %.*s", static_cast<int>(tag.size()), tag.data());
  if (!value.empty())
    std::fprintf(o.out, " \"%.*s\"", static_cast<int>(value.size()), value.data());
  std::fputc('\n', o.out);
}

}  // namespace

int CmdCheck(CliContext& c) {
  std::string branch;
  bool json = false;
  for (size_t i = 0; i < c.args.size(); ++i) {
    if (c.args[i] == "--json") {
      json = true;
    } else if (c.args[i] == "--branch" && i + 1 < c.args.size()) {
      branch = c.args[++i];
    } else {
      std::fprintf(c.err, "tagsteward-cli: check [--branch DIR] [--json]\n");
      return 2;
    }
  }
  // Loading the schema changes the current directory: a relative branch is the caller's.
  if (!branch.empty() && branch[0] != '/') branch = platform::JoinPath(StartupPath, branch);
  if (ReserveCliTables(c, true) != 0) return 2;
  if (branch.empty() ? CheckSiteRoot(nullptr) != 0 : CheckBranch(nullptr, branch) != 0) return 2;

  Output o{c.out, json, {}, {}, ""};
  CheckTally t = CheckTree(branch.empty() ? RootPath : branch, PrintProblem, &o);
  std::fprintf(c.err, "%d documents checked: %d problems in %d documents\n", t.documents,
               t.problems, t.documentsWithProblems);
  if (t.unreadableDirectories)
    std::fprintf(c.err, "%d directories could not be read\n", t.unreadableDirectories);
  return t.problems || t.unreadableDirectories ? 1 : 0;
}
