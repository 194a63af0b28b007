#include <signal.h>

#include <curl/curl.h>

#include "mailer/mailer.h"

namespace {

void Stop(int) {
  mailer::gStopWatching = true;
}

}  // namespace

int main(int argc, char** argv) {
  struct sigaction action {};
  action.sa_handler = Stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  int rc = mailer::RunMailer(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
  curl_global_cleanup();
  return rc;
}
