// What the machine the program runs on calls itself, and what this process uses of it.
#pragma once

#include <string>

namespace platform {

// The system's name, kernel release and machine, as "Linux 6.1.0 (x86_64)".
std::string SystemDescription();

// The machine's host name ("localhost" when it has none).
std::string HostName();

// Memory figures in kilobytes, available and total: physical memory, swap, and this process's
// address space.
struct MemoryFigures {
  long long availPhysK = 0, totalPhysK = 0;
  long long availSwapK = 0, totalSwapK = 0;
  long long availVirtK = 0, totalVirtK = 0;
};

// Notes once what never changes during the run (clock tick rate, address space limit), so that
// the two readers below need nothing but open, read and close. Call it at start-up.
void PrepareSystemFigures();
// Reads the figures; async-signal-safe. 0, or -1 when a figure could not be read (it stays 0).
int ReadMemoryFigures(MemoryFigures* out);
// Milliseconds since this process started (0 when unknown); async-signal-safe.
long long ProcessRunMilliseconds();

// The number after "key:" at the start of a line of text (a /proc file), -1 when there is none.
long long ProcNumber(const char* text, const char* key);

}  // namespace platform
