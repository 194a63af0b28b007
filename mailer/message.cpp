#include "mailer/message.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/clock.h"
#include "platform/text.h"

namespace mailer {

namespace {

constexpr std::string_view kSeparator = "\r\r\n";
constexpr size_t kMaxAddress = 254;
constexpr size_t kQpLine = 76;

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7f;
}

// Bytes that may stand in an address as it is sent, unquoted.
bool AddressByte(unsigned char c) {
  return c > 0x20 && c < 0x7f && !std::strchr("<>()[]\\,;:\"", c);
}

const char kHex[] = "0123456789ABCDEF";

void AppendBase64(std::string* out, std::string_view in, size_t lineLength) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  size_t column = 0;
  for (size_t i = 0; i < in.size(); i += 3) {
    unsigned n = static_cast<unsigned char>(in[i]) << 16;
    if (i + 1 < in.size()) n |= static_cast<unsigned char>(in[i + 1]) << 8;
    if (i + 2 < in.size()) n |= static_cast<unsigned char>(in[i + 2]);
    char quad[4] = {kDigits[(n >> 18) & 63], kDigits[(n >> 12) & 63],
                    i + 1 < in.size() ? kDigits[(n >> 6) & 63] : '=',
                    i + 2 < in.size() ? kDigits[n & 63] : '='};
    out->append(quad, 4);
    column += 4;
    if (lineLength && column >= lineLength && i + 3 < in.size()) {
      out->append("\r\n");
      column = 0;
    }
  }
}

// Quoted-printable: every line of the body (LF or CR LF ends one) becomes lines of at most 76
// characters; a lone CR, '=', and bytes outside printable ASCII are written as =XX.
void AppendQuotedPrintable(std::string* out, std::string_view text) {
  size_t column = 0;
  auto put = [&](std::string_view piece) {
    if (column + piece.size() > kQpLine - 1) {
      out->append("=\r\n");
      column = 0;
    }
    out->append(piece);
    column += piece.size();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool lineEnd = c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
    if (lineEnd) {
      if (c == '\r') ++i;
      out->append("\r\n");
      column = 0;
      continue;
    }
    bool beforeEnd = i + 1 == text.size() || text[i + 1] == '\n' ||
                     (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n');
    bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !beforeEnd);
    if (literal) {
      char one = static_cast<char>(c);
      put(std::string_view(&one, 1));
    } else {
      char code[3] = {'=', kHex[c >> 4], kHex[c & 15]};
      put(std::string_view(code, 3));
    }
  }
}

bool PlainHeaderText(std::string_view text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7e) return false;
  return text.size() <= 900;
}

// The subject as encoded words of at most 45 bytes each, not splitting a UTF-8 sequence.
std::string EncodeHeaderText(std::string_view text) {
  if (PlainHeaderText(text)) return std::string(text);
  bool utf8 = IsValidUtf8(text);
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = std::min(text.size(), pos + 45);
    if (utf8)
      while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    if (!out.empty()) out.append("\r\n ");
    out.append(utf8 ? "=?UTF-8?B?" : "=?ISO-8859-1?B?");
    AppendBase64(&out, text.substr(pos, end - pos), 0);
    out.append("?=");
    pos = end;
  }
  return out;
}

// filename="name", or the percent-encoded form when the name is not plain text.
std::string FileNameParameter(std::string_view name) {
  bool plain = PlainHeaderText(name) && name.find_first_of("\"\\") == std::string_view::npos;
  if (plain) return "filename=\"" + std::string(name) + "\"";
  std::string out = IsValidUtf8(name) ? "filename*=utf-8''" : "filename*=iso-8859-1''";
  platform::AppendPercentEncoded(&out, name, [](unsigned char c) {
    return std::isalnum(c) != 0 || std::strchr("-._~", c) != nullptr;
  });
  return out;
}

std::string BodyPart(std::string_view body) {
  std::string out = IsValidUtf8(body) ? "Content-Type: text/plain; charset=utf-8\r\n"
                                      : "Content-Type: text/plain; charset=iso-8859-1\r\n";
  out.append("Content-Transfer-Encoding: quoted-printable\r\n\r\n");
  AppendQuotedPrintable(&out, body);
  out.append("\r\n");
  return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
    if (extra == 9 || i + extra >= text.size()) return false;
    unsigned cp = extra == 0 ? c : c & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    static const unsigned kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    i += extra + 1;
  }
  return true;
}

