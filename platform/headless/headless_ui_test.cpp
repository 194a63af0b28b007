#include "platform/headless/headless_ui.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace platform;

TEST(HeadlessUiTest, ScriptedAnswersThenDefaultsAndEcho) {
  HeadlessUi ui;
  char* echoed = nullptr;
  size_t size = 0;
  std::FILE* mem = open_memstream(&echoed, &size);
  ui.SetEcho(mem);
  UiBackend* previous = SetUiBackend(&ui);
  ui.Script("STARTUP", kAnswerYes);
  EXPECT_EQ(kAnswerNo, ShowMessageBox(nullptr, "q1", "OTHER", kBoxYesNo | kBoxIconQuestion));
  EXPECT_EQ(kAnswerYes, ShowMessageBox(nullptr, "q2", "TAGSTEWARD STARTUP", kBoxYesNo));
  EXPECT_EQ(kAnswerOk, ShowMessageBox(nullptr, "all done", "NOTE", kBoxOk));
  ui.SetAnswerYes(true);
  EXPECT_EQ(kAnswerYes, ShowMessageBox(nullptr, "q3", "WARNING", kBoxYesNoCancel));
  EXPECT_EQ(kAnswerCancel, ShowMessageBox(nullptr, "again?", "RETRY", kBoxRetryCancel));
  SetUiBackend(previous);
  std::fclose(mem);
  ASSERT_EQ(5u, ui.boxes().size());
  EXPECT_EQ("TAGSTEWARD STARTUP", ui.boxes()[1].caption);
  EXPECT_EQ(static_cast<unsigned>(kBoxYesNo | kBoxIconQuestion), ui.boxes()[0].style);
  // The scripted box is not echoed; the others are, as "CAPTION: text".
  EXPECT_STREQ("OTHER: q1\nNOTE: all done\nWARNING: q3\nRETRY: again?\n", echoed);
  std::free(echoed);
}

}  // namespace
