#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui.h"

namespace {

using namespace platform;

TEST(FontRecordTest, FieldsSitAtTheirOffsetsAndSurviveARoundTrip) {
  FontDescription f = MakeFont("Arial", 14, 700, kFamilySwiss | kPitchVariable);
  f.width = -3;
  f.escapement = 450;
  f.italic = 1;
  f.strikeOut = 1;
  f.charSet = 128;
  unsigned char record[kFontRecordSize];
  EncodeFontRecord(f, Rgb(0x96, 0x64, 0x64), record);

  EXPECT_EQ(14, record[0]);
  EXPECT_EQ((std::vector<unsigned char>{0xFD, 0xFF, 0xFF, 0xFF}),
            std::vector<unsigned char>(record + 4, record + 8));  // signed, little-endian
  EXPECT_EQ(0xC2, record[8]);
  EXPECT_EQ(0x01, record[9]);
  EXPECT_EQ(0xBC, record[16]);  // 700
  EXPECT_EQ(0x02, record[17]);
  EXPECT_EQ(1, record[20]);
  EXPECT_EQ(0, record[21]);
  EXPECT_EQ(1, record[22]);
  EXPECT_EQ(128, record[23]);
  EXPECT_EQ(0x22, record[27]);
  EXPECT_EQ(0, std::memcmp(record + 28, "Arial\0\0\0", 8));
  EXPECT_EQ((std::vector<unsigned char>{0x96, 0x64, 0x64, 0x00}),
            std::vector<unsigned char>(record + 60, record + 64));

  FontDescription back;
  Colour colour = 0;
  DecodeFontRecord(record, &back, &colour);
  EXPECT_EQ(f, back);
  EXPECT_EQ(0x00646496u, colour);

  // A face that fills all 32 bytes without its NUL is cut to 31 rather than read past.
  std::memset(record + 28, 'W', 32);
  DecodeFontRecord(record, &back, &colour);
  EXPECT_EQ(std::string(31, 'W'), back.faceName);
}

TEST(FileFilterTest, PairsFromSeparatedText) {
  struct Case {
    const char* text;
    std::vector<FileFilter> want;
  } cases[] = {
      {"Executable_*.exe_All Files_*.*__", {{"Executable", "*.exe"}, {"All Files", "*.*"}}},
      {"Pages_*.htm;*.html", {{"Pages", "*.htm;*.html"}}},
      {"Lists_*.LS*_Dangling", {{"Lists", "*.LS*"}}},
      {"Name__*.x", {}},
      {"_*.x", {}},
      {"", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.want, FiltersFromPairs(c.text, '_')) << c.text;
}

}  // namespace

namespace {

using namespace platform;

TEST(MessageParamTest, PointsAndWordsSurviveTheirParameters) {
  struct Case {
    int x, y;
  } cases[] = {{0, 0}, {547, 26}, {-17, -3}, {32767, -32768}};
  for (const Case& c : cases) {
    Point p = PointOfParam(MakePointParam(c.x, c.y));
    EXPECT_EQ(c.x, p.x);
    EXPECT_EQ(c.y, p.y);
  }
  WParam w = MakeWParam(40046, kNotifyDoubleClicked);
  EXPECT_EQ(40046u, LowWord(w));
  EXPECT_EQ(1u, HighWord(w));
  EXPECT_EQ((Rect{0, 0, 636, 40}), UnionRect({0, 0, 100, 22}, {500, 0, 636, 40}));
  EXPECT_EQ((Rect{5, 5, 9, 9}), UnionRect({}, {5, 5, 9, 9}));
}

}  // namespace
