// Temporary directories and small file helpers for tests.
#pragma once

#include <string>

namespace testing_support {

// A fresh directory under $TMPDIR, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Makes dir the user's home directory (HOME) until destroyed: a test that checks what is done to
// the home directory never touches the real one.
class ScopedHome {
 public:
  explicit ScopedHome(const std::string& dir);
  ~ScopedHome();
  ScopedHome(const ScopedHome&) = delete;
  ScopedHome& operator=(const ScopedHome&) = delete;

 private:
  std::string saved_;
  bool had_ = false;
};

// Writes a file (creating parent directories); aborts the test on failure.
void WriteFile(const std::string& path, const std::string& content);
// The file's bytes, or "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

}  // namespace testing_support
