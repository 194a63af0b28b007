// tagsteward-cli sitemap: the command "Update the sitemap" without a window.
#include "app/cli_commands.h"
#include "config/settings.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "sitemap/sitemap.h"

int CmdSitemap(CliContext& c) {
  if (ReserveCliTables(c, true) != 0) return 1;
  // As after the program's start-up: the context's current path is the site's root.
  platform::CopyText(gPluginContext.rootCopy, RootPath);
  return UpdateSitemapCommand(nullptr) == 0 ? 0 : 1;
}
