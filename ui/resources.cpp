// Placeholder until the images land: no bitmaps, the string table only.
#include "ui/resources.h"

#include "config/version.h"

const platform::Bitmap& ResourceBitmap(int) {
  static const platform::Bitmap none;
  return none;
}
const platform::Bitmap& NamedBitmap(const char*) {
  static const platform::Bitmap none;
  return none;
}
const char* ResourceString(int id) {
  switch (id) {
    case 500:
      return "Zelvane Tagsteward";
    case 501:
      return "Display Changed";
    case 505:
      return szVer;
    case 507:
      return "Zelvane Tagsteward";
    default:
      return "";
  }
}
