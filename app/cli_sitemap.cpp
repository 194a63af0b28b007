// tagsteward-cli sitemap: the command "Update the sitemap" without a window.
#include "app/cli_commands.h"
#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "schema/schema.h"
#include "sitemap/sitemap.h"

int CmdSitemap(CliContext&) {
  if (ReserveSchemaTables() != 0 || ReservePageTags() != 0) return 1;
  if (LoadSchema() != 0) return 1;
  // As after the program's start-up: the context's current path is the site's root.
  platform::CopyText(gPluginContext.rootCopy, RootPath);
  return UpdateSitemapCommand(nullptr) == 0 ? 0 : 1;
}
