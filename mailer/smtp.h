// Sending one message to the SMTP server, through libcurl.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailer {

struct SmtpSettings {
  std::string url;   // smtp://host:port or smtps://host:port
  std::string from;  // the envelope sender
  bool requireTls = false;
  std::string caFile;     // trusted certificates; empty: the system's
  std::string netrcFile;  // credentials; empty: none
  long timeoutSeconds = 60;
};

// The URL for the "SMTP" setting: a host name, host:port, or an smtp:// or smtps:// URL.
// "" when it is none of these.
std::string SmtpUrl(std::string_view setting);

enum class Outcome { Accepted, Temporary, Permanent };

struct SmtpResult {
  Outcome outcome = Outcome::Temporary;
  // The server itself failed (unreachable, refused us, no TLS): every other message would fail
  // the same way now.
  bool serverFailed = false;
  std::string text;  // the server's answer or the failure, on one line
};

// One connection, reused from message to message.
class SmtpSession {
 public:
  explicit SmtpSession(SmtpSettings settings);
  ~SmtpSession();
  SmtpSession(const SmtpSession&) = delete;
  SmtpSession& operator=(const SmtpSession&) = delete;

  SmtpResult Send(const std::vector<std::string>& recipients, const std::string& message);

 private:
  SmtpSettings settings_;
  void* curl_ = nullptr;
};

}  // namespace mailer
