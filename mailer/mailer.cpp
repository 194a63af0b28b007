#include "mailer/mailer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "config/settings.h"
#include "log/audit.h"
#include "mailer/message.h"
#include "mailer/queue_store.h"
#include "mailer/smtp.h"
#include "platform/clock.h"
#include "platform/dir_watch.h"
#include "platform/fs.h"
#include "platform/headless/headless_ui.h"
#include "platform/paths.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "plugins/context.h"

namespace mailer {

std::atomic<bool> gStopWatching{false};

namespace {

constexpr const char* kUsage =
    "usage: tagsteward-mailer [--config DIR] [--once | --watch] [--dry-run]\n"
    "\n"
    "Sends the messages of the mail queue (section [MAILER] of META.INI) over SMTP, oldest\n"
    "first. A message the server accepts leaves the queue; one refused for now stays for a\n"
    "later try; one refused for good goes to failed/ in the queue, with the reason beside it.\n"
    "\n"
    "  --config DIR   the configuration directory (holds META.INI); default: the current one\n"
    "  --once         send what is queued, then end (the default)\n"
    "  --watch        keep running and send each message as it arrives\n"
    "  --dry-run      show what would be sent; send, move and change nothing\n"
    "\n"
    "Exit status: 0 no message failed for good, 1 one did, 2 usage error, 3 the mailer cannot\n"
    "work (configuration, credentials or queue directory).\n";

struct Options {
  std::string configDir;
  bool watch = false;
  bool dryRun = false;
};

struct Setup {
  SmtpSettings smtp;
  std::string queue;
};

struct Tally {
  int sent = 0;
  int kept = 0;
  int failed = 0;
};

int Usage(std::FILE* err, const std::string& problem) {
  std::fprintf(err, "tagsteward-mailer: %s\n\n%s", problem.c_str(), kUsage);
  return 2;
}

int CannotWork(std::FILE* err, const std::string& problem) {
  std::fprintf(err, "tagsteward-mailer: %s\n", problem.c_str());
  return 3;
}

int ParseOptions(const std::vector<std::string>& args, Options* o, std::FILE* out, std::FILE* err) {
  bool once = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, out);
      return 0;
    }
    if (a == "--config") {
      if (i + 1 >= args.size()) return Usage(err, "--config needs a value");
      o->configDir = args[++i];
    } else if (a == "--once") {
      once = true;
    } else if (a == "--watch") {
      o->watch = true;
    } else if (a == "--dry-run") {
      o->dryRun = true;
    } else {
      return Usage(err, "unknown argument " + a);
    }
  }
  if (once && o->watch) return Usage(err, "--once and --watch exclude each other");
  if (o->dryRun && o->watch) return Usage(err, "--dry-run sends nothing: it runs once");
  return -1;
}

// A credentials file others can read is a password shown to them: refused.
int CheckCredentials(const std::string& path, bool named, std::FILE* err) {
  platform::FileInfo info;
  if (platform::Fs().Stat(path, &info) != 0) {
    if (!named && platform::LastError() == ENOENT) return 0;
    return CannotWork(
        err, "cannot read the credentials file " + path + ": " + platform::LastErrorText());
  }
  if ((info.mode & 077) != 0) {
    return CannotWork(
        err, platform::Format("the credentials file %s can be used by others (mode %04o): make "
                              "it yours alone with \"chmod 600 %s\"",
                              path.c_str(), info.mode & 07777, path.c_str()));
  }
  return 0;
}

