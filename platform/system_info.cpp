#include "platform/system_info.h"

#include <sys/utsname.h>

#include "platform/text.h"

namespace platform {

std::string SystemDescription() {
  struct utsname name {};
  if (::uname(&name) != 0) return "Linux";
  return Format("%s %s (%s)", name.sysname, name.release, name.machine);
}

}  // namespace platform
