// What the machine the program runs on calls itself.
#pragma once

#include <string>

namespace platform {

// The system's name, kernel release and machine, as "Linux 6.1.0 (x86_64)".
std::string SystemDescription();

// The machine's host name ("localhost" when it has none).
std::string HostName();

}  // namespace platform
