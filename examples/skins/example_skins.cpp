// An example skin library: five skins for Tagsteward, computed at first use. Build it as a
// shared object named "<Name>.SKN", put it beside the program and choose it with
// "Plug in skins" in Application Appearance.
#include <cmath>
#include <cstdint>

#include "ui/skin_library.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 80;
constexpr int kTile = 80;
constexpr double kPi = 3.14159265358979323846;

// The names show that any letter case works: the program labels them "Linen", "Harbour"...
const char* const kNames[5] = {"Linen", "HARBOUR", "moss", "DuSk", "SLATE"};

// A light tint for each of the five columns.
const double kTints[5][3] = {
    {240, 234, 222}, {224, 232, 240}, {228, 238, 226}, {236, 228, 238}, {242, 232, 222},
};

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = (x * 73856093u) ^ (y * 19349663u) ^ (seed * 83492791u);
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// Brightness of skin s at (x, y) of a tile. Every term repeats every 80 pixels.
double Brightness(int s, int x, int y) {
  switch (s) {
    case 0:  // linen: a fine weave
      return 0.97 + 0.015 * std::sin(2 * kPi * x / 4.0) + 0.015 * std::sin(2 * kPi * y / 4.0);
    case 1:  // harbour: slow waves
      return 0.97 + 0.03 * std::sin(2 * kPi * (y / 16.0 + 0.5 * std::sin(2 * kPi * x / 40.0)));
    case 2:  // moss: soft grain
      return 1.0 - 0.06 * (Hash(x, y, 2) / 4294967296.0);
    case 3:  // dusk: a gentle wave from top to bottom
      return 0.96 + 0.04 * std::cos(2 * kPi * y / kTile);
    default:  // slate: fine diagonal lines
      return ((x + 3 * y) % 10 == 0) ? 0.93 : 1.0;
  }
}

std::uint32_t gPixels[5][kWidth * kHeight];
bool gMade = false;

void Make() {
  if (gMade) return;
  for (int s = 0; s < 5; ++s) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const int column = x / kTile;
        const double f = Brightness(s, x % kTile, y);
        std::uint32_t rgb[3];
        for (int c = 0; c < 3; ++c) {
          const double v = kTints[column][c] * f;
          rgb[c] = v < 0 ? 0 : v > 255 ? 255 : static_cast<std::uint32_t>(v + 0.5);
        }
        gPixels[s][y * kWidth + x] = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
      }
    }
  }
  gMade = true;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int TsSkinCount(void) {
  return 5;
}

__attribute__((visibility("default"))) const char* TsSkinName(int index) {
  return index >= 0 && index < 5 ? kNames[index] : nullptr;
}

__attribute__((visibility("default"))) const std::uint32_t* TsSkinPixels(int index, int* width,
                                                                         int* height) {
  if (index < 0 || index >= 5) return nullptr;
  Make();
  *width = kWidth;
  *height = kHeight;
  return gPixels[index];
}

}  // extern "C"
