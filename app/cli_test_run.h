// Runs tagsteward-cli's command line in-process and captures what it prints, for the tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli.h"

struct CliRunResult {
  int status;
  std::string out;
  std::string err;
};

inline CliRunResult RunCliCaptured(const std::vector<std::string>& args) {
  char *outBuf = nullptr, *errBuf = nullptr;
  size_t outSize = 0, errSize = 0;
  std::FILE* out = open_memstream(&outBuf, &outSize);
  std::FILE* err = open_memstream(&errBuf, &errSize);
  int status = RunCli(args, out, err);
  std::fclose(out);
  std::fclose(err);
  CliRunResult r{status, outBuf, errBuf};
  std::free(outBuf);
  std::free(errBuf);
  return r;
}
