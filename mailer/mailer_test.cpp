// tagsteward-mailer against a real SMTP server on the loopback interface.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "platform/fs.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

const std::string kSep = "\r\r\n";

std::string Bin(const std::string& relative) {
  return std::string(std::getenv("TS_TEST_BIN_DIR")) + "/" + relative;
}

// Starts argv with HOME set and its output in the files out and err; the process id.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& home, const std::string& out,
            const std::string& err) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv("HOME", home.c_str(), 1);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

template <typename Done>
// Generous: a sanitizer build on a loaded machine can take seconds to start a mailer and
// connect; the loop ends as soon as the condition holds.
bool WaitFor(Done done) {
  for (int i = 0; i < 1200; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

// The SMTP server: stores what it accepts in dir/.
class Sink {
 public:
  Sink(const TempDir& tmp, const std::string& name, const std::vector<std::string>& options = {})
      : dir_(tmp / name) {
    platform::Fs().MakeDir(dir_);
    std::vector<std::string> argv = {"/usr/bin/python3", TS_SMTP_SINK, "--dir", dir_};
    argv.insert(argv.end(), options.begin(), options.end());
    pid_ = Spawn(argv, tmp.path(), dir_ + ".out", dir_ + ".err");
    WaitFor([&] { return ReadFile(dir_ + ".out").rfind("PORT ", 0) == 0; });
    port_ = std::atoi(ReadFile(dir_ + ".out").c_str() + 5);
  }
  ~Sink() {
    kill(pid_, SIGKILL);
    Wait(pid_);
  }
  int port() const { return port_; }
  // The messages received, in the order they arrived.
  std::vector<std::string> Received() const {
    std::vector<std::string> names;
    platform::Fs().ListDir(dir_, &names);
    std::sort(names.begin(), names.end());
    std::vector<std::string> out;
    for (const std::string& n : names)
      if (n.size() > 4 && n.substr(n.size() - 4) == ".eml") out.push_back(ReadFile(dir_ + "/" + n));
    return out;
  }

 private:
  std::string dir_;
  pid_t pid_;
  int port_ = 0;
};

std::string DecodeBase64(std::string_view text) {
  static const std::string kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0, value = 0;
  for (char c : text) {
    size_t d = kDigits.find(c);
    if (d == std::string::npos) continue;
    value = (value << 6) | static_cast<unsigned>(d);
    if ((bits += 6) >= 8) out.push_back(static_cast<char>((value >> (bits -= 8)) & 0xff));
  }
  return out;
}

class MailerTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };
  // META.INI with the server at port and the [MAILER] lines given.
  void Configure(int port, const std::string& mailerLines = "", int timeout = 2) {
    WriteFile(home_ / "META.INI",
              "[META]\nCurrent Config=T\nError Log=" + home_.path() + "/Audit/\n[MAILER]\n" +
                  "SMTP=127.0.0.1:" + std::to_string(port) + "\nMail Queue=" + queue_ +
                  "/\nFrom=steward@example.org\nTimeout=" + std::to_string(timeout) + "\n" +
                  mailerLines + "[Config:T]\nLog Path=" + home_.path() + "/Audit/\n");
    platform::Fs().MakeDir(queue_);
    platform::Fs().MakeDir(home_ / "Audit");
  }
  void Queue(int slot, const std::string& to, const std::string& subject,
             const std::string& attachment = "", const std::string& body = "Hello") {
    WriteFile(queue_ + "/" + std::to_string(slot) + ".tsm",
              to + kSep + subject + kSep + attachment + kSep + body);
  }
  pid_t Start(const std::vector<std::string>& args, const std::string& tag) {
    std::vector<std::string> argv = {Bin("mailer/tagsteward-mailer"), "--config", home_.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return Spawn(argv, home_.path(), home_ / (tag + ".out"), home_ / (tag + ".err"));
  }
  Result Run(const std::vector<std::string>& args = {}) {
    int status = Wait(Start(args, "run"));
    return {status, ReadFile(home_ / "run.out"), ReadFile(home_ / "run.err")};
  }
  std::vector<std::string> QueueNames(const std::string& sub = "") const {
    std::vector<std::string> names;
    platform::Fs().ListDir(queue_ + sub, &names);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Audit() const {
    std::vector<std::string> names;
    platform::Fs().ListDir(home_ / "Audit", &names);
    return names.empty() ? "" : ReadFile(home_ / ("Audit/" + names[0]));
  }

  TempDir tmp_;   // the server's side
  TempDir home_;  // the configuration directory and HOME
  std::string queue_ = home_ / "MailQ";
};

TEST_F(MailerTest, ReviewNoticesAndTheAdministratorsReportReachTheServer) {
  Sink sink(tmp_, "got");
  std::string conf = home_ / "home";
  ASSERT_EQ(0,
            std::system(("cp -a '" + std::string(TS_EXAMPLE_HOME) + "' '" + conf + "'").c_str()));
  std::string ini = ReadFile(conf + "/META.INI");
  for (size_t at; (at = ini.find("@HOME@")) != std::string::npos;)
    ini.replace(at, 6, conf);
  ini.replace(ini.find("SMTP=") + 5, ini.find('\n', ini.find("SMTP=")) - ini.find("SMTP=") - 5,
              "127.0.0.1:" + std::to_string(sink.port()));
  WriteFile(conf + "/META.INI", ini);
  pid_t cli = Spawn({Bin("app/tagsteward-cli"), "--config", conf, "--yes", "review"}, home_.path(),
                    home_ / "cli.out", home_ / "cli.err");
  ASSERT_EQ(0, Wait(cli)) << ReadFile(home_ / "cli.err");
  std::vector<std::string> queued;
  platform::Fs().ListDir(conf + "/MailQ", &queued);
  ASSERT_GE(queued.size(), 3u) << "the example site has notices due";

  pid_t mailer = Spawn({Bin("mailer/tagsteward-mailer"), "--config", conf, "--once"}, home_.path(),
                       home_ / "m.out", home_ / "m.err");
  ASSERT_EQ(0, Wait(mailer)) << ReadFile(home_ / "m.err");
  size_t notices = queued.size() - 1;  // ".keep"
  EXPECT_EQ(std::to_string(notices) + " sent, 0 kept for retry, 0 failed\n",
            ReadFile(home_ / "m.err"));
  std::vector<std::string> got = sink.Received();
  ASSERT_EQ(notices, got.size());
  int reports = 0;
  for (const std::string& m : got) {
    EXPECT_NE(std::string::npos, m.find("\r\nDate: ")) << m;
    EXPECT_NE(std::string::npos, m.find("\r\nMessage-ID: <")) << m;
    if (m.find("Subject: Documents for Review - Harbourside\r\n") == std::string::npos) {
      EXPECT_NE(std::string::npos, m.find("Subject: Document Management\r\n")) << m;
      EXPECT_NE(std::string::npos, m.find("\r\n\r\nYour document [" + conf + "/site/")) << m;
      continue;
    }
    ++reports;
    EXPECT_NE(std::string::npos, m.find("X-Sink-Rcpt-To: webmaster@harbourside-rowing.example"));
    size_t part = m.find("Content-Type: text/html\r\n");
    ASSERT_NE(std::string::npos, part) << m;
    size_t data = m.find("\r\n\r\n", part) + 4;
    std::string report = DecodeBase64(m.substr(data, m.find("\r\n--", data) - data));
    size_t name = m.find("filename=\"", part) + 10;
    std::string file = m.substr(name, m.find('"', name) - name);
    EXPECT_EQ(ReadFile(conf + "/" + file), report) << file;
  }
  EXPECT_EQ(1, reports);
  std::vector<std::string> left;
  platform::Fs().ListDir(conf + "/MailQ", &left);
  EXPECT_EQ(std::vector<std::string>{".keep"}, left);
}

TEST_F(MailerTest, EachOutcomeLeavesTheQueueAsTheUserExpects) {
  Sink sink(tmp_, "got");
  Configure(sink.port());
  WriteFile(home_ / "report.htm", "<html>\x01\xff report</html>");
  Queue(0, "owner@x.org", "Good", home_ / "report.htm");
  Queue(1, "tempfail@x.org", "Later");
  Queue(2, "reject@x.org", "Refused");
  Queue(3, "owner@x.org", "Lost report", home_ / "gone.htm");
  WriteFile(queue_ + "/4.tsm", "owner@x.org\r\nNo separators");
  Queue(5, "owner@x.org\r\nBcc: everyone@x.org", "Injected");
  WriteFile(queue_ + "/6.tmp", "being written");

  Result dry = Run({"--dry-run"});
  EXPECT_EQ(1, dry.status);
  EXPECT_NE(std::string::npos, dry.out.find("0.tsm: would send")) << dry.out;
  EXPECT_EQ("3 would be sent, 0 kept for retry, 3 would fail\n", dry.err);
  EXPECT_EQ(7u, QueueNames().size());
  EXPECT_TRUE(sink.Received().empty());

  Result r = Run();
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("1 sent, 1 kept for retry, 4 failed\n")) << r.err;
  ASSERT_EQ(1u, sink.Received().size());
  EXPECT_NE(std::string::npos, sink.Received()[0].find("Subject: Good\r\n"));
  EXPECT_EQ((std::vector<std::string>{"1.retry", "1.tsm", "6.tmp", "failed"}), QueueNames());
  struct Failed {
    std::string name, reason;
  };
  for (const Failed& f : std::vector<Failed>{
           {"2", "refused by the server: 550 5.1.1 No such user here"},
           {"3", "the attachment " + home_ / "gone.htm" + " cannot be read: No such file"},
           {"4", "not a queue message: 3 field separators missing"},
           {"5", "the recipient \"owner@x.org\\r\\nBcc: everyone@x.org\" is not a mail address"}}) {
    EXPECT_EQ(0u, ReadFile(queue_ + "/failed/" + f.name + ".tsm.reason").rfind(f.reason, 0))
        << f.name;
    EXPECT_TRUE(Exists(queue_ + "/failed/" + f.name + ".tsm"));
  }
  EXPECT_NE(std::string::npos, ReadFile(queue_ + "/1.retry").find("451 4.3.0 Mailbox busy"));
  std::string audit = Audit();
  EXPECT_EQ(6, std::count(audit.begin(), audit.end(), '\n')) << audit;
  EXPECT_NE(std::string::npos, audit.find(",MAILER - 0.tsm,Sent,owner@x.org\n")) << audit;

  // The message kept waits for its time; nothing else is left to send.
  r = Run();
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("0 sent, 1 kept for retry, 0 failed\n", r.err);
}

TEST_F(MailerTest, AServerThatCannotBeReachedKeepsEveryMessage) {
  int silent = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(0, bind(silent, reinterpret_cast<sockaddr*>(&addr), len));
  getsockname(silent, reinterpret_cast<sockaddr*>(&addr), &len);
  int port = ntohs(addr.sin_port);
  struct Case {
    bool listening;  // accepts connections but never greets: a timeout
    std::string reason;
  };
  for (const Case& c : {Case{false, "Couldn't connect"}, Case{true, "timeout"}}) {
    if (c.listening) listen(silent, 4);
    Configure(port);
    Queue(0, "a@x.org", "One");
    Queue(1, "b@x.org", "Two");
    Result r = Run();
    EXPECT_EQ(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("0 sent, 2 kept for retry, 0 failed\n")) << r.err;
    // The library words a timeout by whichever of its limits ran out first.
    std::string said = r.err;
    for (char& ch : said)
      ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const bool named = c.listening ? said.find("timeout") != std::string::npos ||
                                         said.find("timed out") != std::string::npos
                                   : r.err.find(c.reason) != std::string::npos;
    EXPECT_TRUE(named) << r.err;
    EXPECT_EQ((std::vector<std::string>{"0.retry", "0.tsm", "1.tsm"}), QueueNames());
    EXPECT_NE(std::string::npos, Audit().find("MAILER - 1.tsm,Kept for retry: not tried"));
    platform::Fs().Remove(queue_ + "/0.retry");
  }
  close(silent);
}

TEST_F(MailerTest, StartTlsAndCredentialsWhenRequired) {
  std::string cert = tmp_ / "cert.pem", key = tmp_ / "key.pem";
  ASSERT_EQ(0, std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost "
                            "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                            key + "' -out '" + cert + "' 2>/dev/null")
                               .c_str()));
  Sink tls(tmp_, "tls", {"--cert", cert, "--key", key, "--require-tls", "--auth", "mailer:s3cret"});
  std::string login = "machine 127.0.0.1 login mailer password s3cret\n";
  struct Case {
    std::string credentials;  // "" : ~/.netrc
    unsigned mode;
    int status;
    bool sent;
  };
  for (const Case& c : {Case{"", 0600, 0, true}, Case{home_ / "smtp.netrc", 0600, 0, true},
                        Case{home_ / "smtp.netrc", 0640, 3, false}}) {
    std::string file = c.credentials.empty() ? home_ / ".netrc" : c.credentials;
    WriteFile(file, login);
    chmod(file.c_str(), c.mode);
    Configure(tls.port(), "Require TLS=1\nCA File=" + cert + "\n" +
                              (c.credentials.empty() ? "" : "Credentials=" + file + "\n"));
    Queue(0, "a@x.org", "Secret " + std::to_string(c.mode));
    Result r = Run();
    EXPECT_EQ(c.status, r.status) << r.err;
    EXPECT_EQ(!c.sent, Exists(queue_ + "/0.tsm"));
    EXPECT_EQ(!c.sent, r.err.find("chmod 600 " + file) != std::string::npos) << r.err;
    platform::Fs().Remove(file);
  }
  std::vector<std::string> got = tls.Received();
  ASSERT_EQ(2u, got.size());
  for (const std::string& m : got)
    EXPECT_EQ(0u, m.find("X-Sink-Mail-From: steward@example.org\r\nX-Sink-Rcpt-To: a@x.org\r\n"
                         "X-Sink-TLS: yes\r\nX-Sink-Auth: mailer\r\n"));

  // A server that offers no STARTTLS gets nothing when it is required.
  Sink plain(tmp_, "plain");
  Configure(plain.port(), "Require TLS=1\n");
  Result r = Run();
  EXPECT_EQ(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("0 sent, 1 kept for retry")) << r.err;
  EXPECT_TRUE(plain.Received().empty());
}

