// What a running task shows: the working lines, the progress bar, the notify box, and the one
// pending message it lets the window handle between documents. The main window, the CLI and
// the tests each install their own sink; without one nothing is shown.
#pragma once

#include <string_view>

// The working display: one 512-byte line per walk level, painted by the main window.
extern char text[20][512];

class WorkingDisplaySink {
 public:
  virtual ~WorkingDisplaySink() = default;
  virtual void WorkingLine(int level, std::string_view text) { (void)level, (void)text; }
  virtual void Progress(int percent) { (void)percent; }
  virtual void ClearProgress() {}
  virtual void Notify(std::string_view text) { (void)text; }  // empty text closes the box
  virtual void PumpOne() {}
  virtual void PumpAll() {}
  // A task starts (CANCEL shown, the window's other controls disabled) or ends.
  virtual void TaskRunning(bool running) { (void)running; }
  // The page editor's rows are shown or hidden around a task.
  virtual void EditRows(bool show) { (void)show; }
  // The wait cursor is shown or taken away.
  virtual void WaitCursor(bool wait) { (void)wait; }
};

// Installs a sink (nullptr: none). Returns the previous one.
WorkingDisplaySink* SetWorkingDisplaySink(WorkingDisplaySink* sink);

// Shows text on the working line of a walk level (levels 0 to 19 have a line); "" clears it.
void SetWorkingLine(int level, const char* text);
// Opens the notify box with text, or closes it with "".
void ShowNotify(const char* text);
// Lets the window handle at most one pending message.
void PumpOneMessage();
// Lets the window handle everything pending.
void PumpAllMessages();
// Shows CANCEL and disables the window's other controls while a task runs, or undoes that.
void ShowTaskRunning(bool running);
// Shows or hides the page editor's rows.
void ShowTaskEditRows(bool show);
// Shows the wait cursor, or the arrow again.
void ShowWaitCursor(bool wait);
// Paints the progress bar at percent; clears it.
void ShowProgress(int percent);
void ClearProgress();
