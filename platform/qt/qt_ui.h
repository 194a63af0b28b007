// The Qt 6 Widgets backend of the UI services, for the desktop program and its screenshots.
#pragma once

#include <memory>
#include <string>

#include "platform/ui.h"

namespace platform {

// A backend drawing with Qt widgets. A QApplication must exist first and outlive the backend;
// install it with SetUiBackend and run the program's loop with RunMessageLoop. Windows live on
// the application's (GUI) thread: other threads may send, post, post the quit and show message
// boxes, and windows and dialogs they create are made on the GUI thread; RunMessageLoop off that
// thread returns -1 at once.
std::unique_ptr<UiBackend> MakeQtUi();

// The innermost dialog RunDialog is running now, or nullptr.
WindowHandle ActiveDialog();

// Writes a picture of a window (its client area with the menu bar, without the desktop's
// frame), a dialog or a control to a PNG file. nullptr takes the open pop-up menu or modal box
// or dialog. False when there is nothing to take or the file cannot be written.
bool SaveWindowImage(WindowHandle window, const std::string& pngPath);

}  // namespace platform
