#include "app/cli_escape.h"

#include <gtest/gtest.h>

namespace {

TEST(CliEscape, EscapesSeparatorsAndRoundTrips) {
  struct Row {
    std::string raw;
    std::string escaped;
  } rows[] = {
      {"plain", "plain"},
      {"a\tb", "a\\tb"},
      {"line1\r\nline2", "line1\\r\\nline2"},
      {"C:\\dir\\file", "C:\\\\dir\\\\file"},
      {"\\t is not a tab", "\\\\t is not a tab"},
      {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
      {"", ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.escaped, EscapeField(r.raw)) << r.raw;
    std::string back;
    ASSERT_TRUE(UnescapeField(r.escaped, &back)) << r.escaped;
    EXPECT_EQ(r.raw, back);
  }
}

TEST(CliEscape, RejectsBrokenEscapes) {
  std::string out;
  for (const char* bad : {"ends with \\", "\\x41", "\\"})
    EXPECT_FALSE(UnescapeField(bad, &out)) << bad;
}

}  // namespace
