// Painting: fonts described by the 64-byte font record, bitmaps as plain pixels, and the canvas
// a window procedure draws on when it receives the paint message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_types.h"

namespace platform {

// A font description: the first 60 bytes of the font record, field for field.
struct FontDescription {
  std::int32_t height = 0;       // positive: cell height in pixels
  std::int32_t width = 0;        // 0: the face's own width
  std::int32_t escapement = 0;   // text angle, tenths of a degree
  std::int32_t orientation = 0;  // tenths of a degree
  std::int32_t weight = 400;     // 400 normal, 700 bold
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 0;
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  char faceName[32] = {};  // NUL-terminated
  friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

// Pitch-and-family values the program uses.
constexpr std::uint8_t kFamilySwiss = 0x20;
constexpr std::uint8_t kPitchVariable = 0x02;

// Bytes in a font file: the description and then the colour.
constexpr std::size_t kFontRecordSize = 64;

// Reads a font record (little-endian words). A face without its NUL is cut at 31 bytes.
void DecodeFontRecord(const unsigned char (&record)[kFontRecordSize], FontDescription* font,
                      Colour* colour);
// Writes a font record; bytes after the face's NUL are zero.
void EncodeFontRecord(const FontDescription& font, Colour colour,
                      unsigned char (&record)[kFontRecordSize]);
// A description with the given face, height and weight, everything else zero.
FontDescription MakeFont(std::string_view face, int height, int weight = 400,
                         std::uint8_t pitchAndFamily = 0);

// How bitmap pixels combine with what is already painted.
enum class RasterOp { kCopy, kAnd, kOr };

// A bitmap: rows of 0x00BBGGRR pixels, top row first. The name says where it came from (a
// resource or skin name); a backend may draw a named bitmap without pixels as a placeholder.
struct Bitmap {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;
  bool empty() const { return width <= 0 || height <= 0; }
};

enum class StockIcon { kInformation, kApplication };

// How text is drawn: font, colour, and a background box unless transparent.
struct TextStyle {
  FontDescription font;
  Colour colour = 0;
  bool transparent = true;
  Colour background = Rgb(0xFF, 0xFF, 0xFF);
};

// What a paint handler draws on. Coordinates are the window's client pixels.
class Canvas {
 public:
  virtual ~Canvas() = default;
  // The part of the window being painted; drawing outside it may be dropped.
  virtual Rect area() const = 0;
  virtual void FillRect(const Rect& rect, Colour colour) = 0;
  // Outlines rect with a pen of the given width, drawn inside the rectangle.
  virtual void FrameRect(const Rect& rect, Colour colour, int penWidth) = 0;
  virtual void Line(Point from, Point to, Colour colour, int penWidth) = 0;
  // Text with its top-left corner at origin, on one line.
  virtual void Text(Point origin, std::string_view text, const TextStyle& style) = 0;
  // Text broken into lines at blanks to fit the rectangle's width, clipped to it.
  virtual void TextInRect(const Rect& rect, std::string_view text, const TextStyle& style) = 0;
  // Draws the part of bitmap starting at source, of the destination's size, at dest.
  virtual void DrawBitmap(const Bitmap& bitmap, const Rect& dest, Point source, RasterOp op) = 0;
  virtual void DrawIcon(Point origin, StockIcon icon) = 0;
  // The width in pixels text takes on one line in the font. By default an estimate: two fifths
  // of the font's height per character (a backend that draws measures it).
  virtual int TextWidth(std::string_view text, const FontDescription& font);
};

}  // namespace platform
