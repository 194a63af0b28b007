// Starting other programs, never through a shell.
#pragma once

#include <string>

namespace platform {

// Starts program (found on PATH when it has no "/") with one argument (none when empty), in a
// new process, without waiting. 0 when it started, -1 when it could not (not found, not
// executable), with the error recorded.
int StartProgram(const std::string& program, const std::string& argument);

// This process's id.
long CurrentProcessId();
// False only when no process of that id exists.
bool ProcessExists(long pid);

}  // namespace platform
