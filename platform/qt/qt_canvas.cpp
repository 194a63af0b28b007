// Painting through QPainter, fonts from font descriptions, and the bytes-to-text rule.
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QStringDecoder>
#include <QStyle>
#include <algorithm>

#include "platform/qt/qt_backend.h"
#include "platform/text.h"

namespace platform::qt {

bool IsValidUtf8(std::string_view bytes) {
  return platform::IsValidUtf8(bytes);
}

QString DecodeBytes(std::string_view bytes) {
  const auto size = static_cast<qsizetype>(bytes.size());
  if (IsValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), size);
  return QString::fromLatin1(bytes.data(), size);
}

namespace {
// Multi-line edits show "\r\n" as a line break and give back "\n".
QString WithoutCarriageReturns(QString text) {
  return text.remove(QLatin1Char('\r'));
}
}  // namespace

std::string BytesFor(const QString& shown, const std::string& original) {
  const QString before = DecodeBytes(original);
  if (shown == before || WithoutCarriageReturns(shown) == WithoutCarriageReturns(before))
    return original;
  QString text = shown;
  if (original.find("\r\n") != std::string::npos && !shown.contains(QLatin1Char('\r')))
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  // A Latin-1 original stays Latin-1 when it can, so a page keeps one encoding.
  if (!IsValidUtf8(original)) {
    const bool fits =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
    if (fits) return text.toLatin1().toStdString();
  }
  return text.toUtf8().toStdString();
}

QColor ToQColor(Colour colour) {
  return QColor(static_cast<int>(RedOf(colour)), static_cast<int>(GreenOf(colour)),
                static_cast<int>(BlueOf(colour)));
}

Colour FromQColor(const QColor& colour) {
  return Rgb(static_cast<unsigned>(colour.red()), static_cast<unsigned>(colour.green()),
             static_cast<unsigned>(colour.blue()));
}

QFont MakeQFont(const FontDescription& d) {
  QFont font = QApplication::font();
  const std::string_view face(d.faceName, strnlen(d.faceName, sizeof d.faceName));
  // A face that is not installed falls back to a face of the family the record names.
  switch (d.pitchAndFamily & 0xF0) {
    case 0x10:
      font.setStyleHint(QFont::Serif);
      break;
    case 0x20:
      font.setStyleHint(QFont::SansSerif);
      break;
    case 0x30:
      font.setStyleHint(QFont::TypeWriter);
      break;
    case 0x40:
      font.setStyleHint(QFont::Cursive);
      break;
    case 0x50:
      font.setStyleHint(QFont::Decorative);
      break;
    default:
      if ((d.pitchAndFamily & 0x03) == 1) font.setStyleHint(QFont::TypeWriter);
      break;
  }
  if (!face.empty()) {
    font.setFamilies({DecodeBytes(face)});
  } else {
    // Without a face the application's own family would win over the hint: name the faces
    // the program's texts were laid out for (metric-compatible ones where they are missing).
    switch (d.pitchAndFamily & 0xF0) {
      case 0x10:
        font.setFamilies({"Times New Roman", "Liberation Serif", "serif"});
        break;
      case 0x20:
        font.setFamilies({"Arial", "Liberation Sans", "sans-serif"});
        break;
      case 0x30:
        font.setFamilies({"Courier New", "Liberation Mono", "monospace"});
        break;
      default:
        break;
    }
  }
  if (d.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(d.weight, 1, 1000)));
  font.setItalic(d.italic != 0);
  font.setUnderline(d.underline != 0);
  font.setStrikeOut(d.strikeOut != 0);
  if (d.height < 0) {
    font.setPixelSize(-d.height);
  } else if (d.height > 0) {
    // A cell height includes the leading above the letters; scale the size so the cell fits.
    font.setPixelSize(d.height);
    const int cell = QFontMetrics(font).height();
    if (cell > d.height) font.setPixelSize(std::max(1, d.height * d.height / cell));
  }
  return font;
}

namespace {
QRect ToQRect(const Rect& r) {
  return QRect(r.left, r.top, r.width(), r.height());
}
}  // namespace

void QtCanvas::FillRect(const Rect& rect, Colour colour) {
  if (!rect.empty()) painter_->fillRect(ToQRect(rect), ToQColor(colour));
}

