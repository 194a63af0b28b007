#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "platform/headless/headless_ui.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace platform;
using testing_support::TempDir;

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old) oldRuntime_ = old;
    hadRuntime_ = old != nullptr;
    ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    ui_.SetEcho(nullptr);
    previous_ = SetUiBackend(&ui_);
  }
  void TearDown() override {
    SetUiBackend(previous_);
    if (hadRuntime_)
      ::setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    else
      ::unsetenv("XDG_RUNTIME_DIR");
  }
  // Takes the window's posted messages; the kMsgRaiseInstance ones are counted.
  int RaisesSeen(WindowHandle window) {
    int count = 0;
    while (PumpOneMessage(window)) {
    }
    count = raises_;
    raises_ = 0;
    return count;
  }
  WindowHandle MakeWindow() {
    WindowSpec spec;
    spec.className = "Tagsteward";
    return CreateWindow(spec, [this](WindowHandle w, unsigned m, WParam wp, LParam lp) {
      if (m == kMsgRaiseInstance) ++raises_;
      return DefaultWindowProc(w, m, wp, lp);
    });
  }

  TempDir runtime_;
  std::string oldRuntime_;
  bool hadRuntime_ = false;
  HeadlessUi ui_;
  UiBackend* previous_ = nullptr;
  int raises_ = 0;
};

TEST_F(SingleInstanceTest, SecondStartRaisesTheFirstAndTheKeyIsPerDirectory) {
  EXPECT_EQ(runtime_.path(), InstanceRuntimeDirectory());
  WindowHandle main = MakeWindow();
  SingleInstance first;
  ASSERT_EQ(InstanceClaim::kFirst, first.Claim("/home/u/site-a"));

  // A knock before the window exists is kept until there is one.
  SingleInstance early;
  EXPECT_EQ(InstanceClaim::kOtherRunning, early.Claim("/home/u/site-a"));
  EXPECT_EQ(0, RaisesSeen(main));
  first.SetWindow(main);
  EXPECT_EQ(1, RaisesSeen(main));

  // The second start is answered only after the first has posted, so the message is there.
  SingleInstance second;
  EXPECT_EQ(InstanceClaim::kOtherRunning, second.Claim("/home/u/site-a"));
  EXPECT_EQ(1, RaisesSeen(main));

  // Another configuration directory is another instance.
  SingleInstance other;
  EXPECT_EQ(InstanceClaim::kFirst, other.Claim("/home/u/site-b"));

  // Once the first ends, the next start becomes the instance, despite the old files.
  first.Release();
  SingleInstance next;
  EXPECT_EQ(InstanceClaim::kFirst, next.Claim("/home/u/site-a"));
  EXPECT_EQ(0, RaisesSeen(main));
}

TEST_F(SingleInstanceTest, SharedTmpFallbackMustBePrivate) {
  ::unsetenv("XDG_RUNTIME_DIR");
  std::string dir = InstanceRuntimeDirectory();
  if (dir.empty()) GTEST_SKIP() << "the /tmp fallback is taken by someone else";
  struct stat st;
  ASSERT_EQ(0, ::lstat(dir.c_str(), &st));
  EXPECT_EQ(::getuid(), st.st_uid);
  EXPECT_EQ(0u, st.st_mode & 077);
  // A relative runtime directory is not trusted.
  ::setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
  EXPECT_EQ(dir, InstanceRuntimeDirectory());
}

}  // namespace
