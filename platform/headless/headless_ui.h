// The headless UI backend: records every box, answers from a script, else from defaults.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform {

struct BoxRecord {
  WindowHandle owner;
  std::string caption;
  std::string text;
  unsigned style;
  int answer;
};

class HeadlessUi final : public UiBackend {
 public:
  // Answers the next box whose caption contains captionPart (empty: any box) with answer.
  // Scripted answers are used once each, in the order given.
  void Script(std::string captionPart, int answer);
  // With no script for a box, questions are answered Yes instead of No.
  void SetAnswerYes(bool yes) { answerYes_ = yes; }
  // Where unscripted boxes are printed as "CAPTION: text" (nullptr: not printed).
  void SetEcho(std::FILE* out) { echo_ = out; }

  const std::vector<BoxRecord>& boxes() const { return boxes_; }
  void Clear() {
    boxes_.clear();
    script_.clear();
  }

  int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                 unsigned style) override;

 private:
  struct Scripted {
    std::string captionPart;
    int answer;
  };
  std::deque<Scripted> script_;
  std::vector<BoxRecord> boxes_;
  bool answerYes_ = false;
  std::FILE* echo_ = stderr;
};

// The process's default backend.
HeadlessUi& DefaultHeadlessUi();

}  // namespace platform