void QtCanvas::FrameRect(const Rect& rect, Colour colour, int penWidth) {
  if (rect.empty() || penWidth <= 0) return;
  const QColor c = ToQColor(colour);
  const int w = std::min(penWidth, rect.width());
  const int h = std::min(penWidth, rect.height());
  painter_->fillRect(QRect(rect.left, rect.top, rect.width(), h), c);
  painter_->fillRect(QRect(rect.left, rect.bottom - h, rect.width(), h), c);
  painter_->fillRect(QRect(rect.left, rect.top, w, rect.height()), c);
  painter_->fillRect(QRect(rect.right - w, rect.top, w, rect.height()), c);
}

void QtCanvas::Line(Point from, Point to, Colour colour, int penWidth) {
  painter_->save();
  QPen pen(ToQColor(colour));
  pen.setWidth(std::max(1, penWidth));
  pen.setCapStyle(Qt::FlatCap);
  painter_->setPen(pen);
  painter_->drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y));
  painter_->restore();
}

void QtCanvas::Text(Point origin, std::string_view text, const TextStyle& style) {
  const QString shown = DecodeBytes(text);
  const QFont font = MakeQFont(style.font);
  const QFontMetrics metrics(font);
  painter_->save();
  painter_->setFont(font);
  painter_->translate(origin.x, origin.y);
  // Escapement turns the line counter-clockwise about its top-left corner.
  if (style.font.escapement != 0) painter_->rotate(-style.font.escapement / 10.0);
  if (!style.transparent)
    painter_->fillRect(QRect(0, 0, metrics.horizontalAdvance(shown), metrics.height()),
                       ToQColor(style.background));
  painter_->setPen(ToQColor(style.colour));
  painter_->drawText(QPoint(0, metrics.ascent()), shown);
  painter_->restore();
}

int QtCanvas::TextWidth(std::string_view text, const FontDescription& font) {
  return QFontMetrics(MakeQFont(font)).horizontalAdvance(DecodeBytes(text));
}

void QtCanvas::TextInRect(const Rect& rect, std::string_view text, const TextStyle& style) {
  if (rect.empty()) return;
  const QString shown = DecodeBytes(text);
  const QRect box = ToQRect(rect);
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
  painter_->save();
  painter_->setFont(MakeQFont(style.font));
  painter_->setClipRect(box, Qt::IntersectClip);
  if (!style.transparent)
    painter_->fillRect(painter_->boundingRect(box, flags, shown).intersected(box),
                       ToQColor(style.background));
  painter_->setPen(ToQColor(style.colour));
  painter_->drawText(box, flags, shown);
  painter_->restore();
}

void QtCanvas::DrawBitmap(const Bitmap& bitmap, const Rect& dest, Point source, RasterOp op) {
  if (bitmap.empty() || dest.empty() ||
      bitmap.pixels.size() < static_cast<std::size_t>(bitmap.width) * bitmap.height)
    return;
  // Only the part of the bitmap that exists is drawn.
  const int left = std::max(0, source.x);
  const int top = std::max(0, source.y);
  const int width = std::min(dest.width(), bitmap.width - left);
  const int height = std::min(dest.height(), bitmap.height - top);
  if (width <= 0 || height <= 0) return;
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    const Colour* from = bitmap.pixels.data() + static_cast<std::size_t>(top + y) * bitmap.width;
    for (int x = 0; x < width; ++x) {
      const Colour c = from[left + x];
      row[x] = qRgb(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)),
                    static_cast<int>(BlueOf(c)));
    }
  }
  painter_->save();
  switch (op) {
    case RasterOp::kCopy:
      painter_->setCompositionMode(QPainter::CompositionMode_Source);
      break;
    case RasterOp::kAnd:
      painter_->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      break;
    case RasterOp::kOr:
      painter_->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      break;
  }
  painter_->drawImage(QPoint(dest.left, dest.top), image);
  painter_->restore();
}

void QtCanvas::DrawIcon(Point origin, StockIcon icon) {
  QIcon shown = icon == StockIcon::kInformation
                    ? QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation)
                    : QApplication::windowIcon();
  if (shown.isNull()) shown = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
  painter_->drawPixmap(QPoint(origin.x, origin.y), shown.pixmap(32, 32));
}

}  // namespace platform::qt