int LoadSetup(const Options& o, Setup* setup, std::FILE* err) {
  std::string cwd;
  if (platform::Fs().CurrentDir(&cwd) != 0) cwd = "/";
  std::string dir = o.configDir.empty() ? cwd : o.configDir;
  if (dir[0] != '/') dir = platform::JoinPath(cwd, dir);
  while (dir.size() > 1 && dir.back() == '/')
    dir.pop_back();
  if (dir.size() >= sizeof IniPath) return CannotWork(err, "the configuration path is too long");
  ResetSettings();
  platform::CopyText(IniPath, dir);
  platform::CopyText(StartupPath, cwd);
  platform::CopyText(gPluginContext.configFile, IniFilePath());
  if (!platform::FileExists(IniFilePath()))
    return CannotWork(err, "there is no META.INI in " + dir + " (see --config)");
  ReadEarlySettings();
  ReadSettings(nullptr);

  if (CheckPathSetting(nullptr, KeySection::Mailer, "Mail Queue") != 0 ||
      CheckPathSetting(nullptr, KeySection::Mailer, "Credentials") != 0 ||
      CheckPathSetting(nullptr, KeySection::Mailer, "CA File") != 0)
    return 3;
  setup->queue = MailQueue;
  while (setup->queue.size() > 1 && setup->queue.back() == '/')
    setup->queue.pop_back();
  if (!platform::DirExists(setup->queue))
    return CannotWork(err, "the mail queue directory " + setup->queue +
                               " (\"Mail Queue\" in [MAILER]) does not exist");
  setup->smtp.url = SmtpUrl(SMTPaddrtemp);
  if (setup->smtp.url.empty()) {
    return CannotWork(err, SMTPaddrtemp[0]
                               ? "\"SMTP\" in [MAILER] of META.INI (\"" + Printable(SMTPaddrtemp) +
                                     "\") is not a host, host:port or smtp:// URL"
                               : "no mail server: set \"SMTP\" in [MAILER] of "
                                 "META.INI to its host name");
  }
  std::string from = MailFrom[0] ? MailFrom : "tagsteward@" + platform::HostName();
  setup->smtp.from = PlainAddress(from);
  if (setup->smtp.from.empty() || setup->smtp.from != from)
    return CannotWork(
        err, "\"From\" in [MAILER] (\"" + Printable(from) + "\") is not one plain mail address");
  setup->smtp.requireTls = MailRequireTls != 0;
  setup->smtp.caFile = MailCaFile;
  setup->smtp.timeoutSeconds = MailTimeout > 0 ? MailTimeout : 60;
  bool named = MailCredentials[0] != '\0';
  setup->smtp.netrcFile = named ? MailCredentials : platform::HomeDirectory() + ".netrc";
  int rc = CheckCredentials(setup->smtp.netrcFile, named, err);
  if (rc != 0) return rc;
  if (!named && !platform::FileExists(setup->smtp.netrcFile)) setup->smtp.netrcFile.clear();
  return 0;
}

std::string JoinRecipients(const std::vector<std::string>& recipients) {
  std::string out;
  for (const std::string& r : recipients)
    out += (out.empty() ? "" : ", ") + r;
  return out;
}

// Stays the same when a message is sent again, so copies of it can be told for one.
std::string MessageId(const std::string& bytes, const Claim& claim, const std::string& from) {
  unsigned long long h = 14695981039346656037ull;
  for (unsigned char c : bytes)
    h = (h ^ c) * 1099511628211ull;
  h ^= claim.info.inode * 0x9E3779B97F4A7C15ull;
  return platform::Format("%016llx.%lld", h, claim.info.modifyNs / 1000000000) +
         from.substr(from.find('@'));
}

// What one message becomes: the SMTP text, or the reason it can never be sent.
struct Prepared {
  QueuedMail mail;
  std::string message;
  std::string reason;
};

void Prepare(const Claim& claim, const std::string& from, Prepared* p) {
  std::string bytes;
  if (claim.fd < 0) {
    p->reason = "not a queue message: not a regular file";
    return;
  }
  if (ReadClaim(claim, kMaxQueueFile, &bytes) != 0) {
    p->reason = "the queue file cannot be read: " + platform::LastErrorText();
    return;
  }
  if (bytes.size() > kMaxQueueFile) {
    p->reason = platform::Format("not a queue message: larger than %zu MB", kMaxQueueFile >> 20);
    return;
  }
  if (ParseQueueFile(bytes, &p->mail, &p->reason) != 0) return;
  Composition c;
  c.from = from;
  c.date = platform::Now();
  c.messageId = MessageId(bytes, claim, from);
  if (!p->mail.attachment.empty()) {
    platform::FileInfo info;
    if (platform::Fs().Stat(p->mail.attachment, &info) != 0 || !info.isRegular ||
        platform::ReadWholeFile(p->mail.attachment, &c.attachmentBytes) != 0) {
      p->reason = "the attachment " + p->mail.attachment + " cannot be read: " +
                  (info.isDir ? "it is a directory" : platform::LastErrorText());
      return;
    }
    c.attachmentName = p->mail.attachment.substr(p->mail.attachment.rfind('/') + 1);
  }
  p->message = ComposeMessage(p->mail, c);
}

