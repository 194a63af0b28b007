// Text that must fit its place: long paths and values are shortened in the middle.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui_canvas.h"

// text as it fits maxWidth pixels in font: whole, or its start and end around an ellipsis ("…"
// for UTF-8 text, "..." for text in a single-byte encoding), never cutting a character.
std::string ElideMiddle(platform::Canvas& dc, std::string_view text,
                        const platform::FontDescription& font, int maxWidth);

// Draws text at origin shortened to maxWidth pixels.
void DrawFitted(platform::Canvas& dc, platform::Point origin, std::string_view text,
                const platform::TextStyle& style, int maxWidth);

// Draws text at origin with a one-pixel halo in halo around it, so it stays readable over both
// a dark and a light background.
void DrawWithHalo(platform::Canvas& dc, platform::Point origin, std::string_view text,
                  const platform::TextStyle& style, platform::Colour halo);
