#include "platform/system_info.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/text.h"

namespace platform {

std::string SystemDescription() {
  struct utsname name {};
  if (::uname(&name) != 0) return "Linux";
  return Format("%s %s (%s)", name.sysname, name.release, name.machine);
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

}  // namespace platform

namespace platform {

namespace {

// The user half of a 64-bit address space, for a process without an address space limit.
long long gAddressSpaceK = 1LL << 37;
long long gClockTicks = 100;

// Reads a small file whole into buf (NUL-ended). Bytes read, or -1.
long ReadSmallFile(const char* path, char* buf, size_t cap) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  size_t len = 0;
  while (len + 1 < cap) {
    ssize_t n = ::read(fd, buf + len, cap - 1 - len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    len += static_cast<size_t>(n);
  }
  ::close(fd);
  buf[len] = '\0';
  return static_cast<long>(len);
}

long long ParseNumber(const char* p) {
  while (*p == ' ' || *p == '\t')
    ++p;
  if (*p < '0' || *p > '9') return -1;
  long long value = 0;
  while (*p >= '0' && *p <= '9')
    value = value * 10 + (*p++ - '0');
  return value;
}

}  // namespace

void PrepareSystemFigures() {
  long ticks = ::sysconf(_SC_CLK_TCK);
  if (ticks > 0) gClockTicks = ticks;
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    gAddressSpaceK = static_cast<long long>(limit.rlim_cur / 1024);
}

long long ProcNumber(const char* text, const char* key) {
  size_t keyLen = 0;
  while (key[keyLen])
    ++keyLen;
  for (const char* line = text; *line;) {
    size_t i = 0;
    while (i < keyLen && line[i] == key[i])
      ++i;
    if (i == keyLen && line[i] == ':') return ParseNumber(line + i + 1);
    while (*line && *line != '\n')
      ++line;
    if (*line) ++line;
  }
  return -1;
}

int ReadMemoryFigures(MemoryFigures* out) {
  *out = MemoryFigures{};
  char buf[8192];
  int rc = 0;
  if (ReadSmallFile("/proc/meminfo", buf, sizeof buf) > 0) {
    out->totalPhysK = ProcNumber(buf, "MemTotal");
    out->availPhysK = ProcNumber(buf, "MemAvailable");
    out->totalSwapK = ProcNumber(buf, "SwapTotal");
    out->availSwapK = ProcNumber(buf, "SwapFree");
  }
  out->totalVirtK = gAddressSpaceK;
  long long used = -1;
  if (ReadSmallFile("/proc/self/status", buf, sizeof buf) > 0) used = ProcNumber(buf, "VmSize");
  out->availVirtK = used >= 0 && used <= gAddressSpaceK ? gAddressSpaceK - used : -1;
  for (long long* figure :
       {&out->totalPhysK, &out->availPhysK, &out->totalSwapK, &out->availSwapK, &out->availVirtK})
    if (*figure < 0) {
      *figure = 0;
      rc = -1;
    }
  return rc;
}

long long ProcessRunMilliseconds() {
  char buf[1024];
  if (ReadSmallFile("/proc/self/stat", buf, sizeof buf) <= 0) return 0;
  // The command name in parentheses may hold blanks: count the fields after its last ')'.
  const char* p = nullptr;
  for (const char* q = buf; *q; ++q)
    if (*q == ')') p = q;
  if (!p) return 0;
  // The start time is field 22; the state after ')' is field 3.
  for (int field = 2; field < 21 && *p; ++p)
    if (*p == ' ') ++field;
  while (*p && *p != ' ')
    ++p;
  long long startTicks = ParseNumber(p);
  struct timespec now {};
  if (startTicks < 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return 0;
  long long nowMs = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  long long startMs = startTicks * 1000 / gClockTicks;
  return nowMs > startMs ? nowMs - startMs : 0;
}

}  // namespace platform
