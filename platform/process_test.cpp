#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/fs.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

// The stub writes its one argument to a file; the argument must arrive as one word, unchanged.
TEST(ProcessTest, OneArgumentWithoutAShell) {
  TempDir dir;
  std::string stub = dir / "stub.sh";
  std::string out = dir / "out.txt";
  WriteFile(stub, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"" + out + ".part\"\nmv \"" + out +
                      ".part\" \"" + out + "\"\n");
  ASSERT_EQ(0, ::chmod(stub.c_str(), 0755));
  const std::string arg = "file:///a b/it's; rm -rf x $(id).htm";
  ASSERT_EQ(0, platform::StartProgram(stub, arg));
  for (int i = 0; i < 500 && !Exists(out); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ("1|" + arg, ReadFile(out));

  EXPECT_EQ(-1, platform::StartProgram(dir / "no-such-program", "x"));
  EXPECT_EQ(ENOENT, platform::LastError());
  EXPECT_EQ(-1, platform::StartProgram("", "x"));
}

}  // namespace
