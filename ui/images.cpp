#include "ui/images.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/text.h"

using platform::Bitmap;
using platform::Colour;
using platform::Rgb;

namespace images {

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- A small raster with coverage blending --------------------------------------------------

struct Image {
  int w = 0;
  int h = 0;
  std::vector<Colour> px;
  Image(int width, int height, Colour fill) : w(width), h(height), px(width * height, fill) {}
  Colour Get(int x, int y) const { return px[y * w + x]; }
  void Set(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < w && y < h) px[y * w + x] = c;
  }
  Bitmap ToBitmap(std::string name) && {
    Bitmap b;
    b.name = std::move(name);
    b.width = w;
    b.height = h;
    b.pixels = std::move(px);
    return b;
  }
};

unsigned Channel(double v) {
  return static_cast<unsigned>(std::clamp(std::lround(v), 0L, 255L));
}

// a when t = 0, b when t = 1.
Colour Mix(Colour a, Colour b, double t) {
  return Rgb(
      Channel(platform::RedOf(a) + (double(platform::RedOf(b)) - platform::RedOf(a)) * t),
      Channel(platform::GreenOf(a) + (double(platform::GreenOf(b)) - platform::GreenOf(a)) * t),
      Channel(platform::BlueOf(a) + (double(platform::BlueOf(b)) - platform::BlueOf(a)) * t));
}

// Every channel multiplied by f.
Colour Shade(Colour c, double f) {
  return Rgb(Channel(platform::RedOf(c) * f), Channel(platform::GreenOf(c) * f),
             Channel(platform::BlueOf(c) * f));
}

void Blend(Image& img, int x, int y, Colour c, double alpha) {
  if (x < 0 || y < 0 || x >= img.w || y >= img.h || alpha <= 0) return;
  img.Set(x, y, alpha >= 1 ? c : Mix(img.Get(x, y), c, alpha));
}

using Inside = std::function<bool(double x, double y)>;

// Paints c where inside holds, in the pixels of the box (x0, y0)-(x1, y1), each pixel weighted
// by the share of its 4 x 4 sample points inside. With hard edges a pixel is either painted or
// not (at half coverage), for pictures that are combined by AND and OR.
void FillShape(Image& img, int x0, int y0, int x1, int y1, const Inside& inside, Colour c,
               bool hardEdges = false) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, img.w);
  y1 = std::min(y1, img.h);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
      const double cover = hits / 16.0;
      if (hardEdges) {
        if (cover >= 0.5) img.Set(x, y, c);
      } else {
        Blend(img, x, y, c, cover);
      }
    }
  }
}

void FillRect(Image& img, int x0, int y0, int x1, int y1, Colour c) {
  for (int y = std::max(y0, 0); y < std::min(y1, img.h); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, img.w); ++x)
      img.Set(x, y, c);
}

// A rectangle outline one pixel wide, inside (x0, y0)-(x1, y1).
void FrameRect(Image& img, int x0, int y0, int x1, int y1, Colour c) {
  FillRect(img, x0, y0, x1, y0 + 1, c);
  FillRect(img, x0, y1 - 1, x1, y1, c);
  FillRect(img, x0, y0, x0 + 1, y1, c);
  FillRect(img, x1 - 1, y0, x1, y1, c);
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = ax + t * dx - px, ey = ay + t * dy - py;
  return std::sqrt(ex * ex + ey * ey);
}

// A line of the given width with round ends.
void Stroke(Image& img, double ax, double ay, double bx, double by, double width, Colour c) {
  const double r = width / 2;
  FillShape(
      img, int(std::floor(std::min(ax, bx) - r)), int(std::floor(std::min(ay, by) - r)),
      int(std::ceil(std::max(ax, bx) + r)) + 1, int(std::ceil(std::max(ay, by) + r)) + 1,
      [&](double x, double y) { return SegmentDistance(x, y, ax, ay, bx, by) <= r; }, c);
}

