#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "platform/qt/qt_backend.h"

namespace {

using namespace platform;
using platform::qt::QtCanvas;

constexpr Colour kWhite = Rgb(0xFF, 0xFF, 0xFF);

// Paints on a white image of the given size through a canvas.
template <typename Draw>
QImage Painted(int width, int height, Draw draw) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtCanvas canvas(&painter, RectAt(0, 0, width, height));
  draw(canvas);
  painter.end();
  return image;
}

Colour At(const QImage& image, int x, int y) {
  return qt::FromQColor(image.pixelColor(x, y));
}

// Whether any pixel of the area differs from white.
bool Inked(const QImage& image, const Rect& area) {
  for (int y = std::max(0, area.top); y < std::min(image.height(), area.bottom); ++y)
    for (int x = std::max(0, area.left); x < std::min(image.width(), area.right); ++x)
      if (At(image, x, y) != kWhite) return true;
  return false;
}

TEST(QtCanvasTest, FillsFramesInsideAndCombinesBitmapsWithTheRasterOperation) {
  const Colour under = Rgb(0xF0, 0x0F, 0xFF);
  const Colour pixel = Rgb(0x3C, 0xFF, 0x00);
  Bitmap bitmap{"test", 2, 1, {Rgb(1, 2, 3), pixel}};
  QImage image = Painted(40, 20, [&](Canvas& c) {
    c.FillRect(RectAt(0, 0, 40, 20), under);
    c.FrameRect(RectAt(10, 10, 10, 6), Rgb(0, 0, 0xFF), 2);
    // The second pixel of the bitmap, drawn three ways.
    c.DrawBitmap(bitmap, RectAt(0, 0, 1, 1), Point{1, 0}, RasterOp::kCopy);
    c.DrawBitmap(bitmap, RectAt(1, 0, 1, 1), Point{1, 0}, RasterOp::kAnd);
    c.DrawBitmap(bitmap, RectAt(2, 0, 1, 1), Point{1, 0}, RasterOp::kOr);
    // A destination larger than what is left of the bitmap draws only what exists.
    c.DrawBitmap(bitmap, RectAt(3, 0, 5, 5), Point{1, 0}, RasterOp::kCopy);
  });
  EXPECT_EQ(pixel, At(image, 0, 0));
  EXPECT_EQ(Rgb(0x30, 0x0F, 0x00), At(image, 1, 0));
  EXPECT_EQ(Rgb(0xFC, 0xFF, 0xFF), At(image, 2, 0));
  EXPECT_EQ(pixel, At(image, 3, 0));
  EXPECT_EQ(under, At(image, 4, 0));
  EXPECT_EQ(under, At(image, 3, 1));

  // The pen lies inside the rectangle: its outermost pixels are blue, the next ring too, the
  // inside and the outside keep the fill.
  const Colour blue = Rgb(0, 0, 0xFF);
  EXPECT_EQ(blue, At(image, 10, 10));
  EXPECT_EQ(blue, At(image, 19, 15));
  EXPECT_EQ(blue, At(image, 11, 11));
  EXPECT_EQ(under, At(image, 12, 12));
  EXPECT_EQ(under, At(image, 9, 10));
  EXPECT_EQ(under, At(image, 20, 15));
  EXPECT_EQ(under, At(image, 15, 16));
}

