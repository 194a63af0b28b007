#include "platform/module.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

TEST(Module, LoadsASharedObjectAndFindsItsExports) {
  const char* dir = std::getenv("TS_TEST_BIN_DIR");
  ASSERT_NE(nullptr, dir) << "TS_TEST_BIN_DIR is not set";
  platform::ModuleHandle module = platform::LoadModule(std::string(dir) + "/Example.SKN");
  ASSERT_NE(nullptr, module) << platform::ModuleErrorText();
  auto count = reinterpret_cast<int (*)()>(platform::FindExport(module, "TsSkinCount"));
  ASSERT_NE(nullptr, count);
  EXPECT_EQ(5, count());
  EXPECT_EQ(nullptr, platform::FindExport(module, "NoSuchExport"));
  EXPECT_NE("", platform::ModuleErrorText());
  EXPECT_EQ(nullptr, platform::FindExport(nullptr, "TsSkinCount"));
  // Loading it again gives the same module.
  EXPECT_EQ(module, platform::LoadModule(std::string(dir) + "/Example.SKN"));
}

TEST(Module, RefusesWhatIsNotALoadableFileByPath) {
  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "Broken.SKN", "not a shared object");
  EXPECT_EQ(nullptr, platform::LoadModule(dir / "Broken.SKN"));
  EXPECT_NE("", platform::ModuleErrorText());
  EXPECT_EQ(nullptr, platform::LoadModule(dir / "Missing.SKN"));
  // A bare name would be searched for in the system's library directories.
  EXPECT_EQ(nullptr, platform::LoadModule("libc.so.6"));
  EXPECT_NE("", platform::ModuleErrorText());
}

}  // namespace