void Disc(Image& img, double cx, double cy, double r, Colour c) {
  FillShape(
      img, int(cx - r) - 1, int(cy - r) - 1, int(cx + r) + 2, int(cy + r) + 2,
      [&](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, c);
}

void Ring(Image& img, double cx, double cy, double r, double width, Colour c) {
  FillShape(
      img, int(cx - r - width) - 1, int(cy - r - width) - 1, int(cx + r + width) + 2,
      int(cy + r + width) + 2,
      [&](double x, double y) {
        const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
        return std::abs(d - r) <= width / 2;
      },
      c);
}

// ---- Noise that repeats every 80 pixels ------------------------------------------------------

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  h *= 0x27D4EB2Du;
  h ^= h >> 16;
  return h;
}

double Unit(std::uint32_t h) {
  return h / 4294967296.0;
}

constexpr int kTile = 80;

// Value noise on a lattice of cells x cells over one tile; it wraps at the tile's edges, so the
// tile repeats without a seam. cells divides 80.
double TileNoise(double x, double y, int cells, std::uint32_t seed) {
  const double size = double(kTile) / cells;
  const double gx = x / size, gy = y / size;
  const int ix = int(std::floor(gx)), iy = int(std::floor(gy));
  double fx = gx - ix, fy = gy - iy;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  auto at = [&](int i, int j) {
    const int wi = ((i % cells) + cells) % cells, wj = ((j % cells) + cells) % cells;
    return Unit(Hash(wi, wj, seed));
  };
  const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * fx;
  const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * fx;
  return top + (bottom - top) * fy;
}

// A few octaves of TileNoise, 0 to 1.
double TileFractal(double x, double y, std::uint32_t seed) {
  return 0.5 * TileNoise(x, y, 4, seed) + 0.3 * TileNoise(x, y, 8, seed + 1) +
         0.2 * TileNoise(x, y, 16, seed + 2);
}

// ---- Skins -----------------------------------------------------------------------------------

// One light tint for each skin column: the main window, the lists and choosers, the site
// settings, the about box, the search dialogs.
constexpr std::array<Colour, 5> kColumnTints = {
    Rgb(238, 232, 216), Rgb(222, 232, 242), Rgb(224, 238, 224),
    Rgb(234, 226, 242), Rgb(246, 228, 212),
};

// The brightness factor of each texture at (x, y) of a tile.
double MarbleAt(int x, int y, std::uint32_t seed) {
  const double t = TileFractal(x, y, seed);
  // The phase repeats every 80 pixels in x and in y, so the veins cross the seams unbroken.
  const double phase = 2 * kPi * (x + 2.0 * y) / kTile + 7.0 * t;
  const double vein = std::pow(1 - std::abs(std::sin(phase)), 10);
  return 1.02 - 0.04 * t - 0.13 * vein;
}

double GrittyAt(int x, int y, std::uint32_t seed) {
  const double grain = Unit(Hash(x, y, seed));
  const double speck = Unit(Hash(x, y, seed + 7)) < 0.025 ? 0.08 : 0.0;
  return 1.01 - 0.07 * grain - speck;
}

double MottledAt(int x, int y, std::uint32_t seed) {
  const double t = 0.6 * TileNoise(x, y, 4, seed) + 0.4 * TileNoise(x, y, 8, seed + 3);
  return 0.93 + 0.10 * t;
}

double StripedAt(int x, int y, std::uint32_t) {
  // Four stripes a tile along the diagonal.
  const double s = 0.5 + 0.5 * std::sin(2 * kPi * (x + y) / 20.0);
  return 0.965 + 0.05 * s * s;
}

double PlainAt(int, int, std::uint32_t) {
  return 1.0;
}

// ---- The emblem: a tag with a hole and a "T" --------------------------------------------------

struct EmblemParts {
  bool any = false;  // inside the emblem at all
  Colour colour = 0;
};

constexpr std::array<std::array<double, 2>, 5> kTagCorners = {{
    {0.04, 0.50},
    {0.30, 0.14},
    {0.96, 0.14},
    {0.96, 0.86},
    {0.30, 0.86},
}};

