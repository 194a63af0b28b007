// The summary of settings shown in the main window instead of the editor rows.
#pragma once

#include "platform/ui.h"

// Hides (show 1) or shows (show 0) the editor rows as if showworking were 1, repaints the main
// window, and returns show.
int ToggleSummary(int show);
// Paints the summary of the current site's settings.
void DrawSummary(platform::Canvas& dc, const platform::FontDescription& titleFont,
                 const platform::FontDescription& workingFont);
