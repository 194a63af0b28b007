// The size the desktop program is drawn at, a per-user choice kept outside META.INI.
#pragma once

constexpr int kZoomLevels[] = {100, 125, 150, 200};

// The zoom the user chose, in percent, or 0 when none was stored (or the file is not one of
// kZoomLevels). Kept in UserConfigHome()/display.ini as "Zoom=<percent>".
int StoredZoom();
// Stores a zoom of kZoomLevels (creating the directory). 0, or -1 when it cannot be written or
// is not one of them.
int StoreZoom(int percent);
// The zoom a first start proposes for a screen so many pixels wide: 150 from 1600 on, else 100.
int ProposedZoom(int screenWidth);