// The smallest distance from (u, v) to the tag's edges, negative outside (the tag is convex).
double TagDepth(double u, double v) {
  double depth = 1e9;
  for (size_t i = 0; i < kTagCorners.size(); ++i) {
    const auto& a = kTagCorners[i];
    const auto& b = kTagCorners[(i + 1) % kTagCorners.size()];
    const double ex = b[0] - a[0], ey = b[1] - a[1];
    const double len = std::sqrt(ex * ex + ey * ey);
    // Corners run clockwise on screen, so the inside is to the right of each edge.
    const double d = ((u - a[0]) * ey - (v - a[1]) * ex) / len;
    depth = std::min(depth, -d);
  }
  return depth;
}

constexpr Colour kEmblemEdge = Rgb(18, 74, 68);
constexpr Colour kEmblemBody = Rgb(40, 142, 128);
constexpr Colour kEmblemBodyLow = Rgb(30, 112, 102);
constexpr Colour kEmblemLetter = Rgb(252, 250, 238);

// What the emblem shows at (u, v) of its unit square.
EmblemParts EmblemAt(double u, double v) {
  EmblemParts p;
  const double depth = TagDepth(u, v);
  if (depth < 0) return p;
  const double hx = u - 0.24, hy = v - 0.5;
  const double hole = std::sqrt(hx * hx + hy * hy);
  if (hole < 0.065) return p;  // the background shows through the hole
  p.any = true;
  if (depth < 0.045 || hole < 0.10) {
    p.colour = kEmblemEdge;
    return p;
  }
  const bool bar = u >= 0.44 && u <= 0.88 && v >= 0.27 && v <= 0.39;
  const bool stem = u >= 0.605 && u <= 0.715 && v >= 0.27 && v <= 0.75;
  p.colour = (bar || stem) ? kEmblemLetter : Mix(kEmblemBody, kEmblemBodyLow, (v - 0.14) / 0.72);
  return p;
}

// Draws the emblem into the square (x0, y0) of side size; smooth edges unless hardEdges. Each
// pixel is sampled grid x grid times.
void DrawEmblem(Image& img, double x0, double y0, double size, bool hardEdges = false,
                int grid = 4) {
  for (int y = std::max(0, int(y0)); y < std::min(img.h, int(std::ceil(y0 + size))); ++y) {
    for (int x = std::max(0, int(x0)); x < std::min(img.w, int(std::ceil(x0 + size))); ++x) {
      int hits = 0;
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < grid; ++sy) {
        for (int sx = 0; sx < grid; ++sx) {
          const EmblemParts p =
              EmblemAt((x + (sx + 0.5) / grid - x0) / size, (y + (sy + 0.5) / grid - y0) / size);
          if (!p.any) continue;
          ++hits;
          r += platform::RedOf(p.colour);
          g += platform::GreenOf(p.colour);
          b += platform::BlueOf(p.colour);
        }
      }
      if (hits == 0) continue;
      const Colour mean = Rgb(Channel(r / hits), Channel(g / hits), Channel(b / hits));
      const int samples = grid * grid;
      if (hardEdges) {
        if (2 * hits >= samples) img.Set(x, y, mean);
      } else {
        Blend(img, x, y, mean, double(hits) / samples);
      }
    }
  }
}

// ---- A 5 x 7 pixel alphabet for the button labels and the splash -----------------------------

const char* GlyphRows(char c) {
  switch (c) {
    case 'A':
      return "01110100011000111111100011000110001";
    case 'B':
      return "11110100011000111110100011000111110";
    case 'C':
      return "01110100011000010000100001000101110";
    case 'D':
      return "11110100011000110001100011000111110";
    case 'E':
      return "11111100001000011110100001000011111";
    case 'F':
      return "11111100001000011110100001000010000";
    case 'G':
      return "01110100011000010111100011000101111";
    case 'H':
      return "10001100011000111111100011000110001";
    case 'I':
      return "01110001000010000100001000010001110";
    case 'J':
      return "00111000100001000010000101001001100";
    case 'K':
      return "10001100101010011000101001001010001";
    case 'L':
      return "10000100001000010000100001000011111";
    case 'M':
      return "10001110111010110101100011000110001";
    case 'N':
      return "10001110011010110011100011000110001";
    case 'O':
      return "01110100011000110001100011000101110";
    case 'P':
      return "11110100011000111110100001000010000";
    case 'Q':
      return "01110100011000110001101011001001101";
    case 'R':
      return "11110100011000111110101001001010001";
    case 'S':
      return "01111100001000001110000010000111110";
    case 'T':
      return "11111001000010000100001000010000100";
    case 'U':
      return "10001100011000110001100011000101110";
    case 'V':
      return "10001100011000110001100010101000100";
    case 'W':
      return "10001100011000110101101011010101010";
    case 'X':
      return "10001100010101000100010101000110001";
    case 'Y':
      return "10001100010101000100001000010000100";
    case 'Z':
      return "11111000010001000100010001000011111";
    default:
      return nullptr;
  }
}

