// A test fixture with the program's state in a fresh temporary configuration directory:
// settings at their defaults, audit files inside the directory, the headless UI recording boxes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/headless/headless_ui.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Boxes shown so far, as "CAPTION|text" lines.
  std::vector<std::string> BoxLines() const;
  // The audit file of the test clock's day in dir ("Audit/" or "Errors/").
  std::string AuditFile(const std::string& subdir) const;

  TempDir home_;          // the configuration directory (IniPath)
  std::string startDir_;  // the current directory before the test, restored after it
  platform::HeadlessUi ui_;
  platform::UiBackend* previousUi_ = nullptr;
};

}  // namespace testing_support
