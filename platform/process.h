// Starting other programs, never through a shell.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts program (found on PATH when it has no "/") with one argument (none when empty), in a
// new process, without waiting. 0 when it started, -1 when it could not (not found, not
// executable), with the error recorded.
int StartProgram(const std::string& program, const std::string& argument);

// Runs argv[0] (found on PATH when it has no "/") with the arguments that follow it, in a new
// process without a shell, and waits for it to end. Its exit status (128 + the signal's number
// when a signal ended it), or -1 when it could not be started, with the error recorded.
int RunProgramAndWait(const std::vector<std::string>& argv);

// This process's id.
long CurrentProcessId();
// False only when no process of that id exists.
bool ProcessExists(long pid);

}  // namespace platform
