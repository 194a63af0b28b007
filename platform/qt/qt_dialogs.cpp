// The Qt backend's message boxes and common dialogs.
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "platform/qt/qt_backend.h"
#include "platform/text.h"

namespace platform::qt {

int QtUi::MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                     unsigned style) {
  if (!IsGuiThread()) {
    // Any thread may report through a box; it is shown by the GUI thread.
    int answer = 0;
    const std::string t(text), c(caption);
    OnGuiThread([&] { answer = MessageBox(owner, t, c, style); });
    return answer;
  }
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QMessageBox::StandardButton first = QMessageBox::Ok;
  QMessageBox::StandardButton escape = QMessageBox::Ok;
  switch (style & kBoxButtonsMask) {
    case kBoxOkCancel:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
    case kBoxYesNoCancel:
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      first = QMessageBox::Yes;
      escape = QMessageBox::Cancel;
      break;
    case kBoxYesNo:
      buttons = QMessageBox::Yes | QMessageBox::No;
      first = QMessageBox::Yes;
      escape = QMessageBox::No;
      break;
    case kBoxRetryCancel:
      buttons = QMessageBox::Retry | QMessageBox::Cancel;
      first = QMessageBox::Retry;
      escape = QMessageBox::Cancel;
      break;
    default:
      break;
  }
  // Buttons in the order the style names them: the default flag picks the second or third.
  if ((style & kBoxDefaultMask) == kBoxDefaultButton2) {
    if (first == QMessageBox::Yes)
      first = QMessageBox::No;
    else if (escape == QMessageBox::Cancel)
      first = QMessageBox::Cancel;
  } else if ((style & kBoxDefaultMask) == kBoxDefaultButton3 &&
             (style & kBoxButtonsMask) == kBoxYesNoCancel) {
    first = QMessageBox::Cancel;
  }
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (style & kBoxIconMask) {
    case kBoxIconStop:
      icon = QMessageBox::Critical;
      break;
    case kBoxIconQuestion:
      icon = QMessageBox::Question;
      break;
    case kBoxIconExclamation:
      icon = QMessageBox::Warning;
      break;
    case kBoxIconInformation:
      icon = QMessageBox::Information;
      break;
    default:
      break;
  }
  QMessageBox box(icon, DecodeBytes(caption), DecodeBytes(text), buttons, FrameOf(owner));
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(first);
  box.setEscapeButton(escape);
  PushFrame({LoopFrame::Kind::kModal, nullptr, nullptr});
  box.exec();
  PopFrame();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return kAnswerOk;
    case QMessageBox::Cancel:
      return kAnswerCancel;
    case QMessageBox::Retry:
      return kAnswerRetry;
    case QMessageBox::Yes:
      return kAnswerYes;
    case QMessageBox::No:
      return kAnswerNo;
    default:
      break;
  }
  // Closed some other way: as the escape button would have.
  switch (escape) {
    case QMessageBox::Cancel:
      return kAnswerCancel;
    case QMessageBox::No:
      return kAnswerNo;
    default:
      return kAnswerOk;
  }
}