// Text width in pixels at the given scale.
int LabelWidth(std::string_view s, int scale) {
  return s.empty() ? 0 : (static_cast<int>(s.size()) * 6 - 1) * scale;
}

void DrawLabel(Image& img, int x, int y, std::string_view s, Colour c, int scale = 1) {
  for (char ch : s) {
    if (const char* rows = GlyphRows(ch)) {
      for (int gy = 0; gy < 7; ++gy)
        for (int gx = 0; gx < 5; ++gx)
          if (rows[gy * 5 + gx] == '1')
            FillRect(img, x + gx * scale, y + gy * scale, x + (gx + 1) * scale,
                     y + (gy + 1) * scale, c);
    }
    x += 6 * scale;
  }
}

// ---- Button glyphs ---------------------------------------------------------------------------

struct Ink {
  Colour line;    // outlines and strokes
  Colour accent;  // the one coloured part
  Colour paper;   // light fills
};

// Draws button b's glyph in the 22 x 18 box at (ox, oy).
void ButtonGlyph(Image& img, int b, double ox, double oy, const Ink& ink) {
  auto S = [&](double ax, double ay, double bx, double by, double w, Colour c) {
    Stroke(img, ox + ax, oy + ay, ox + bx, oy + by, w, c);
  };
  auto Box = [&](double x0, double y0, double x1, double y1, Colour fill, Colour edge) {
    FillRect(img, int(ox + x0), int(oy + y0), int(ox + x1), int(oy + y1), fill);
    FrameRect(img, int(ox + x0), int(oy + y0), int(ox + x1), int(oy + y1), edge);
  };
  switch (b) {
    case 0: {  // Add Tag: a small tag and a plus
      const double s = 14;
      FillShape(
          img, int(ox), int(oy + 2), int(ox + s) + 1, int(oy + 2 + s) + 1,
          [&](double x, double y) { return TagDepth((x - ox) / s, (y - oy - 2) / s) >= 0; },
          ink.accent);
      Disc(img, ox + 0.24 * s, oy + 2 + 0.5 * s, 1.2, ink.paper);
      S(17, 4, 17, 14, 2.2, ink.line);
      S(12, 9, 22, 9, 2.2, ink.line);
      break;
    }
    case 1:  // Tidy: even lines, one of them marked
      for (int i = 0; i < 4; ++i)
        S(3, 3 + 4 * i, 19, 3 + 4 * i, 1.8, i == 1 ? ink.accent : ink.line);
      break;
    case 2:  // Sort: bars growing downwards, an arrow beside them
      for (int i = 0; i < 4; ++i)
        S(2, 3 + 4 * i, 5 + 3 * i, 3 + 4 * i, 1.8, ink.line);
      S(18, 2, 18, 15, 2, ink.accent);
      S(18, 16, 14, 11, 2, ink.accent);
      S(18, 16, 22, 11, 2, ink.accent);
      break;
    case 3:  // Inherit: a parent handing down to two children
      Box(8, 0, 15, 6, ink.accent, ink.line);
      S(11.5, 6, 11.5, 10, 1.4, ink.line);
      S(4.5, 10, 18.5, 10, 1.4, ink.line);
      S(4.5, 10, 4.5, 12, 1.4, ink.line);
      S(18.5, 10, 18.5, 12, 1.4, ink.line);
      Box(1, 12, 8, 18, ink.paper, ink.line);
      Box(15, 12, 22, 18, ink.paper, ink.line);
      break;
    case 4:  // Save: a disk
      Box(4, 0, 19, 18, ink.accent, ink.line);
      Box(7, 0, 16, 6, ink.paper, ink.line);
      Box(7, 10, 16, 18, ink.paper, ink.line);
      break;
    case 5:  // View Page: a page under a lens
      Box(2, 0, 14, 17, ink.paper, ink.line);
      for (int i = 0; i < 3; ++i)
        S(4, 4 + 4 * i, 11, 4 + 4 * i, 1, ink.line);
      Ring(img, ox + 14, oy + 9, 4.2, 1.8, ink.accent);
      S(17, 12, 21, 17, 2.4, ink.line);
      break;
    case 6:  // Source: angle brackets around a slash
      S(6, 3, 1, 9, 2, ink.line);
      S(1, 9, 6, 15, 2, ink.line);
      S(16, 3, 21, 9, 2, ink.line);
      S(21, 9, 16, 15, 2, ink.line);
      S(13, 2, 9, 16, 2, ink.accent);
      break;
    case 7:    // SiteMap of the sitemap page: the tree with its pages lit
    case 8: {  // SiteMap of any other page: the same tree, pages empty
      const Colour leaf = b == 7 ? ink.accent : ink.paper;
      Box(8, 0, 15, 5, ink.line, ink.line);
      S(11.5, 5, 11.5, 8, 1.2, ink.line);
      S(3.5, 8, 18.5, 8, 1.2, ink.line);
      for (double x : {3.5, 11.5, 18.5}) {
        S(x, 8, x, 11, 1.2, ink.line);
        Box(x - 3, 11, x + 4, 17, leaf, ink.line);
      }
      break;
    }
    default:
      break;
  }
}

