// tagsteward-cli: every task without a window.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Runs the command line (args without the program name). Output goes to out, messages and
// usage to err. Exit status: 0 success, 1 failure, 2 usage error.
int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
