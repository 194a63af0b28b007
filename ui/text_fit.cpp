#include "ui/text_fit.h"

#include <vector>

#include "platform/text.h"

using namespace platform;

namespace {

// Byte offsets where a character starts, and the end.
std::vector<size_t> CharacterStarts(std::string_view text, bool utf8) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i)
    if (!utf8 || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  starts.push_back(text.size());
  return starts;
}

}  // namespace

std::string ElideMiddle(Canvas& dc, std::string_view text, const FontDescription& font,
                        int maxWidth) {
  if (dc.TextWidth(text, font) <= maxWidth) return std::string(text);
  const bool utf8 = IsValidUtf8(text);
  const std::string_view mark = utf8 ? "\xE2\x80\xA6" : "...";
  const std::vector<size_t> starts = CharacterStarts(text, utf8);
  const size_t characters = starts.size() - 1;
  auto shortened = [&](size_t kept) {
    // The end of a path says most: it keeps the larger half.
    const size_t head = kept / 2, tail = kept - head;
    std::string out(text.substr(0, starts[head]));
    out += mark;
    out += text.substr(starts[characters - tail]);
    return out;
  };
  size_t lo = 0, hi = characters;  // the most characters that fit lies in [lo, hi)
  while (lo + 1 < hi) {
    const size_t mid = (lo + hi) / 2;
    if (dc.TextWidth(shortened(mid), font) <= maxWidth)
      lo = mid;
    else
      hi = mid;
  }
  return shortened(lo);
}

void DrawFitted(Canvas& dc, Point origin, std::string_view text, const TextStyle& style,
                int maxWidth) {
  dc.Text(origin, ElideMiddle(dc, text, style.font, maxWidth), style);
}

void DrawWithHalo(Canvas& dc, Point origin, std::string_view text, const TextStyle& style,
                  Colour halo) {
  TextStyle around = style;
  around.colour = halo;
  around.transparent = true;
  for (Point d : {Point{-1, 0}, Point{1, 0}, Point{0, -1}, Point{0, 1}})
    dc.Text({origin.x + d.x, origin.y + d.y}, text, around);
  dc.Text(origin, text, style);
}
