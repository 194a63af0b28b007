#include "platform/fatal_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using namespace platform;

void HookWritesMark(int) {
  (void)!::write(STDERR_FILENO, "hook ran\n", 9);
}

TEST(FatalSignalsDeathTest, HandlerTellsStderrRunsHookAndEndsWithTheSignal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SetFatalSignalHook(HookWritesMark);
        if (InstallFatalSignalHandlers() != 0) std::_Exit(3);
        std::abort();
      },
      ::testing::KilledBySignal(SIGABRT), "fatal signal SIGABRT\nhook ran");
  EXPECT_EXIT(
      {
        if (InstallFatalSignalHandlers() != 0) std::_Exit(3);
        ::raise(SIGSEGV);
        std::_Exit(4);
      },
      ::testing::KilledBySignal(SIGSEGV), "fatal signal SIGSEGV");
}

TEST(FatalSignalsTest, RefusedSignalIsReported) {
  EXPECT_EQ(-1, InstallFatalSignalHandler(SIGKILL));
}

}  // namespace
