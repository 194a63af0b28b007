// Sends N queued notices (default 1000) to a local SMTP server with tagsteward-mailer --once and
// prints the messages per second. Needs /usr/bin/python3 with aiosmtpd.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs.h"

namespace {

pid_t Spawn(std::vector<std::string> argv, const std::string& out) {
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen(out.c_str(), "w", stdout);
    std::vector<char*> args;
    for (std::string& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  char tmpl[] = "/tmp/mailer-bench-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  std::string queue = dir + "/MailQ", got = dir + "/got";
  platform::Fs().MakeDir(queue);
  platform::Fs().MakeDir(got);
  pid_t sink = Spawn({"/usr/bin/python3", TS_SMTP_SINK, "--dir", got}, dir + "/port");
  std::string port;
  for (int i = 0; i < 200 && port.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::string text;
    if (platform::ReadWholeFile(dir + "/port", &text) == 0 && text.rfind("PORT ", 0) == 0)
      port = text.substr(5, text.find('\n') - 5);
  }
  platform::ReplaceFile(dir + "/META.INI",
                        "[META]\nCurrent Config=B\n[MAILER]\nSMTP=127.0.0.1:" + port +
                            "\nMail Queue=" + queue +
                            "/\nFrom=steward@example.org\n[Config:B]\nLog Path=" + dir + "/\n");
  for (int i = 0; i < count; ++i)
    platform::ReplaceFile(queue + "/" + std::to_string(i) + ".tsm",
                          "owner" + std::to_string(i) +
                              "@example.org\r\r\nDocument Management\r\r\n\r\r\nYour document "
                              "[/srv/www/page" +
                              std::to_string(i) + ".htm] needs review");
  auto start = std::chrono::steady_clock::now();
  pid_t mailer = Spawn({TS_MAILER, "--config", dir, "--once"}, dir + "/mailer.out");
  int status = 0;
  waitpid(mailer, &status, 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<std::string> received;
  platform::Fs().ListDir(got, &received);
  kill(sink, SIGKILL);
  waitpid(sink, nullptr, 0);
  std::printf("%d queued, %zu received in %.2f s: %.0f messages per second (exit %d)\n", count,
              received.size(), seconds, static_cast<double>(received.size()) / seconds,
              WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  std::system(("rm -rf '" + dir + "'").c_str());
  return received.size() == static_cast<size_t>(count) ? 0 : 1;
}