Colour Grey(unsigned v) {
  return Rgb(v, v, v);
}

}  // namespace

// ---- The pictures ----------------------------------------------------------------------------

Bitmap Skin(std::string_view name) {
  using Texture = double (*)(int, int, std::uint32_t);
  struct Kind {
    const char* name;
    Texture texture;
    std::uint32_t seed;
  };
  static constexpr Kind kKinds[] = {
      {"MARBLE", MarbleAt, 11},   {"PLAIN", PlainAt, 0},     {"GRITTY", GrittyAt, 23},
      {"MOTTLED", MottledAt, 37}, {"STRIPED", StripedAt, 0},
  };
  for (const Kind& kind : kKinds) {
    if (!platform::EqualsNoCase(name, kind.name)) continue;
    Image img(5 * kTile, kTile, 0);
    for (int column = 0; column < 5; ++column) {
      for (int y = 0; y < kTile; ++y) {
        for (int x = 0; x < kTile; ++x) {
          // Each column has its own seed, so the five do not look like one texture recoloured.
          const double f = kind.texture(x, y, kind.seed + 101 * column);
          img.Set(column * kTile + x, y, Shade(kColumnTints[column], f));
        }
      }
    }
    return std::move(img).ToBitmap(kind.name);
  }
  return Bitmap{};
}

Bitmap LogoOrMask() {
  Image shape(85, 85, Rgb(0, 0, 0));
  DrawEmblem(shape, 2, 2, 81, true);
  // Wherever the emblem is, OR makes the background white, so AND can put the colours on it.
  for (Colour& c : shape.px)
    if (c != 0) c = Rgb(0xFF, 0xFF, 0xFF);
  return std::move(shape).ToBitmap("156");
}

Bitmap LogoAndImage() {
  // Black never occurs in the emblem itself, so it marks "outside" until it turns white.
  Image img(85, 85, Rgb(0, 0, 0));
  DrawEmblem(img, 2, 2, 81, true);
  for (Colour& c : img.px)
    if (c == 0) c = Rgb(0xFF, 0xFF, 0xFF);
  return std::move(img).ToBitmap("155");
}