namespace {

QString PathText(std::string_view bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string PathBytes(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

double ScreenDpi() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchY() : 96.0;
}

}  // namespace

std::optional<std::string> QtUi::ChooseOpenFile(const OpenFileRequest& request) {
  QFileDialog dialog(
      FrameOf(request.owner), DecodeBytes(request.title),
      request.initialDir.empty() ? QDir::currentPath() : PathText(request.initialDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  QStringList filters;
  for (const FileFilter& f : request.filters) {
    QString patterns = DecodeBytes(f.pattern);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(DecodeBytes(f.name), patterns);
  }
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  PushFrame({LoopFrame::Kind::kModal, nullptr, nullptr});
  const bool accepted = dialog.exec() == QDialog::Accepted;
  PopFrame();
  if (!accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return PathBytes(dialog.selectedFiles().first());
}

std::optional<std::string> QtUi::ChooseDirectory(WindowHandle owner, std::string_view title,
                                                 std::string_view start) {
  QFileDialog dialog(FrameOf(owner), DecodeBytes(title),
                     start.empty() ? QDir::currentPath() : PathText(start));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  PushFrame({LoopFrame::Kind::kModal, nullptr, nullptr});
  const bool accepted = dialog.exec() == QDialog::Accepted;
  PopFrame();
  if (!accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return PathBytes(dialog.selectedFiles().first());
}

bool QtUi::ChooseFont(FontRequest* request) {
  const double dpi = ScreenDpi();
  const FontDescription& start = request->font;
  const int lowest = request->minPoints > 0 ? request->minPoints : 6;
  const int highest = request->maxPoints >= lowest ? request->maxPoints : 72;
  int points = 10;
  if (start.height != 0)
    points = static_cast<int>(std::lround(std::abs(start.height) * 72.0 / dpi));
  points = std::clamp(points, lowest, highest);

  QDialog dialog(FrameOf(request->owner));
  dialog.setWindowTitle(QStringLiteral("Font"));
  dialog.setObjectName(QStringLiteral("fontChooser"));
  auto* form = new QFormLayout(&dialog);
  auto* face = new QFontComboBox(&dialog);
  face->setObjectName(QStringLiteral("face"));
  face->setFontFilters(QFontComboBox::ScalableFonts);
  if (start.faceName[0]) face->setCurrentFont(QFont(DecodeBytes(std::string_view(start.faceName))));
  auto* size = new QComboBox(&dialog);
  size->setObjectName(QStringLiteral("size"));
  for (int p = lowest; p <= highest; ++p)
    size->addItem(QString::number(p), p);
  size->setCurrentIndex(points - lowest);
  auto* bold = new QCheckBox(QStringLiteral("Bold"), &dialog);
  bold->setObjectName(QStringLiteral("bold"));
  bold->setChecked(start.weight >= 600);
  auto* italic = new QCheckBox(QStringLiteral("Italic"), &dialog);
  italic->setObjectName(QStringLiteral("italic"));
  italic->setChecked(start.italic != 0);
  auto* underline = new QCheckBox(QStringLiteral("Underline"), &dialog);
  underline->setObjectName(QStringLiteral("underline"));
  underline->setChecked(start.underline != 0);
  auto* strikeOut = new QCheckBox(QStringLiteral("Strikeout"), &dialog);
  strikeOut->setObjectName(QStringLiteral("strikeOut"));
  strikeOut->setChecked(start.strikeOut != 0);
  QColor colour = ToQColor(request->colour);
  auto* colourButton = new QPushButton(QStringLiteral("Colour..."), &dialog);
  colourButton->setObjectName(QStringLiteral("colour"));
  auto* sample = new QLabel(QStringLiteral("AaBbYyZz"), &dialog);
  sample->setMinimumHeight(40);
  auto showSample = [&] {
    QFont f = face->currentFont();
    f.setPointSize(size->currentData().toInt());
    f.setBold(bold->isChecked());
    f.setItalic(italic->isChecked());
    f.setUnderline(underline->isChecked());
    f.setStrikeOut(strikeOut->isChecked());
    sample->setFont(f);
    sample->setStyleSheet(QStringLiteral("color: %1").arg(colour.name()));
  };
  QObject::connect(face, &QFontComboBox::currentFontChanged, &dialog, showSample);
  QObject::connect(size, &QComboBox::currentIndexChanged, &dialog, showSample);
  for (QCheckBox* box : {bold, italic, underline, strikeOut})
    QObject::connect(box, &QCheckBox::toggled, &dialog, showSample);
  QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
    const QColor chosen = QColorDialog::getColor(colour, &dialog);
    if (chosen.isValid()) colour = chosen;
    showSample();
  });
  form->addRow(QStringLiteral("Font:"), face);
  form->addRow(QStringLiteral("Size:"), size);
  form->addRow(bold);
  form->addRow(italic);
  if (request->effects) {
    form->addRow(underline);
    form->addRow(strikeOut);
    form->addRow(colourButton);
  } else {
    underline->hide();
    strikeOut->hide();
    colourButton->hide();
  }
  form->addRow(sample);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  showSample();

  PushFrame({LoopFrame::Kind::kModal, nullptr, nullptr});
  const bool accepted = dialog.exec() == QDialog::Accepted;
  PopFrame();
  if (!accepted) return false;

  FontDescription& out = request->font;
  CopyText(out.faceName, face->currentFont().family().toUtf8().toStdString());
  // A negative height is the letters' height: points at the screen's resolution.
  out.height = -static_cast<std::int32_t>(std::lround(size->currentData().toInt() * dpi / 72.0));
  out.width = 0;
  out.weight = bold->isChecked() ? 700 : 400;
  out.italic = italic->isChecked() ? 1 : 0;
  out.underline = underline->isChecked() ? 1 : 0;
  out.strikeOut = strikeOut->isChecked() ? 1 : 0;
  request->colour = FromQColor(colour);
  return true;
}

}  // namespace platform::qt
