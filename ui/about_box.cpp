// The about box, and the loader of the program's string resources.
#include "ui/about_box.h"

#include <array>
#include <cstddef>
#include <string>

#include "config/version.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "ui/resources.h"
#include "ui/skins.h"

using namespace platform;

namespace {

constexpr int kAboutWidth = 370;
constexpr int kAboutHeight = 210;

// The credits behind the hidden sequence are kept scrambled so that they do not show in a
// listing of the program's strings; the plain texts exist only while compiling.
constexpr unsigned char ScrambleKey(std::size_t i) {
  return static_cast<unsigned char>(0x5A + 7 * i);
}

template <std::size_t N>
struct ScrambledText {
  std::array<unsigned char, N - 1> bytes;
};

template <std::size_t N>
consteval ScrambledText<N> Scramble(const char (&plain)[N]) {
  ScrambledText<N> s{};
  for (std::size_t i = 0; i + 1 < N; ++i)
    s.bytes[i] = static_cast<unsigned char>(static_cast<unsigned char>(plain[i]) ^ ScrambleKey(i));
  return s;
}

template <std::size_t N>
std::string Unscramble(const ScrambledText<N>& s) {
  std::string plain(s.bytes.size(), '\0');
  for (std::size_t i = 0; i < s.bytes.size(); ++i)
    plain[i] = static_cast<char>(s.bytes[i] ^ ScrambleKey(i));
  return plain;
}

constexpr auto kCredit1 = Scramble("Tagsteward was made by a small team:");
constexpr auto kCredit2 = Scramble("the engine crew - head reader, writer and tree walker,");
constexpr auto kCredit3 = Scramble("the panel crew - windows, skins and the Expert bar,");
constexpr auto kCredit4 = Scramble("and the lead who stitched it all together.");
constexpr auto kCredit5 = Scramble("Thank you for keeping your meta tags tidy!");

std::array<std::string, 5> HiddenLines() {
  return {Unscramble(kCredit1), Unscramble(kCredit2), Unscramble(kCredit3), Unscramble(kCredit4),
          Unscramble(kCredit5)};
}

// The places, in order, where a right-button double-click moves the hidden sequence on: the
// picture, the "Running on :" label, then the bottom right corner.
constexpr Rect kSecretPlaces[] = {
    RectAt(4, 1, 64, 74),
    RectAt(5, 83, 60, 16),
    Rect{kAboutWidth - 40, kAboutHeight - 30, kAboutWidth, kAboutHeight},
};
constexpr int kSecretSteps = static_cast<int>(sizeof kSecretPlaces / sizeof kSecretPlaces[0]);

struct AboutState {
  char product[260];
  char version[260];
  char secondLine[260];
  char notice[512];
  std::string firstLine;
  std::string systemLine;
  int secretStep = 0;  // double-clicks matched so far
  bool secretShown = false;
};
AboutState* gAbout = nullptr;  // the open about box (it is modal: one at a time)

FontDescription AboutFont(int height) {
  return MakeFont("", height, 400, kFamilySwiss | kPitchVariable);
}

TextStyle Plain(int height) {
  TextStyle style;
  style.font = AboutFont(height);
  style.colour = Rgb(0, 0, 0);
  style.transparent = true;
  return style;
}

void InitAbout(WindowHandle dialog, AboutState& about) {
  const Rect now = WindowRect(dialog);
  MoveWindow(dialog, RectAt(100, 150, now.width(), now.height()));
  CopyText(about.product, LoadResString(507));
  CopyText(about.version, LoadResString(505));
  CopyText(about.secondLine, LoadResString(508));
  // The notice is longer than the shared buffer holds.
  CopyText(about.notice, ResourceString(506));
  SetWindowTitle(dialog, Format("About %s", about.product));
  about.firstLine = Format("%s  %s", about.product, about.version);
  about.systemLine = SystemDescription();
}

void PaintAbout(Canvas& dc, const AboutState& about) {
  PaintSkin(dc, 6, 3, 240);
  if (about.secretShown) {
    const Bitmap& back = ResourceBitmap(kBmpAboutHidden);
    dc.DrawBitmap(back, RectAt(0, 0, kAboutWidth, kAboutHeight), Point{}, RasterOp::kCopy);
    const TextStyle style = Plain(14);
    int y = 20;
    for (const std::string& line : HiddenLines()) {
      dc.Text({20, y}, line, style);
      y += 20;
    }
    return;
  }
  const Bitmap& picture = ResourceBitmap(kBmpAbout);
  dc.DrawBitmap(picture, RectAt(4, 1, 64, 74), Point{}, RasterOp::kCopy);
  const TextStyle text = Plain(14);
  dc.Text({80, 10}, about.firstLine, text);
  dc.Text({80, 30}, about.secondLine, text);
  dc.Text({80, 50}, "Site meta tags, managed from one place.", text);
  dc.Text({5, 83}, "Running on :", text);
  dc.Text({70, 83}, about.systemLine, text);
  dc.TextInRect(Rect{5, 105, 360, 170}, about.notice, Plain(11));
}

void SecretClick(WindowHandle dialog, AboutState& about, Point at) {
  if (about.secretShown) {
    about.secretShown = false;
    about.secretStep = 0;
  } else if (kSecretPlaces[about.secretStep].Contains(at.x, at.y)) {
    if (++about.secretStep == kSecretSteps) about.secretShown = true;
  } else {
    about.secretStep = kSecretPlaces[0].Contains(at.x, at.y) ? 1 : 0;
  }
  InvalidateWindow(dialog, nullptr);
}

LResult AboutProc(WindowHandle dialog, unsigned message, WParam w, LParam l) {
  if (!gAbout) return 0;
  switch (message) {
    case kMsgInitDialog:
      InitAbout(dialog, *gAbout);
      return 1;
    case kMsgPaint:
      PaintAbout(*PaintCanvas(l), *gAbout);
      return 1;
    case kMsgRButtonDblClk:
      SecretClick(dialog, *gAbout, PointOfParam(l));
      return 1;
    case kMsgCommand:
      if (LowWord(w) == kCommandOk || LowWord(w) == kCommandCancel) {
        EndDialog(dialog, static_cast<int>(LowWord(w)));
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

DialogTemplate AboutTemplate() {
  DialogTemplate t;
  t.title = "AboutBox";
  t.width = kAboutWidth;
  t.height = kAboutHeight;
  t.skinColumn = -1;  // painted by the procedure, which honours the no-skins option
  t.controls = {
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(150, 178, 70, 24), kStyleDefaultButton},
  };
  return t;
}

}  // namespace

int AboutBox(WindowHandle owner) {
  AboutState about{};
  AboutState* outer = gAbout;
  gAbout = &about;
  const int result = RunDialog(owner, AboutTemplate(), AboutProc, 0);
  gAbout = outer;
  return result;
}

const char* LoadResString(int id) {
  static char buffer[260];
  CopyText(buffer, ResourceString(id));
  return buffer;
}