TEST(QtCanvasTest, TextStartsAtItsTopLeftTurnsWithEscapementAndWrapsInsideItsRectangle) {
  TextStyle style;
  style.font = MakeFont("DejaVu Sans", 20, 700, kFamilySwiss);
  style.colour = Rgb(0, 0, 0);
  QImage flat = Painted(200, 100, [&](Canvas& c) { c.Text(Point{20, 40}, "Hello", style); });
  EXPECT_TRUE(Inked(flat, RectAt(20, 40, 80, 20)));
  EXPECT_FALSE(Inked(flat, RectAt(0, 0, 200, 40)));   // nothing above the origin
  EXPECT_FALSE(Inked(flat, RectAt(0, 0, 20, 100)));   // nor left of it
  EXPECT_FALSE(Inked(flat, RectAt(0, 61, 200, 39)));  // the cell is 20 pixels high

  // A quarter turn counter-clockwise: the line runs upwards from the origin.
  style.font.escapement = 900;
  QImage turned = Painted(200, 100, [&](Canvas& c) { c.Text(Point{20, 90}, "Hello", style); });
  EXPECT_TRUE(Inked(turned, RectAt(20, 20, 20, 70)));
  EXPECT_FALSE(Inked(turned, RectAt(41, 0, 159, 100)));

  // Opaque text paints its background; transparent text does not.
  style.font.escapement = 0;
  style.transparent = false;
  style.background = Rgb(0, 0xFF, 0);
  QImage opaque = Painted(200, 100, [&](Canvas& c) { c.Text(Point{0, 0}, "i", style); });
  EXPECT_EQ(Rgb(0, 0xFF, 0), At(opaque, 0, 1));

  // Words move to further lines in a narrow rectangle and nothing spills out of it.
  style.transparent = true;
  style.font = MakeFont("DejaVu Sans", 16);
  QImage wrapped = Painted(200, 200, [&](Canvas& c) {
    c.TextInRect(RectAt(10, 10, 60, 50), "one two three four five six seven", style);
  });
  EXPECT_TRUE(Inked(wrapped, RectAt(10, 10, 60, 16)));
  EXPECT_TRUE(Inked(wrapped, RectAt(10, 28, 60, 16)));
  EXPECT_FALSE(Inked(wrapped, RectAt(70, 0, 130, 200)));
  EXPECT_FALSE(Inked(wrapped, RectAt(0, 60, 200, 140)));
}

TEST(QtCanvasTest, FontsFollowTheDescription) {
  FontDescription d = MakeFont("DejaVu Serif", 24, 700);
  d.italic = 1;
  d.underline = 1;
  d.strikeOut = 1;
  QFont font = qt::MakeQFont(d);
  EXPECT_LE(QFontMetrics(font).height(), 24);  // positive heights are the whole cell
  EXPECT_GE(QFontMetrics(font).height(), 20);
  EXPECT_EQ(QFont::Bold, font.weight());
  EXPECT_TRUE(font.italic() && font.underline() && font.strikeOut());
  EXPECT_EQ(QStringLiteral("DejaVu Serif"), QFontInfo(font).family());

  d.height = -30;  // negative: the letters' own height
  EXPECT_EQ(30, qt::MakeQFont(d).pixelSize());

  // A face that is not installed falls back to one of the family named.
  FontDescription missing = MakeFont("No Such Face Here", 12, 400, 0x30 | 0x01);
  EXPECT_TRUE(QFontInfo(qt::MakeQFont(missing)).fixedPitch());
}

TEST(QtTextTest, BytesComeBackAsGivenWhileTheTextIsUnchanged) {
  const std::string latin1 = "caf\xe9";
  EXPECT_EQ(QStringLiteral("caf\u00e9"), qt::DecodeBytes(latin1));
  EXPECT_EQ(QStringLiteral("na\u00efve"), qt::DecodeBytes("na\xc3\xafve"));
  EXPECT_EQ(latin1, qt::BytesFor(QStringLiteral("caf\u00e9"), latin1));
  // Changed text keeps a Latin-1 original's encoding when it can, else becomes UTF-8.
  EXPECT_EQ("caf\xe9s", qt::BytesFor(QStringLiteral("caf\u00e9s"), latin1));
  EXPECT_EQ("caf\xe2\x82\xac", qt::BytesFor(QStringLiteral("caf\u20ac"), latin1));
  EXPECT_EQ(
      "na\xc3\xaf"
      "f",
      qt::BytesFor(QStringLiteral("na\u00ef"
                                  "f"),
                   "na\xc3\xafve"));
  // Line breaks of a multi-line text come back as they were given.
  EXPECT_EQ("a\r\nb", qt::BytesFor(QStringLiteral("a\nb"), "a\r\nb"));
  EXPECT_EQ("a\r\nbc", qt::BytesFor(QStringLiteral("a\nbc"), "a\r\nb"));
  // Overlong and truncated sequences are not UTF-8.
  EXPECT_FALSE(qt::IsValidUtf8("\xc0\xaf"));
  EXPECT_FALSE(qt::IsValidUtf8("ab\xc3"));
  EXPECT_TRUE(qt::IsValidUtf8(""));
}

}  // namespace