void Audit(const std::string& name, const std::string& outcome, const std::string& recipients) {
  WriteAuditEntry(kAuditTimer, "MAILER - " + name, outcome.c_str(), recipients.c_str());
}

void DryRunOne(const Setup& setup, const QueueEntry& entry, Tally* tally, std::FILE* out) {
  std::string bytes;
  std::string path = platform::JoinPath(setup.queue, entry.name);
  Claim view;  // read in place: a dry run takes nothing
  view.info.inode = entry.inode;
  view.info.modifyNs = entry.modifyNs;
  platform::FileInfo info;
  if (platform::Fs().LinkStat(path, &info) == 0 && info.isRegular)
    view.fd = platform::Fs().Open(path, platform::OpenFor::Read, 0);
  Prepared p;
  Prepare(view, setup.smtp.from, &p);
  if (view.fd >= 0) platform::Fs().Close(view.fd);
  if (!p.reason.empty()) {
    ++tally->failed;
    std::fprintf(out, "%s: would fail: %s\n", entry.name.c_str(), p.reason.c_str());
    return;
  }
  ++tally->sent;
  std::fprintf(out, "%s: would send %zu bytes\n", entry.name.c_str(), p.message.size());
  std::string_view headers(p.message);
  headers = headers.substr(0, headers.find("\r\n\r\n"));
  std::string shown(headers);
  for (size_t at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n", at))
    shown.replace(at, 2, "\n  ");
  std::fprintf(out, "  %s\n", shown.c_str());
  if (!p.mail.attachment.empty())
    std::fprintf(out, "  attachment: %s\n", p.mail.attachment.c_str());
}

// One pass over the queue. *nextDue: the earliest time a waiting message is due (0: none).
Tally RunPass(const Setup& setup, bool dryRun, std::FILE* out, std::FILE* err,
              std::time_t* nextDue) {
  Tally tally;
  *nextDue = 0;
  if (!dryRun) RecoverClaims(setup.queue);
  std::vector<QueueEntry> entries;
  if (ListQueue(setup.queue, &entries) != 0) {
    std::fprintf(err, "tagsteward-mailer: cannot list %s: %s\n", setup.queue.c_str(),
                 platform::LastErrorText().c_str());
    return tally;
  }
  std::unique_ptr<SmtpSession> session;
  std::string serverDown;  // why the server cannot be used in this pass
  for (const QueueEntry& entry : entries) {
    if (gStopWatching) break;
    std::time_t now = platform::Now();
    RetryRecord retry;
    if (ReadRetry(setup.queue, entry, &retry) && retry.next > now) {
      ++tally.kept;
      if (*nextDue == 0 || retry.next < *nextDue) *nextDue = retry.next;
      continue;
    }
    if (dryRun) {
      DryRunOne(setup, entry, &tally, out);
      continue;
    }
    if (!serverDown.empty()) {
      ++tally.kept;
      Audit(entry.name, "Kept for retry: not tried, " + serverDown, "");
      continue;
    }
    Claim claim;
    int rc = ClaimMessage(setup.queue, entry, &claim);
    if (rc == 0) continue;  // another mailer has it
    if (rc < 0) {
      std::fprintf(err, "tagsteward-mailer: cannot take %s: %s\n", entry.name.c_str(),
                   platform::LastErrorText().c_str());
      if (!claim.path.empty() && platform::FileExists(claim.path))
        KeepForRetry(&claim, "it could not be opened", now);
      ++tally.kept;
      continue;
    }
    // Another mailer may have tried it and deferred it since the listing.
    if (ReadRetry(setup.queue, entry, &retry) && retry.next > platform::Now()) {
      GiveBack(&claim);
      ++tally.kept;
      continue;
    }
    Prepared p;
    Prepare(claim, setup.smtp.from, &p);
    std::string recipients = JoinRecipients(p.mail.recipients);
    SmtpResult sent;
    if (p.reason.empty()) {
      if (!session) session = std::make_unique<SmtpSession>(setup.smtp);
      sent = session->Send(p.mail.recipients, p.message);
      if (sent.outcome == Outcome::Permanent) p.reason = "refused by the server: " + sent.text;
    }
    if (p.reason.empty() && sent.outcome == Outcome::Accepted) {
      ++tally.sent;
      if (Delivered(&claim) != 0)
        std::fprintf(err, "tagsteward-mailer: %s was sent but could not be removed: %s\n",
                     claim.path.c_str(), platform::LastErrorText().c_str());
      Audit(entry.name, "Sent", recipients);
    } else if (p.reason.empty()) {
      ++tally.kept;
      if (sent.serverFailed) serverDown = sent.text;
      if (KeepForRetry(&claim, sent.text, now) != 0)
        std::fprintf(err, "tagsteward-mailer: %s could not be queued again: %s\n",
                     claim.path.c_str(), platform::LastErrorText().c_str());
      Audit(entry.name, "Kept for retry: " + sent.text, recipients);
      std::fprintf(err, "%s: kept for retry: %s\n", entry.name.c_str(), sent.text.c_str());
    } else {
      ++tally.failed;
      std::string moved = MoveToFailed(&claim, p.reason);
      if (moved.empty())
        std::fprintf(err, "tagsteward-mailer: %s could not be moved to failed/: %s\n",
                     entry.name.c_str(), platform::LastErrorText().c_str());
      Audit(entry.name, "Failed: " + p.reason, recipients);
      std::fprintf(err, "%s: failed: %s\n", entry.name.c_str(), p.reason.c_str());
    }
  }
  return tally;
}

void PrintSummary(const Tally& t, bool dryRun, std::FILE* err) {
  if (dryRun) {
    std::fprintf(err, "%d would be sent, %d kept for retry, %d would fail\n", t.sent, t.kept,
                 t.failed);
  } else {
    std::fprintf(err, "%d sent, %d kept for retry, %d failed\n", t.sent, t.kept, t.failed);
  }
}

}  // namespace

