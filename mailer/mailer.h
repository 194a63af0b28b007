// tagsteward-mailer: sends the complete messages of the mail queue over SMTP.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace mailer {

// Set (from a signal handler) to end --watch after the message being sent.
extern std::atomic<bool> gStopWatching;

// Runs the command line (args without the program name). Exit status: 0 nothing failed for
// good, 1 a message failed for good, 2 usage error, 3 the mailer cannot work (configuration,
// credentials, queue directory).
int RunMailer(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace mailer
