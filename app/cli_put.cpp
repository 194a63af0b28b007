// tagsteward-cli put: makes NAME<TAB>VALUE lines the tags of a document and saves it.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_escape.h"
#include "engine/doc_tally.h"
#include "engine/head_reader.h"
#include "engine/page_ops.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "schema/schema.h"

namespace {

// Reads one line without its LF (and a CR before it, which a raw field never holds: it is
// written "\r"). False at the end of the input.
bool ReadLine(std::FILE* in, std::string* line) {
  line->clear();
  int ch;
  bool any = false;
  while ((ch = std::fgetc(in)) != EOF) {
    any = true;
    if (ch == '\n') break;
    line->push_back(static_cast<char>(ch));
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return any;
}

}  // namespace

int CmdPut(CliContext& c) {
  if (c.args.size() != 1) {
    std::fprintf(c.err, "tagsteward-cli: put needs the document: put FILE\n");
    return 2;
  }
  // Loading the schema changes the current directory: fix the document's path first.
  std::string path = c.args[0];
  if (path.empty() || path[0] != '/') {
    std::string cwd;
    if (platform::Fs().CurrentDir(&cwd) != 0) {
      std::fprintf(c.err, "tagsteward-cli: cannot read the current directory: %s\n",
                   platform::LastErrorText().c_str());
      return 1;
    }
    path = platform::JoinPath(cwd, path);
  }
  // Only an existing document is rewritten; the rewrite would report a missing one as a work
  // file it could not open.
  platform::FileInfo info;
  if (platform::Fs().Stat(path, &info) != 0) {
    std::fprintf(c.err, "tagsteward-cli: %s: %s: nothing written\n", path.c_str(),
                 platform::LastErrorText().c_str());
    return 1;
  }
  if (!info.isRegular) {
    std::fprintf(c.err, "tagsteward-cli: %s is not a regular file: nothing written\n",
                 path.c_str());
    return 1;
  }
  if (ReserveCliTables(c, true) != 0) return 1;

  // A tag the document already has keeps the attribute kind it has there (a name= viewport
  // stays name=); only a new one takes the kind the markup options choose.
  std::map<std::string, uint32_t> kinds;
  if (ReadPageTags(nullptr, path.c_str()) == 0)
    for (int i = Tagcount - 1; i >= 0; --i)  // the first of a name wins
      if (PageTags[i].flags & TF_KIND_MASK)
        kinds[PageTags[i].name] = PageTags[i].flags & TF_KIND_MASK;

  ResetPageTags();
  std::string line, name, value;
  for (int number = 1; ReadLine(c.in, &line); ++number) {
    if (line.empty()) continue;
    size_t tab = line.find('\t');
    if (tab == std::string::npos || !UnescapeField(line.substr(0, tab), &name) ||
        !UnescapeField(line.substr(tab + 1), &value)) {
      std::fprintf(c.err, "tagsteward-cli: line %d is not NAME<TAB>VALUE: nothing written\n",
                   number);
      return 1;
    }
    // A longer name or value would be cut into another tag.
    const struct {
      const char* what;
      const std::string& text;
      size_t width;
    } fields[] = {{"name", name, sizeof(TagRecord::name)},
                  {"value", value, sizeof(TagRecord::value)}};
    for (const auto& f : fields) {
      if (f.text.size() < f.width) continue;
      std::fprintf(c.err,
                   "tagsteward-cli: line %d: the tag %s is %zu bytes long, at most %zu fit: "
                   "nothing written\n",
                   number, f.what, f.text.size(), f.width - 1);
      return 1;
    }
    int i = FindSchemaTag(name.c_str());
    auto kind = kinds.find(name);
    uint32_t flags = (i >= 0 ? SchemaIndex[i].flags : 0) | (kind != kinds.end() ? kind->second : 0);
    if (AppendPageTag(name.c_str(), value.c_str(), flags) != 0) {
      std::fprintf(c.err, "tagsteward-cli: more than %d tags (Max Page Tags): nothing written\n",
                   PageTagCapacity());
      return 1;
    }
  }
  if (std::ferror(c.in)) {
    std::fprintf(c.err, "tagsteward-cli: error reading the tags: nothing written\n");
    return 1;
  }
  ResetDocumentTally();
  int rc = SavePage(nullptr, path.c_str());
  if (rc == -2)
    std::fprintf(c.err, "tagsteward-cli: %s has no head: nothing written\n", path.c_str());
  // The rewrite counted the document; a refusal before it (the mandatory tags) did not.
  if (gTally.changed + gTally.unchanged + gTally.skipped + gTally.failed > 0)
    std::fprintf(c.err, "%s\n", DocumentTallySummary().c_str());
  return rc == 0 ? 0 : 1;
}
