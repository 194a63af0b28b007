#include "platform/system_info.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

TEST(SystemInfoTest, NamesTheSystemReleaseAndMachine) {
  const std::string line = platform::SystemDescription();
  EXPECT_TRUE(std::regex_match(line, std::regex(R"(Linux [^ ]+ \([^ ()]+\))"))) << line;
}

}  // namespace
