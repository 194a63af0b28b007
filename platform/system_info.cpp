#include "platform/system_info.h"

#include <sys/utsname.h>
#include <unistd.h>

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
