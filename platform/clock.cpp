#include "platform/clock.h"

#include <locale.h>

#include <atomic>

namespace platform {

namespace {
std::atomic<std::time_t> gTestClock{0};

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}
}  // namespace

std::time_t Now() {
  std::time_t fixed = gTestClock.load();
  return fixed != 0 ? fixed : std::time(nullptr);
}

void SetTestClock(std::time_t fixed) {
  gTestClock.store(fixed);
}

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

std::string FormatTime(const char* format, const std::tm& tm) {
  char buf[512];
  size_t n = strftime_l(buf, sizeof buf, format, &tm, CLocale());
  return std::string(buf, n);
}

}  // namespace platform
