#include "ui/working_display.h"

char text[20][512];

namespace {
WorkingDisplaySink gNoDisplay;
WorkingDisplaySink* gSink = &gNoDisplay;
}  // namespace

WorkingDisplaySink* SetWorkingDisplaySink(WorkingDisplaySink* sink) {
  WorkingDisplaySink* previous = gSink == &gNoDisplay ? nullptr : gSink;
  gSink = sink ? sink : &gNoDisplay;
  return previous;
}

void SetWorkingLine(int level, const char* text) {
  if (level >= 0 && level < 20) gSink->WorkingLine(level, text);
}

void ShowNotify(const char* text) {
  gSink->Notify(text);
}
void PumpOneMessage() {
  gSink->PumpOne();
}
void ShowProgress(int percent) {
  gSink->Progress(percent);
}
void ClearProgress() {
  gSink->ClearProgress();
}
void PumpAllMessages() {
  gSink->PumpAll();
}
void ShowTaskRunning(bool running) {
  gSink->TaskRunning(running);
}
void ShowTaskEditRows(bool show) {
  gSink->EditRows(show);
}
void ShowWaitCursor(bool wait) {
  gSink->WaitCursor(wait);
}
