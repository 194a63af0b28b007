#include "ui/zoom.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "config/user_home.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace {

bool IsZoomLevel(int percent) {
  return std::find(std::begin(kZoomLevels), std::end(kZoomLevels), percent) !=
         std::end(kZoomLevels);
}

std::string ZoomFile() {
  return UserConfigHome() + "/display.ini";
}

}  // namespace

int StoredZoom() {
  std::string text;
  if (platform::ReadWholeFile(ZoomFile(), &text) != 0) return 0;
  const size_t at = text.find("Zoom=");
  if (at == std::string::npos) return 0;
  const int percent = std::atoi(text.c_str() + at + 5);
  return IsZoomLevel(percent) ? percent : 0;
}

int StoreZoom(int percent) {
  if (!IsZoomLevel(percent)) return -1;
  if (MakeUserConfigHome() != 0) return -1;
  return platform::ReplaceFile(ZoomFile(), platform::Format("[Display]\nZoom=%d\n", percent));
}

int ProposedZoom(int screenWidth) {
  return screenWidth >= 1600 ? 150 : 100;
}