Bitmap ButtonStrip() {
  static const char* const kLabels[9] = {"ADD TAG", "TIDY",   "SORT",    "INHERIT", "SAVE",
                                         "VIEW",    "SOURCE", "SITEMAP", "SITEMAP"};
  static constexpr Colour kAccents[9] = {
      Rgb(40, 142, 128), Rgb(60, 120, 200), Rgb(214, 120, 30), Rgb(40, 142, 128), Rgb(52, 96, 180),
      Rgb(200, 80, 60),  Rgb(130, 70, 170), Rgb(230, 170, 40), Rgb(230, 170, 40),
  };
  constexpr int kCellW = 60, kCellH = 34;
  Image img(9 * kCellW, 2 * kCellH, 0);
  for (int row = 0; row < 2; ++row) {
    const bool enabled = row == 0;
    for (int cell = 0; cell < 9; ++cell) {
      const int x0 = cell * kCellW, y0 = row * kCellH;
      for (int y = 0; y < kCellH; ++y) {
        const double t = double(y) / (kCellH - 1);
        const Colour face =
            enabled ? Mix(Rgb(252, 252, 248), Rgb(218, 224, 232), t) : Mix(Grey(236), Grey(214), t);
        FillRect(img, x0, y0 + y, x0 + kCellW, y0 + y + 1, face);
      }
      FrameRect(img, x0, y0, x0 + kCellW, y0 + kCellH, enabled ? Rgb(150, 158, 172) : Grey(176));
      const int gx = x0 + (kCellW - 22) / 2, gy = y0 + 4;
      if (enabled) {
        ButtonGlyph(img, cell, gx, gy, Ink{Rgb(40, 44, 52), kAccents[cell], Rgb(255, 255, 255)});
      } else {
        // Disabled: the glyph embossed in grey, as the system draws disabled captions.
        ButtonGlyph(img, cell, gx + 1, gy + 1, Ink{Grey(250), Grey(250), Grey(250)});
        ButtonGlyph(img, cell, gx, gy, Ink{Grey(160), Grey(176), Grey(224)});
      }
      const std::string_view label = kLabels[cell];
      const int lx = x0 + (kCellW - LabelWidth(label, 1)) / 2, ly = y0 + 24;
      if (!enabled) DrawLabel(img, lx + 1, ly + 1, label, Grey(250));
      DrawLabel(img, lx, ly, label, enabled ? Rgb(30, 34, 40) : Grey(160));
    }
  }
  return std::move(img).ToBitmap("168");
}

Bitmap AttributeMark(int id) {
  Image img(10, 10, Rgb(250, 250, 250));
  switch (id) {
    case 138:  // mandatory: a red disc with an exclamation mark
      Disc(img, 5, 5, 4.6, Rgb(200, 40, 40));
      FillRect(img, 4, 2, 6, 6, Rgb(255, 255, 255));
      FillRect(img, 4, 7, 6, 8, Rgb(255, 255, 255));
      break;
    case 139:  // duplicates allowed: two overlapping squares
      FillRect(img, 0, 0, 7, 7, Rgb(150, 180, 230));
      FrameRect(img, 0, 0, 7, 7, Rgb(40, 80, 160));
      FillRect(img, 3, 3, 10, 10, Rgb(90, 130, 210));
      FrameRect(img, 3, 3, 10, 10, Rgb(30, 60, 140));
      break;
    case 140:  // date: a calendar leaf
      FillRect(img, 0, 1, 10, 10, Rgb(255, 255, 255));
      FrameRect(img, 0, 1, 10, 10, Rgb(30, 120, 60));
      FillRect(img, 0, 1, 10, 4, Rgb(30, 150, 70));
      FillRect(img, 2, 0, 3, 2, Rgb(30, 80, 40));
      FillRect(img, 7, 0, 8, 2, Rgb(30, 80, 40));
      for (int x : {2, 5})
        FillRect(img, x, 6, x + 2, 8, Rgb(30, 120, 60));
      break;
    case 142:  // options: a short list
      for (int i = 0; i < 3; ++i) {
        FillRect(img, 0, 1 + 3 * i, 2, 3 + 3 * i, Rgb(210, 120, 20));
        FillRect(img, 3, 1 + 3 * i, 10, 3 + 3 * i, Rgb(120, 70, 10));
      }
      break;
    default:
      return Bitmap{};
  }
  return std::move(img).ToBitmap(std::to_string(id));
}

