#include "ui/text_fit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "ui/zoom.h"

using namespace platform;

namespace {

// Every character is 10 pixels wide (the canvas's own estimate for a 25-pixel font).
class TextOnlyCanvas : public Canvas {
 public:
  Rect area() const override { return Rect{0, 0, 640, 480}; }
  void FillRect(const Rect&, Colour) override {}
  void FrameRect(const Rect&, Colour, int) override {}
  void Line(Point, Point, Colour, int) override {}
  void Text(Point, std::string_view, const TextStyle&) override {}
  void TextInRect(const Rect&, std::string_view, const TextStyle&) override {}
  void DrawBitmap(const Bitmap&, const Rect&, Point, RasterOp) override {}
  void DrawIcon(Point, StockIcon) override {}
};

TEST(TextFit, LongTextIsShortenedInTheMiddleWithoutCuttingACharacter) {
  TextOnlyCanvas dc;
  const FontDescription font = MakeFont("Sans", 25);
  const struct {
    std::string text;
    int width;
    std::string shown;
  } cases[] = {
      {"/site/index.htm", 150, "/site/index.htm"},
      {"/home/webmaster/site/archive/1993/02/page1813.htm", 150, "/home/w\xE2\x80\xA6" "813.htm"},
      // Latin-1 text has no ellipsis character: three dots, and no byte is split.
      {"/site/caf\xE9/men\xFC/\xE9t\xE9/ann\xE9"
       "e.htm",
       120, "/sit...e.htm"},
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 50,
       "\xC3\xA9\xC3\xA9\xE2\x80\xA6\xC3\xA9\xC3\xA9"},
      {"abcdef", 5, "\xE2\x80\xA6"},
  };
  for (const auto& c : cases) {
    std::string shown = ElideMiddle(dc, c.text, font, c.width);
    EXPECT_EQ(c.shown, shown) << c.text;
    if (IsValidUtf8(c.text)) {
      EXPECT_TRUE(IsValidUtf8(shown)) << c.text;
    }
  }
}

TEST(Zoom, StoredPerUserAndProposedForWideScreens) {
  testing_support::TempDir config;
  const char* before = std::getenv("XDG_CONFIG_HOME");
  std::string saved = before ? before : "";
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  EXPECT_EQ(0, StoredZoom());
  EXPECT_EQ(-1, StoreZoom(130));
  EXPECT_EQ(0, StoreZoom(150));
  EXPECT_EQ(150, StoredZoom());
  testing_support::WriteFile(config / "tagsteward/display.ini", "[Display]\nZoom=999\n");
  EXPECT_EQ(0, StoredZoom());
  EXPECT_EQ(100, ProposedZoom(1599));
  EXPECT_EQ(150, ProposedZoom(1600));
  if (before)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
