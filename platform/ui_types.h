// Plain value types shared by the UI services: handles, message parameters, geometry, colours.
#pragma once

#include <cstdint>

namespace platform {

// Opaque handles; nullptr is "none". Windows, dialogs and controls share one handle space.
using WindowHandle = void*;
using MenuHandle = void*;

// The two message parameters and a procedure's result.
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// A colour as 0x00BBGGRR.
using Colour = std::uint32_t;
constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned RedOf(Colour c) {
  return c & 0xFF;
}
constexpr unsigned GreenOf(Colour c) {
  return (c >> 8) & 0xFF;
}
constexpr unsigned BlueOf(Colour c) {
  return (c >> 16) & 0xFF;
}

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle in pixels; right and bottom are outside it.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The rectangle at (x, y) of the given size.
constexpr Rect RectAt(int x, int y, int width, int height) {
  return Rect{x, y, x + width, y + height};
}

// The smallest rectangle holding both (an empty one counts as nothing).
Rect UnionRect(const Rect& a, const Rect& b);

// Message parameter halves: a command's id is the low word, its notification the high word.
constexpr unsigned LowWord(WParam w) {
  return static_cast<unsigned>(w & 0xFFFF);
}
constexpr unsigned HighWord(WParam w) {
  return static_cast<unsigned>((w >> 16) & 0xFFFF);
}
constexpr WParam MakeWParam(unsigned low, unsigned high) {
  return static_cast<WParam>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
// Mouse positions travel in the second parameter as x in the low word, y in the high word.
constexpr LParam MakePointParam(int x, int y) {
  return static_cast<LParam>((static_cast<unsigned>(x) & 0xFFFF) |
                             ((static_cast<unsigned>(y) & 0xFFFF) << 16));
}
constexpr Point PointOfParam(LParam l) {
  return Point{static_cast<std::int16_t>(l & 0xFFFF),
               static_cast<std::int16_t>((l >> 16) & 0xFFFF)};
}

}  // namespace platform
