#include "ui/resources.h"

#include <map>
#include <mutex>
#include <string>

#include "config/version.h"
#include "platform/text.h"
#include "ui/images.h"

namespace {

// Pictures are made once, at their first use; map nodes never move, so the references handed
// out stay valid for the whole run.
std::mutex gCacheMutex;
std::map<std::string, platform::Bitmap>& Cache() {
  static std::map<std::string, platform::Bitmap> cache;
  return cache;
}

const platform::Bitmap& Cached(const std::string& key, platform::Bitmap (*make)()) {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  auto it = Cache().find(key);
  if (it == Cache().end()) it = Cache().emplace(key, make()).first;
  return it->second;
}

const platform::Bitmap& None() {
  static const platform::Bitmap none;
  return none;
}

}  // namespace

const platform::Bitmap& ResourceBitmap(int id) {
  switch (id) {
    case kBmpSplash:
      return Cached("118", images::Splash);
    case kBmpAbout:
      return Cached("122", images::AboutPicture);
    case kBmpFieldOverlay:
      return Cached("135", images::FieldOverlay);
    case kBmpAttrMark1:
      return Cached("138", [] { return images::AttributeMark(138); });
    case kBmpAttrMark2:
      return Cached("139", [] { return images::AttributeMark(139); });
    case kBmpAttrMark3:
      return Cached("140", [] { return images::AttributeMark(140); });
    case kBmpAttrMark4:
      return Cached("142", [] { return images::AttributeMark(142); });
    case kBmpLogoAnd:
      return Cached("155", images::LogoAndImage);
    case kBmpLogoOr:
      return Cached("156", images::LogoOrMask);
    case kBmpButtons:
      return Cached("168", images::ButtonStrip);
    case kBmpToolClose:
      return Cached("169", images::CloseCell);
    case kBmpToolTasks:
      return Cached("171", images::SiteTasksCell);
    case kBmpAboutHidden:
      return Cached("178", images::HiddenAboutPicture);
    default:
      return None();
  }
}

const platform::Bitmap& NamedBitmap(const char* name) {
  if (!name) return None();
  if (platform::EqualsNoCase(name, "SMALL"))
    return Cached("SMALL", [] { return images::Icon(16); });
  if (platform::EqualsNoCase(name, "Tagsteward"))
    return Cached("Tagsteward", [] { return images::Icon(32); });
  for (const char* skin : {"MARBLE", "PLAIN", "GRITTY", "MOTTLED", "STRIPED"}) {
    if (!platform::EqualsNoCase(name, skin)) continue;
    std::lock_guard<std::mutex> lock(gCacheMutex);
    auto it = Cache().find(skin);
    if (it == Cache().end()) it = Cache().emplace(skin, images::Skin(skin)).first;
    return it->second;
  }
  return None();
}

const char* ResourceString(int id) {
  switch (id) {
    case 500:
      return "Zelvane Tagsteward";
    case 501:
      return "Display Changed";
    case 505:
      return szVer;
    case 506:
      return "Tagsteward rewrites the heads of the documents it is given. Keep a copy of your "
             "site before running a task over all of its documents.";
    case 507:
      return "Zelvane Tagsteward";
    case 508:
      return "Meta tags for every document of a website";
    default:
      return "";
  }
}
