#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/tagsteward-test-XXXXXX";
  char* made = ::mkdtemp(tmpl.data());
  if (!made) std::abort();
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests make files read-only; give write back so everything can go.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink()) ::chmod(it->path().c_str(), 0755);
  }
  ::chmod(path_.c_str(), 0755);
  std::filesystem::remove_all(path_, ec);
}

ScopedHome::ScopedHome(const std::string& dir) {
  const char* home = std::getenv("HOME");
  had_ = home != nullptr;
  if (home) saved_ = home;
  std::filesystem::create_directories(dir);
  if (::setenv("HOME", dir.c_str(), 1) != 0) std::abort();
}

ScopedHome::~ScopedHome() {
  if (had_)
    ::setenv("HOME", saved_.c_str(), 1);
  else
    ::unsetenv("HOME");
}

void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out) << "cannot write " << path;
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace testing_support
