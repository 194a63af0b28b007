// The pictures the program draws for itself: each is computed from a few shapes and a
// deterministic noise, so every run and every machine gets the same pixels. ui/resources.cpp
// keeps them under their resource ids and names; nothing else needs these directly.
#pragma once

#include <string_view>

#include "platform/ui_canvas.h"

namespace images {

// One of the five skins "MARBLE", "PLAIN", "GRITTY", "MOTTLED", "STRIPED" (matched without
// regard to case): 400 x 80, five seamless 80 x 80 tiles, each column its own light tint.
// Empty for any other name.
platform::Bitmap Skin(std::string_view name);

// The logo pair, 85 x 85. Drawn with OR first and AND second at the same place, the emblem
// appears over any background: the OR half is white on the emblem and black around it, the AND
// half the emblem's colours on the emblem and white around it.
platform::Bitmap LogoOrMask();
platform::Bitmap LogoAndImage();

// The editor's button images: nine cells of 60 x 34 in two rows (540 x 68); row 0 enabled,
// row 1 disabled; cells Add Tag, Tidy, Sort, Inherit, Save, View Page, Source, SiteMap (the open
// page is the sitemap page), SiteMap (any other page).
platform::Bitmap ButtonStrip();

// The 10 x 10 attribute marks of the editor rows: 138 mandatory, 139 duplicates allowed, 140 date,
// 142 options. Empty for any other id.
platform::Bitmap AttributeMark(int id);

// The overlay laid over the editor fields: 287 x 15, white at the top shading to a pale blue.
platform::Bitmap FieldOverlay();

// The splash picture, 640 x 480, dark at the top right where the version text goes.
platform::Bitmap Splash();
// The about box picture, 64 x 74.
platform::Bitmap AboutPicture();
// The picture behind the about box's hidden lines, 240 x 160.
platform::Bitmap HiddenAboutPicture();
// Expert bar cells, 16 x 16: close, and the Site Tasks menu.
platform::Bitmap CloseCell();
platform::Bitmap SiteTasksCell();
// The program icon at size x size pixels (16 for "SMALL", 32 for "Tagsteward").
platform::Bitmap Icon(int size);

}  // namespace images