Bitmap FieldOverlay() {
  Image img(287, 15, 0);
  for (int y = 0; y < img.h; ++y)
    FillRect(img, 0, y, img.w, y + 1,
             Mix(Rgb(255, 255, 255), Rgb(230, 238, 248), double(y) / (img.h - 1)));
  return std::move(img).ToBitmap("135");
}

Bitmap Splash() {
  Image img(640, 480, 0);
  const Colour top = Rgb(14, 44, 56), bottom = Rgb(36, 112, 118);
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      // A soft diagonal band of light across the gradient.
      const double band = std::exp(-std::pow((x * 0.6 + y - 420) / 160.0, 2));
      const Colour base = Mix(top, bottom, double(y) / (img.h - 1));
      img.Set(x, y, Mix(base, Rgb(120, 190, 186), 0.18 * band));
    }
  }
  // A large faint tag behind everything, and the emblem with the name.
  Image ghost(640, 480, Rgb(0, 0, 0));
  DrawEmblem(ghost, 360, 170, 340, true, 1);  // faint enough that its edges need no smoothing
  for (int i = 0; i < 640 * 480; ++i)
    if (ghost.px[i] != 0) img.px[i] = Mix(img.px[i], Rgb(200, 236, 230), 0.07);
  DrawEmblem(img, 60, 150, 170);
  DrawLabel(img, 262, 212, "TAGSTEWARD", Rgb(8, 24, 30), 6);  // shadow
  DrawLabel(img, 258, 208, "TAGSTEWARD", Rgb(250, 250, 240), 6);
  DrawLabel(img, 262, 272, "META TAGS FOR THE WHOLE SITE", Rgb(190, 226, 220), 2);
  return std::move(img).ToBitmap("118");
}

Bitmap AboutPicture() {
  Image img(64, 74, 0);
  for (int y = 0; y < img.h; ++y)
    FillRect(img, 0, y, img.w, y + 1,
             Mix(Rgb(244, 246, 246), Rgb(206, 226, 228), double(y) / (img.h - 1)));
  FrameRect(img, 0, 0, img.w, img.h, Rgb(120, 150, 150));
  DrawEmblem(img, 4, 9, 56);
  return std::move(img).ToBitmap("122");
}

Bitmap HiddenAboutPicture() {
  Image img(240, 160, 0);
  for (int y = 0; y < img.h; ++y)
    FillRect(img, 0, y, img.w, y + 1, Mix(Rgb(8, 10, 40), Rgb(40, 30, 90), double(y) / 159));
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      const double star = Unit(Hash(x, y, 178));
      if (star > 0.996) img.Set(x, y, Grey(200 + unsigned((star - 0.996) * 13000) % 56));
    }
  }
  DrawEmblem(img, 88, 88, 64);
  return std::move(img).ToBitmap("178");
}

Bitmap CloseCell() {
  Image img(16, 16, Rgb(212, 208, 200));
  FrameRect(img, 0, 0, 16, 16, Rgb(128, 124, 118));
  Stroke(img, 4, 4, 11.5, 11.5, 2.2, Rgb(170, 30, 30));
  Stroke(img, 11.5, 4, 4, 11.5, 2.2, Rgb(170, 30, 30));
  return std::move(img).ToBitmap("169");
}

Bitmap SiteTasksCell() {
  Image img(16, 16, Rgb(212, 208, 200));
  FrameRect(img, 0, 0, 16, 16, Rgb(128, 124, 118));
  for (int i = 0; i < 3; ++i) {
    const double y = 4 + 4 * i;
    Stroke(img, 2.5, y - 0.5, 3.8, y + 1, 1.2, Rgb(30, 130, 60));
    Stroke(img, 3.8, y + 1, 6, y - 2, 1.2, Rgb(30, 130, 60));
    Stroke(img, 8, y, 13, y, 1.2, Rgb(40, 44, 52));
  }
  return std::move(img).ToBitmap("171");
}

Bitmap Icon(int size) {
  Image img(size, size, Rgb(255, 255, 255));
  DrawEmblem(img, 0, 0, size);
  return std::move(img).ToBitmap(size <= 16 ? "SMALL" : "Tagsteward");
}

}  // namespace images
