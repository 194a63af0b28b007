// A skin library for the tests: skins the program must pass over (too small, no name, a name
// too long for the setting, no pixels, a repeated name) among six good ones. Built with
// TS_FEW_SKINS it holds only the first five entries, one of them good.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/skin_library.h"

namespace {

struct Entry {
  const char* name;
  int width;
  int height;
};

// clang-format off
const Entry kEntries[] = {
    {"tiny", 40, 40},
    {"ThisNameIsMuchTooLong", 400, 80},
    {"first", 400, 80},
    {nullptr, 400, 80},
    {"NoPixels", 0, 0},
#ifndef TS_FEW_SKINS
    {"Second", 400, 80},
    {"FIRST", 400, 80},
    {"third", 480, 96},
    {"fourth", 400, 80},
    {"fifth", 400, 80},
    {"sixth", 400, 80},
#endif
};
// clang-format on
constexpr int kCount = sizeof kEntries / sizeof kEntries[0];

std::vector<std::uint32_t> gPixels[kCount];

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int TsSkinCount(void) {
  return kCount;
}

__attribute__((visibility("default"))) const char* TsSkinName(int index) {
  return index >= 0 && index < kCount ? kEntries[index].name : nullptr;
}

__attribute__((visibility("default"))) const std::uint32_t* TsSkinPixels(int index, int* width,
                                                                         int* height) {
  if (index < 0 || index >= kCount || kEntries[index].width == 0) return nullptr;
  const Entry& e = kEntries[index];
  if (gPixels[index].empty())
    gPixels[index].assign(static_cast<std::size_t>(e.width) * e.height, 0x00C0D0E0u + index);
  *width = e.width;
  *height = e.height;
  return gPixels[index].data();
}

}  // extern "C"
