#include "ui/resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "config/version.h"

using platform::Bitmap;
using platform::Colour;

namespace {

int Luma(Colour c) {
  return (299 * platform::RedOf(c) + 587 * platform::GreenOf(c) + 114 * platform::BlueOf(c)) / 1000;
}

int Distance(Colour a, Colour b) {
  return std::abs(int(platform::RedOf(a)) - int(platform::RedOf(b))) +
         std::abs(int(platform::GreenOf(a)) - int(platform::GreenOf(b))) +
         std::abs(int(platform::BlueOf(a)) - int(platform::BlueOf(b)));
}

void ExpectWellFormed(const Bitmap& b, int width, int height, const std::string& what) {
  EXPECT_EQ(width, b.width) << what;
  EXPECT_EQ(height, b.height) << what;
  ASSERT_EQ(static_cast<size_t>(b.width) * b.height, b.pixels.size()) << what;
  for (Colour c : b.pixels) {
    ASSERT_EQ(0u, c & 0xFF000000u) << what << ": pixels are 0x00BBGGRR";
  }
  EXPECT_FALSE(b.name.empty()) << what;
}

TEST(Resources, EveryPictureTheProgramUsesExistsWithItsSize) {
  const struct {
    int id, width, height;
  } kSizes[] = {
      {kBmpSplash, 640, 480},      {kBmpAbout, 64, 74},     {kBmpFieldOverlay, 287, 15},
      {kBmpAttrMark1, 10, 10},     {kBmpAttrMark2, 10, 10}, {kBmpAttrMark3, 10, 10},
      {kBmpAttrMark4, 10, 10},     {kBmpLogoAnd, 85, 85},   {kBmpLogoOr, 85, 85},
      {kBmpButtons, 540, 68},      {kBmpToolClose, 16, 16}, {kBmpToolTasks, 16, 16},
      {kBmpAboutHidden, 240, 160},
  };
  for (const auto& s : kSizes)
    ExpectWellFormed(ResourceBitmap(s.id), s.width, s.height, std::to_string(s.id));
  for (const char* skin : {"MARBLE", "PLAIN", "GRITTY", "MOTTLED", "STRIPED"})
    ExpectWellFormed(NamedBitmap(skin), 400, 80, skin);
  ExpectWellFormed(NamedBitmap("SMALL"), 16, 16, "SMALL");
  ExpectWellFormed(NamedBitmap("Tagsteward"), 32, 32, "Tagsteward");

  // Resource names are found whatever their case; a picture is made once.
  EXPECT_EQ(&NamedBitmap("MARBLE"), &NamedBitmap("Marble"));
  EXPECT_EQ(&ResourceBitmap(kBmpButtons), &ResourceBitmap(kBmpButtons));
  EXPECT_TRUE(ResourceBitmap(137).empty());
  EXPECT_TRUE(NamedBitmap("SMIC").empty());
  EXPECT_TRUE(NamedBitmap(nullptr).empty());

  // The four marks can be told apart.
  const int marks[] = {kBmpAttrMark1, kBmpAttrMark2, kBmpAttrMark3, kBmpAttrMark4};
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      EXPECT_NE(ResourceBitmap(marks[i]).pixels, ResourceBitmap(marks[j]).pixels);
}

// What the main window's painting does: OR with 156, then AND with 155.
TEST(Resources, LogoPairShowsTheEmblemOverAnyBackground) {
  const Bitmap& orMask = ResourceBitmap(kBmpLogoOr);
  const Bitmap& andImage = ResourceBitmap(kBmpLogoAnd);
  ASSERT_EQ(orMask.pixels.size(), andImage.pixels.size());
  const int n = static_cast<int>(orMask.pixels.size());

  auto background = [](int kind, int i) -> Colour {
    switch (kind) {
      case 0:
        return 0x000000;
      case 1:
        return 0xFFFFFF;
      case 2:
        return platform::Rgb(238, 232, 216);  // the main window's skin tint
      default:
        return (i / 7 + i / 85 / 7) % 2 ? platform::Rgb(200, 40, 40) : 0x30C030;
    }
  };
  std::vector<Colour> first;
  for (int kind = 0; kind < 4; ++kind) {
    std::vector<Colour> composed(n);
    int changed = 0;
    for (int i = 0; i < n; ++i) {
      const Colour bg = background(kind, i);
      composed[i] = (bg | orMask.pixels[i]) & andImage.pixels[i];
      if (composed[i] != bg) ++changed;
    }
    // The emblem covers a good part of the square, and the corners stay background.
    EXPECT_GT(changed, n / 3) << "background " << kind;
    EXPECT_EQ(background(kind, 0), composed[0]);
    EXPECT_EQ(background(kind, n - 1), composed[n - 1]);
    // The hole in the tag lets the background through.
    const int hole = (2 + int(0.5 * 81)) * 85 + 2 + int(0.24 * 81);
    EXPECT_EQ(background(kind, hole), composed[hole]);
    // Where the emblem is, it looks the same on every background.
    if (kind == 0) {
      first = composed;
    } else {
      for (int i = 0; i < n; ++i) {
        if (orMask.pixels[i] != 0) {
          ASSERT_EQ(first[i], composed[i]) << "pixel " << i;
        }
      }
    }
  }
  // Outside the emblem the pair leaves the background alone: black to OR, white to AND.
  for (int i = 0; i < n; ++i) {
    if (orMask.pixels[i] == 0)
      ASSERT_EQ(0xFFFFFFu, andImage.pixels[i]);
    else
      ASSERT_EQ(0xFFFFFFu, orMask.pixels[i]);
  }
}

TEST(Resources, SkinsAreLightSeamlessAndTintedByColumn) {
  for (const char* name : {"MARBLE", "PLAIN", "GRITTY", "MOTTLED", "STRIPED"}) {
    const Bitmap& skin = NamedBitmap(name);
    ASSERT_EQ(400, skin.width);
    auto at = [&](int x, int y) { return skin.pixels[y * skin.width + x]; };
    long means[5][3] = {};
    for (int column = 0; column < 5; ++column) {
      const int x0 = 80 * column;
      long seam = 0, inside = 0;
      for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 80; ++x) {
          const Colour c = at(x0 + x, y);
          // Dark text must stay readable on every skin.
          ASSERT_GE(Luma(c), 175) << name << " column " << column;
          means[column][0] += platform::RedOf(c);
          means[column][1] += platform::GreenOf(c);
          means[column][2] += platform::BlueOf(c);
          if (x < 79) inside += Distance(c, at(x0 + x + 1, y));
          if (y < 79) inside += Distance(c, at(x0 + x, y + 1));
        }
        // A tile laid beside itself: its right edge meets its left, its bottom its top.
        seam += Distance(at(x0 + 79, y), at(x0, y)) + Distance(at(x0 + y, 79), at(x0 + y, 0));
      }
      // The seams are no rougher than the texture itself (2 x 80 pairs against 2 x 79 x 80).
      EXPECT_LE(seam * 79, 2 * inside + 80 * 79) << name << " column " << column;
    }
    for (int a = 0; a < 5; ++a)
      for (int b = a + 1; b < 5; ++b) {
        long d = 0;
        for (int c = 0; c < 3; ++c)
          d += std::abs(means[a][c] - means[b][c]) / 6400;
        EXPECT_GE(d, 8) << name << " columns " << a << " and " << b << " look alike";
      }
  }
  // The five are five textures, not one.
  EXPECT_NE(NamedBitmap("MARBLE").pixels, NamedBitmap("MOTTLED").pixels);
  EXPECT_NE(NamedBitmap("GRITTY").pixels, NamedBitmap("STRIPED").pixels);
  EXPECT_NE(NamedBitmap("PLAIN").pixels, NamedBitmap("STRIPED").pixels);
}

