#include "platform/system_info.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

TEST(SystemInfoTest, NamesTheSystemReleaseAndMachine) {
  const std::string line = platform::SystemDescription();
  EXPECT_TRUE(std::regex_match(line, std::regex(R"(Linux [^ ]+ \([^ ()]+\))"))) << line;
}

}  // namespace

namespace {

TEST(SystemInfoTest, ProcNumbersAreFoundByTheirWholeKeyAtALineStart) {
  const char* text =
      "MemTotal:       24683748 kB\nMemTotalX:  1 kB\nSwapFree:\t  512 kB\n"
      "Name:\ttagsteward\n  VmSize: 9 kB\nVmRSS:\n";
  const struct {
    const char* key;
    long long value;
  } rows[] = {
      {"MemTotal", 24683748}, {"MemTotalX", 1}, {"SwapFree", 512}, {"MemTotalY", -1}, {"Mem", -1},
      {"Name", -1},           {"VmSize", -1},   {"VmRSS", -1},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.value, platform::ProcNumber(text, row.key)) << row.key;
}

TEST(SystemInfoTest, FiguresOfThisProcessAreWithinTheirTotals) {
  platform::PrepareSystemFigures();
  platform::MemoryFigures m;
  ASSERT_EQ(0, platform::ReadMemoryFigures(&m));
  EXPECT_GT(m.totalPhysK, 0);
  EXPECT_LE(m.availPhysK, m.totalPhysK);
  EXPECT_LE(m.availSwapK, m.totalSwapK);
  EXPECT_GT(m.availVirtK, 0);
  EXPECT_LT(m.availVirtK, m.totalVirtK);
  // This test program started a moment ago, not before the machine did.
  const long long ms = platform::ProcessRunMilliseconds();
  EXPECT_GT(ms, 0);
  EXPECT_LT(ms, 3600 * 1000);
}

}  // namespace
