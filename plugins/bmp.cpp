// The BMP files plug-ins give as their menu image.
#include <cstdint>

#include "plugins/host.h"

namespace {

uint32_t U16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}
uint32_t U32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr int32_t kMaxSide = 4096;

}  // namespace

bool DecodeBmp(const unsigned char* data, size_t size, platform::Bitmap* out) {
  *out = platform::Bitmap{};
  if (!data || size < 54 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t pixelsAt = U32(data + 10);
  const uint32_t headerSize = U32(data + 14);
  if (headerSize < 40 || headerSize > size - 14) return false;
  const auto width = static_cast<int32_t>(U32(data + 18));
  const auto rawHeight = static_cast<int32_t>(U32(data + 22));
  const uint32_t bits = U16(data + 28);
  const uint32_t compression = U32(data + 30);
  uint32_t colours = U32(data + 46);
  if (rawHeight == INT32_MIN) return false;
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (compression != 0 && !(compression == 3 && bits == 32)) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;

  const unsigned char* palette = data + 14 + headerSize;
  if (bits <= 8) {
    if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
    if (static_cast<size_t>(palette - data) + 4ull * colours > size) return false;
  }
  const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  if (pixelsAt > size || stride * static_cast<size_t>(height) > size - pixelsAt) return false;

  out->width = width;
  out->height = height;
  out->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) {
    const unsigned char* row =
        data + pixelsAt + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      unsigned char b, g, r;
      if (bits >= 24) {
        const unsigned char* p = row + static_cast<size_t>(x) * (bits / 8);
        b = p[0], g = p[1], r = p[2];
      } else {
        const uint32_t bit = static_cast<uint32_t>(x) * bits;
        uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= colours) index = 0;
        const unsigned char* p = palette + 4 * index;
        b = p[0], g = p[1], r = p[2];
      }
      out->pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          platform::Rgb(r, g, b);
    }
  }
  return true;
}
