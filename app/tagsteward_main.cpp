// tagsteward: the desktop program. The command line is empty or names the configuration
// directory.
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "config/startup.h"
#include "config/user_home.h"
#include "platform/qt/qt_ui.h"
#include "platform/ui.h"
#include "ui/diagnostics.h"
#include "ui/resources.h"
#include "ui/zoom.h"

#ifndef TS_SHARE_DIR
#define TS_SHARE_DIR "/usr/local/share/tagsteward"
#endif

namespace {

QIcon ProgramIcon() {
  QIcon icon;
  for (const char* name : {"SMALL", "Tagsteward"}) {
    const platform::Bitmap& bitmap = NamedBitmap(name);
    if (bitmap.empty()) continue;
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height; ++y)
      for (int x = 0; x < bitmap.width; ++x) {
        platform::Colour c = bitmap.pixels[static_cast<size_t>(y * bitmap.width + x)];
        image.setPixel(x, y, qRgb(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c)));
      }
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  // The zoom scales every window through Qt's scale factor, which must be known before the
  // application starts; the user's own QT_SCALE_FACTOR wins.
  const bool userScale = std::getenv("QT_SCALE_FACTOR") != nullptr;
  const int zoom = userScale ? 100 : StoredZoom();
  if (zoom > 100) setenv("QT_SCALE_FACTOR", std::to_string(zoom / 100.0).c_str(), 1);
  QApplication app(argc, argv);
  if (!userScale && zoom == 0) {
    // The first start on this account: a wide screen gets a larger window, from now on.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int proposed = ProposedZoom(screen ? screen->size().width() : 0);
    if (StoreZoom(proposed) == 0 && proposed != 100) {
      setenv("QT_SCALE_FACTOR", std::to_string(proposed / 100.0).c_str(), 1);
      execv("/proc/self/exe", argv);  // only returns when it failed: go on at 100 %
    }
  }
  QApplication::setApplicationName("tagsteward");
  QApplication::setDesktopFileName("tagsteward");
  QApplication::setWindowIcon(ProgramIcon());

  std::unique_ptr<platform::UiBackend> ui = platform::MakeQtUi();
  platform::SetUiBackend(ui.get());

  // Started by the fatal-signal handler of a program that crashed: show its dump.
  if (argc == 5 && std::strcmp(argv[1], kDiagnosticsOption) == 0) {
    int code = RunCrashDiagnostics(std::atoi(argv[2]), argv[3], argv[4]);
    platform::SetUiBackend(nullptr);
    return code;
  }
  char self[4096];
  ssize_t selfLength = readlink("/proc/self/exe", self, sizeof self - 1);
  if (selfLength > 0) {
    self[selfLength] = '\0';
    SetDiagnosticsWindowProgram(self);
  }

  std::string commandLine = argc > 1 ? argv[1] : "";
  // Started from the desktop menu: work in the per-user home.
  if (commandLine.empty() && !PrepareUserHome(TS_SHARE_DIR).empty()) commandLine = UserConfigHome();
  InstallProgramDialogs();
  int code = ProgramEntry(commandLine.c_str(), platform::ShowState::kShow);

  platform::SetUiBackend(nullptr);
  return code;
}
