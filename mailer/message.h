// A queue file read as a mail message, and the message written out for the SMTP server.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace mailer {

// The four fields of a queue file, checked.
struct QueuedMail {
  std::vector<std::string> recipients;  // plain addresses
  std::string subject;
  std::string attachment;  // a path, or empty
  std::string body;
};

// A queue file larger than this is not a notice.
constexpr size_t kMaxQueueFile = 32u << 20;

// Reads the fields of a queue file. 0, or -1 with *reason set when it is not a queue message
// this mailer can send without changing its meaning (a separator missing, no recipient, an
// address or a subject that would break out of its header line).
int ParseQueueFile(std::string_view bytes, QueuedMail* mail, std::string* reason);

// The plain address in one recipient entry ("a@b", "mailto:a@b", "Name <a@b>"), or "" when the
// entry is not one mail address.
std::string PlainAddress(std::string_view entry);

// Text safe to show on one line: control bytes as \r, \n, \xNN; cut at limit bytes.
std::string Printable(std::string_view text, size_t limit = 120);

bool IsValidUtf8(std::string_view text);

// What goes into the message beside the queue file's fields.
struct Composition {
  std::string from;
  std::time_t date = 0;
  std::string messageId;       // without the angle brackets
  std::string attachmentName;  // the file name shown to the recipient
  std::string attachmentBytes;
};

// The whole message with CR LF line ends: headers, a text body in UTF-8 when valid (else
// Latin-1, declared), and the attachment as text/html when the mail has one.
std::string ComposeMessage(const QueuedMail& mail, const Composition& c);

// "Tue, 07 Jan 2025 10:00:00 +0100" for t in local time.
std::string MailDate(std::time_t t);

}  // namespace mailer