TEST_F(MailerTest, TwoMailersNeverSendOneMessageTwiceAndWatchSendsArrivals) {
  Sink sink(tmp_, "got");
  // A loaded machine must not time a delivery out: a message the server took before the
  // timeout would then rightly be sent again.
  Configure(sink.port(), "", 60);
  for (int i = 0; i < 60; ++i)
    Queue(i, "a@x.org", "Message " + std::to_string(i));
  pid_t a = Start({}, "a"), b = Start({}, "b");
  EXPECT_EQ(0, Wait(a));
  EXPECT_EQ(0, Wait(b));
  std::set<std::string> subjects;
  for (const std::string& m : sink.Received())
    subjects.insert(m.substr(m.find("Subject: "), m.find("\r\n", m.find("Subject: "))));
  EXPECT_EQ(60u, sink.Received().size());
  EXPECT_EQ(60u, subjects.size());
  EXPECT_TRUE(QueueNames().empty());

  pid_t watch = Start({"--watch"}, "w");
  WriteFile(queue_ + "/7.tmp", "late@x.org" + kSep + "Late" + kSep + kSep + "body");
  ASSERT_EQ(0, rename((queue_ + "/7.tmp").c_str(), (queue_ + "/7.tsm").c_str()));
  EXPECT_TRUE(WaitFor([&] { return sink.Received().size() == 61; }));
  kill(watch, SIGTERM);
  EXPECT_EQ(0, Wait(watch));
  EXPECT_TRUE(QueueNames().empty());
}

TEST_F(MailerTest, AMailerKilledWhileSendingLosesNothing) {
  Sink sink(tmp_, "got");
  Configure(sink.port());
  Queue(0, "slow@x.org", "Held");
  pid_t mailer = Start({}, "k");
  std::string claimed = "0.tsm." + std::to_string(mailer) + ".sending";
  ASSERT_TRUE(WaitFor([&] { return Exists(queue_ + "/" + claimed); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(mailer, SIGKILL);
  Wait(mailer);
  EXPECT_EQ(std::vector<std::string>{claimed}, QueueNames());

  Result r = Run();
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("1 sent, 0 kept for retry, 0 failed\n", r.err);
  ASSERT_EQ(1u, sink.Received().size());
  EXPECT_NE(std::string::npos, sink.Received()[0].find("Subject: Held\r\n"));
  EXPECT_TRUE(QueueNames().empty());
}

}  // namespace