int RunMailer(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  Options o;
  int rc = ParseOptions(args, &o, out, err);
  if (rc >= 0) return rc;
  platform::SetUiBackend(nullptr);  // boxes of the shared code are printed to err
  platform::DefaultHeadlessUi().SetEcho(err);
  Setup setup;
  rc = LoadSetup(o, &setup, err);
  if (rc != 0) return rc;

  std::time_t nextDue = 0;
  if (!o.watch) {
    Tally t = RunPass(setup, o.dryRun, out, err, &nextDue);
    PrintSummary(t, o.dryRun, err);
    return t.failed > 0 ? 1 : 0;
  }
  platform::DirWatch watch;
  if (watch.Open(setup.queue) != 0)
    return CannotWork(err, "cannot watch " + setup.queue + ": " + platform::LastErrorText());
  while (!gStopWatching) {
    Tally t = RunPass(setup, false, out, err, &nextDue);
    if (t.sent + t.failed > 0 || (t.kept > 0 && nextDue == 0)) PrintSummary(t, false, err);
    std::fflush(err);
    // Waiting messages and arrivals the watch missed are looked at within a minute.
    long wait = 60;
    if (nextDue != 0) wait = std::clamp<long>(nextDue - platform::Now(), 1, 60);
    if (watch.Wait(static_cast<int>(wait * 1000)) < 0)
      return CannotWork(err, "watching " + setup.queue + ": " + platform::LastErrorText());
  }
  return 0;
}

}  // namespace mailer
