// Local time and its formatting in the C locale.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// Seconds since the epoch: the real clock, or the test clock when one is set.
std::time_t Now();
// Makes Now() return the given time (0 restores the real clock).
void SetTestClock(std::time_t fixed);
// The local calendar time of t.
std::tm LocalTime(std::time_t t);
// strftime in the C locale (English month and day names).
std::string FormatTime(const char* format, const std::tm& tm);

}  // namespace platform
