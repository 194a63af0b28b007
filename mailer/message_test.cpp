#include "mailer/message.h"

#include <gtest/gtest.h>

namespace mailer {
namespace {

// Undoes quoted-printable, for checking that the body arrives unchanged.
std::string DecodeQuotedPrintable(std::string_view qp) {
  std::string out;
  for (size_t i = 0; i < qp.size(); ++i) {
    if (qp[i] != '=') {
      out.push_back(qp[i]);
    } else if (qp.substr(i + 1, 2) == "\r\n") {
      i += 2;
    } else {
      out.push_back(static_cast<char>(std::stoi(std::string(qp.substr(i + 1, 2)), nullptr, 16)));
      i += 2;
    }
  }
  return out;
}

TEST(QueueFile, HostileFilesAreRefusedAndOthersReadExactly) {
  const std::string sep = "\r\r\n";
  std::string binary("body\0\xff\xfe\r\x01 end", 13);
  struct Case {
    std::string bytes;
    std::string recipients;  // joined with "|", or the reason's beginning when refused
    std::string body;
    bool ok;
  };
  const Case cases[] = {
      {"a@x.org" + sep + "S" + sep + sep + "Hi", "a@x.org", "Hi", true},
      {"a@x.org, B <b@x.org>;mailto:c@x.org;;" + sep + "S" + sep + sep, "a@x.org|b@x.org|c@x.org",
       "", true},
      {"a@x.org" + sep + "S" + sep + sep + "x" + sep + "y", "a@x.org", "x" + sep + "y", true},
      {"a@x.org" + sep + "S" + sep + sep + binary, "a@x.org", binary, true},
      {"a@x.org" + sep + "S" + sep + "Hi", "not a queue message: 1 field separator", "", false},
      {"a@x.org\r\nS\r\n\r\nHi", "not a queue message: 3 field separators", "", false},
      {"a@x.org\r\nBcc: all@x.org" + sep + "S" + sep + sep, "the recipient \"a@x.org\\r\\nBcc", "",
       false},
      {"a@x.org" + sep + "S\nBcc: all@x.org" + sep + sep, "the subject \"S\\nBcc", "", false},
      {"a@x.org" + sep + std::string("S\0x", 3) + sep + sep, "the subject \"S\\x00x", "", false},
      {"a@x.org" + sep + "S" + sep + "/r.htm\r" + sep, "the attachment path", "", false},
      {"a b@x.org" + sep + "S" + sep + sep, "the recipient \"a b@x.org\"", "", false},
      {" ; ," + sep + "S" + sep + sep, "the message has no recipient", "", false},
  };
  for (const Case& c : cases) {
    QueuedMail mail;
    std::string reason;
    int rc = ParseQueueFile(c.bytes, &mail, &reason);
    SCOPED_TRACE(Printable(c.bytes));
    ASSERT_EQ(c.ok ? 0 : -1, rc) << reason;
    if (!c.ok) {
      EXPECT_EQ(0u, reason.rfind(c.recipients, 0)) << reason;
      continue;
    }
    std::string joined;
    for (const std::string& r : mail.recipients)
      joined += (joined.empty() ? "" : "|") + r;
    EXPECT_EQ(c.recipients, joined);
    EXPECT_EQ(c.body, mail.body);
  }
}

TEST(QueueFile, BodiesArriveWholeInTheirDeclaredCharsetOnShortLines) {
  std::string big;
  for (int i = 0; big.size() < (10u << 20); ++i)
    big += "Zeile " + std::to_string(i) + " \xc3\xa4=" + std::string(i % 300, 'x') + "\n";
  struct Case {
    std::string subject;
    std::string body;
    std::string charset;
    std::string subjectHeader;
  };
  const Case cases[] = {
      {"Document Management", "Your document [/s/a.htm] needs review", "utf-8",
       "Subject: Document Management\r\n"},
      {"R\xe9vision", std::string("caf\xe9 \0\xff\r bare CR\r\n. dot line\ttab \n", 34),
       "iso-8859-1", "Subject: =?ISO-8859-1?B?Uul2aXNpb24=?=\r\n"},
      {"Gr\xc3\xbc\xc3\x9f"
       "e",
       big, "utf-8", "Subject: =?UTF-8?B?R3LDvMOfZQ==?=\r\n"},
  };
  for (const Case& c : cases) {
    QueuedMail mail{{"a@x.org", "b@x.org"}, c.subject, "/srv/r\xc3\xa9port \"1\".htm", c.body};
    Composition comp{"steward@x.org", 0, "abc.1@x.org", "r\xc3\xa9port \"1\".htm", "<p>\x01"};
    std::string m = ComposeMessage(mail, comp);
    EXPECT_NE(std::string::npos, m.find(c.subjectHeader));
    EXPECT_NE(std::string::npos, m.find("charset=" + c.charset + "\r\n"));
    EXPECT_NE(std::string::npos, m.find("To: a@x.org,\r\n b@x.org\r\n"));
    EXPECT_NE(std::string::npos, m.find("filename*=utf-8''r%C3%A9port%20%221%22.htm\r\n"));
    EXPECT_NE(std::string::npos, m.find("\r\n\r\nPHA+AQ==\r\n--=_abc.1--\r\n"));
    // Every line ends in CR LF and is short enough for any server.
    size_t start = 0, longest = 0;
    for (size_t at = m.find('\n'); at != std::string::npos; at = m.find('\n', start)) {
      ASSERT_EQ('\r', m[at - 1]) << at;
      longest = std::max(longest, at - start);
      start = at + 1;
    }
    EXPECT_LE(longest, 78u);
    size_t body = m.find("quoted-printable\r\n\r\n") + 20;
    std::string decoded = DecodeQuotedPrintable(m.substr(body, m.find("\r\n--=_", body) - body));
    std::string expected;
    for (size_t i = 0; i < c.body.size(); ++i) {
      if (c.body[i] == '\n' && (i == 0 || c.body[i - 1] != '\r')) expected += '\r';
      expected += c.body[i];
    }
    EXPECT_EQ(expected, decoded);
  }
}

}  // namespace
}  // namespace mailer
