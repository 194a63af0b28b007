// The page commands of tagsteward-cli: a document's tags as lines.
#include <string>

#include "app/cli_commands.h"
#include "app/cli_escape.h"
#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/paths.h"

int CmdTags(CliContext& c) {
  if (c.args.size() != 1) {
    std::fprintf(c.err, "tagsteward-cli: tags needs one FILE\n");
    return 2;
  }
  // Loading the schema changes the current directory: fix a relative path first.
  std::string path = c.args[0];
  if (path.empty() || path[0] != '/') path = platform::JoinPath(StartupPath, path);

  // The reader would only say it could not read a directory.
  platform::FileInfo info;
  if (platform::Fs().Stat(path, &info) == 0 && !info.isRegular) {
    std::fprintf(c.err, "tagsteward-cli: %s is not a regular file\n", path.c_str());
    return 1;
  }
  if (ReserveCliTables(c, true) != 0) return 1;
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
