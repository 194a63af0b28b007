// The diagnostics of tagsteward-cli: what the diagnostics window shows, as text.
#include "app/cli_commands.h"
#include "config/settings.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "ui/diagnostics.h"

int CmdDiag(CliContext& c) {
  platform::PrepareSystemFigures();
  // As at the end of the desktop's start-up: the context holds the current site's root.
  platform::CopyText(gPluginContext.rootCopy, RootPath);
  for (auto lines : {DiagnosticSummaryLines, DiagnosticLiveLines, DiagnosticVariableLines})
    for (const std::string& line : lines())
      std::fprintf(c.out, "%s\n", line.c_str());
  return 0;
}
