// The page commands of tagsteward-cli: a document's tags as lines.
#include <string>

#include "app/cli_commands.h"
#include "app/cli_escape.h"
#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/paths.h"
#include "schema/schema.h"

int CmdTags(CliContext& c) {
  if (c.args.size() != 1) {
    std::fprintf(c.err, "tagsteward-cli: tags needs one FILE\n");
    return 2;
  }
  // Loading the schema changes the current directory: fix a relative path first.
  std::string path = c.args[0];
  if (path.empty() || path[0] != '/') path = platform::JoinPath(StartupPath, path);

  if (ReserveSchemaTables() != 0 || ReservePageTags() != 0) {
    std::fprintf(c.err, "tagsteward-cli: cannot reserve the tag tables (see Max Page Tags)\n");
    return 1;
  }
  if (LoadSchema() != 0) return 1;
  int rc = ReadPageTags(nullptr, path.c_str());
  if (rc == -2) return 3;
  if (rc != 0) return 1;
  for (int i = 0; i < Tagcount; ++i) {
    const TagRecord& tag = PageTags[i];
    std::fprintf(c.out, "%s\t%s\t%u\n", EscapeField(tag.name).c_str(),
                 EscapeField(tag.value).c_str(), static_cast<unsigned>(tag.flags & ~TF_KIND_MASK));
  }
  return 0;
}