std::string Printable(std::string_view text, size_t limit) {
  std::string out;
  for (unsigned char c : text) {
    if (out.size() >= limit) {
      out.append("...");
      break;
    }
    if (c == '\r') {
      out.append("\\r");
    } else if (c == '\n') {
      out.append("\\n");
    } else if (IsControl(c)) {
      out.append(platform::Format("\\x%02X", c));
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string PlainAddress(std::string_view entry) {
  std::string_view a = platform::TrimBlanks(entry);
  size_t open = a.rfind('<');
  if (open != std::string_view::npos && !a.empty() && a.back() == '>') {
    a = a.substr(open + 1, a.size() - open - 2);
  }
  if (a.size() > 7 && platform::EqualsNoCase(a.substr(0, 7), "mailto:")) a = a.substr(7);
  size_t at = a.find('@');
  if (a.empty() || a.size() > kMaxAddress || at == 0 || at == std::string_view::npos ||
      at + 1 == a.size() || a.find('@', at + 1) != std::string_view::npos)
    return "";
  std::string_view domain = a.substr(at + 1);
  if (domain.front() == '.' || domain.back() == '.' || domain.find("..") != std::string_view::npos)
    return "";
  for (unsigned char c : a)
    if (!AddressByte(c)) return "";
  return std::string(a);
}

int ParseQueueFile(std::string_view bytes, QueuedMail* mail, std::string* reason) {
  *mail = QueuedMail{};
  std::string_view fields[4];
  std::string_view rest = bytes;
  for (int i = 0; i < 3; ++i) {
    size_t sep = rest.find(kSeparator);
    if (sep == std::string_view::npos) {
      *reason = platform::Format("not a queue message: %d field separator%s missing", 3 - i,
                                 i == 2 ? "" : "s");
      return -1;
    }
    fields[i] = rest.substr(0, sep);
    rest = rest.substr(sep + kSeparator.size());
  }
  fields[3] = rest;

  std::string_view list = fields[0];
  while (!list.empty()) {
    size_t cut = list.find_first_of(",;");
    std::string_view entry = list.substr(0, cut);
    list = cut == std::string_view::npos ? std::string_view() : list.substr(cut + 1);
    if (platform::TrimBlanks(entry).empty()) continue;
    std::string address = PlainAddress(entry);
    if (address.empty()) {
      *reason = "the recipient \"" + Printable(entry) + "\" is not a mail address";
      return -1;
    }
    mail->recipients.push_back(address);
  }
  if (mail->recipients.empty()) {
    *reason = "the message has no recipient";
    return -1;
  }
  for (unsigned char c : fields[1]) {
    if (IsControl(c) && c != '\t') {
      *reason = "the subject \"" + Printable(fields[1]) + "\" holds control characters";
      return -1;
    }
  }
  for (unsigned char c : fields[2]) {
    if (IsControl(c)) {
      *reason = "the attachment path \"" + Printable(fields[2]) + "\" holds control characters";
      return -1;
    }
  }
  mail->subject = fields[1];
  mail->attachment = fields[2];
  mail->body = fields[3];
  return 0;
}

std::string MailDate(std::time_t t) {
  std::tm tm = platform::LocalTime(t);
  long offset = tm.tm_gmtoff / 60;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  return platform::FormatTime("%a, %d %b %Y %H:%M:%S ", tm) +
         platform::Format("%c%02ld%02ld", sign, offset / 60, offset % 60);
}

std::string ComposeMessage(const QueuedMail& mail, const Composition& c) {
  std::string out;
  out.reserve(mail.body.size() * 11 / 10 + c.attachmentBytes.size() * 14 / 10 + 1024);
  out.append("From: ").append(c.from).append("\r\nTo: ");
  for (size_t i = 0; i < mail.recipients.size(); ++i) {
    if (i) out.append(",\r\n ");
    out.append(mail.recipients[i]);
  }
  out.append("\r\nSubject: ").append(EncodeHeaderText(mail.subject));
  out.append("\r\nDate: ").append(MailDate(c.date));
  out.append("\r\nMessage-ID: <").append(c.messageId).append(">\r\n");
  // Notices are sent by a machine: vacation responders must not answer them.
  out.append("Auto-Submitted: auto-generated\r\nMIME-Version: 1.0\r\n");
  if (mail.attachment.empty()) {
    out.append(BodyPart(mail.body));
    return out;
  }
  // '=' followed by '_' never occurs in quoted-printable or base64 text.
  std::string boundary = "=_" + c.messageId.substr(0, c.messageId.find('@'));
  out.append("Content-Type: multipart/mixed; boundary=\"").append(boundary).append("\"\r\n\r\n");
  out.append("--").append(boundary).append("\r\n").append(BodyPart(mail.body));
  out.append("--").append(boundary).append("\r\n");
  out.append("Content-Type: text/html\r\nContent-Transfer-Encoding: base64\r\n");
  out.append("Content-Disposition: attachment; ")
      .append(FileNameParameter(c.attachmentName))
      .append("\r\n\r\n");
  AppendBase64(&out, c.attachmentBytes, 76);
  out.append("\r\n--").append(boundary).append("--\r\n");
  return out;
}

}  // namespace mailer