TEST(Resources, ButtonCellsDifferByButtonAndByState) {
  const Bitmap& strip = ResourceBitmap(kBmpButtons);
  auto cell = [&](int column, int row) {
    std::vector<Colour> px;
    for (int y = 0; y < kButtonCellHeight; ++y)
      for (int x = 0; x < kButtonCellWidth; ++x)
        px.push_back(strip.pixels[(row * kButtonCellHeight + y) * strip.width +
                                  column * kButtonCellWidth + x]);
    return px;
  };
  for (int column = 0; column < 9; ++column) {
    EXPECT_NE(cell(column, 0), cell(column, 1)) << column;
    for (int other = column + 1; other < 9; ++other)
      EXPECT_NE(cell(column, 0), cell(other, 0)) << column << " and " << other;
  }
}

TEST(Resources, StringTable) {
  EXPECT_STREQ("Zelvane Tagsteward", ResourceString(500));
  EXPECT_STREQ("Display Changed", ResourceString(501));
  EXPECT_EQ(szVer, ResourceString(505));
  EXPECT_STREQ("Zelvane Tagsteward", ResourceString(507));
  EXPECT_GT(std::strlen(ResourceString(506)), 0u);
  EXPECT_LE(std::strlen(ResourceString(506)), 511u);
  EXPECT_GT(std::strlen(ResourceString(508)), 0u);
  EXPECT_STREQ("", ResourceString(502));
  EXPECT_STREQ("", ResourceString(1));
}

}  // namespace
