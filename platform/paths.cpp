#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/text.h"

namespace platform {

std::string JoinPath(std::string_view dir, std::string_view name) {
  bool separator = !dir.empty() && dir.back() != '/';
  std::string out;
  out.reserve(dir.size() + (separator ? 1 : 0) + name.size());
  out += dir;
  if (separator) out += '/';
  out += name;
  return out;
}

void JoinPathInto(std::string* out, std::string_view dir, std::string_view name) {
  out->assign(dir);
  if (!dir.empty() && dir.back() != '/') out->push_back('/');
  out->append(name);
}

std::string DirectoryPart(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string();
  return std::string(path.substr(0, slash));
}

std::string ExecutablePath() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  std::string dir;
  if (home && *home) {
    dir = home;
  } else if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
    dir = pw->pw_dir;
  } else {
    dir = "/";
  }
  return WithTrailingSlash(dir);
}

std::string ResolveFixedName(std::string_view dir, std::string_view name) {
  std::string exact = JoinPath(dir, name);
  FileInfo info;
  if (Fs().Stat(exact, &info) == 0) return exact;
  std::vector<std::string> names;
  if (Fs().ListDir(dir.empty() ? std::string(".") : std::string(dir), &names) == 0) {
    SortNamesNoCase(&names);  // the same choice on every run when several spellings exist
    for (const std::string& n : names)
      if (EqualsNoCase(n, name)) return JoinPath(dir, n);
  }
  return exact;
}

std::string WithTrailingSlash(std::string_view dir) {
  std::string out(dir);
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

bool IsInsideDirectory(std::string_view path, std::string_view root) {
  if (root == "/") return path.size() > 1 && path[0] == '/';
  return path.size() > root.size() + 1 && path.compare(0, root.size(), root) == 0 &&
         path[root.size()] == '/';
}

}  // namespace platform
