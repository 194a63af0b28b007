#include "mailer/smtp.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

#include "mailer/message.h"
#include "platform/text.h"

namespace mailer {

namespace {

struct Upload {
  const std::string* data;
  size_t offset;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user) {
  Upload* u = static_cast<Upload*>(user);
  size_t n = std::min(size * count, u->data->size() - u->offset);
  std::memcpy(buffer, u->data->data() + u->offset, n);
  u->offset += n;
  return n;
}

// What the conversation showed: the server's last answer, and whether the message itself had
// been offered (MAIL FROM sent) when it went wrong.
struct Transcript {
  std::string lastReply;
  std::string lastRefusal;  // the last 4xx or 5xx answer
  bool mailSent = false;
};

int Watch(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  Transcript* t = static_cast<Transcript*>(user);
  std::string_view text(data, size);
  if (type == CURLINFO_HEADER_IN) {
    std::string line(platform::TrimBlanks(text.substr(0, text.find_first_of("\r\n"))));
    // The goodbye after a refusal must not hide the refusal.
    if (!line.empty()) (line[0] == '4' || line[0] == '5' ? t->lastRefusal : t->lastReply) = line;
  } else if (type == CURLINFO_HEADER_OUT && text.substr(0, 10) == "MAIL FROM:") {
    t->mailSent = true;
  }
  return 0;
}

}  // namespace

std::string SmtpUrl(std::string_view setting) {
  std::string_view s = platform::TrimBlanks(setting);
  if (s.empty()) return "";
  for (unsigned char c : s)
    if (c <= 0x20 || c >= 0x7f) return "";
  std::string lower(s);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.rfind("smtp://", 0) == 0 || lower.rfind("smtps://", 0) == 0) return std::string(s);
  if (lower.find("://") != std::string::npos || s.find('/') != std::string_view::npos) return "";
  return "smtp://" + std::string(s);
}

SmtpSession::SmtpSession(SmtpSettings settings) : settings_(std::move(settings)) {
  curl_ = curl_easy_init();
}

SmtpSession::~SmtpSession() {
  if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

SmtpResult SmtpSession::Send(const std::vector<std::string>& recipients,
                             const std::string& message) {
  SmtpResult result;
  CURL* curl = static_cast<CURL*>(curl_);
  if (!curl) {
    result.serverFailed = true;
    result.text = "the mail library could not start";
    return result;
  }
  curl_slist* rcpt = nullptr;
  for (const std::string& r : recipients)
    rcpt = curl_slist_append(rcpt, ("<" + r + ">").c_str());
  Upload upload{&message, 0};
  Transcript transcript;
  char error[CURL_ERROR_SIZE] = {};
  long timeout = std::max(1L, settings_.timeoutSeconds);

  curl_easy_setopt(curl, CURLOPT_URL, settings_.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, ("<" + settings_.from + ">").c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadUpload);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  curl_easy_setopt(
      curl, CURLOPT_USE_SSL,
      settings_.requireTls ? static_cast<long>(CURLUSESSL_ALL) : static_cast<long>(CURLUSESSL_TRY));
  if (!settings_.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, settings_.caFile.c_str());
  if (!settings_.netrcFile.empty()) {
    curl_easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    curl_easy_setopt(curl, CURLOPT_NETRC_FILE, settings_.netrcFile.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeout);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, Watch);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transcript);

  CURLcode rc = curl_easy_perform(curl);
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, nullptr);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, nullptr);
  curl_slist_free_all(rcpt);

  if (rc == CURLE_OK) {
    result.outcome = Outcome::Accepted;
    result.text = Printable(transcript.lastReply);
    return result;
  }
  bool answered = code >= 400 && code < 600 && !transcript.lastRefusal.empty();
  result.text = Printable(answered ? transcript.lastRefusal
                                   : std::string(error[0] ? error : curl_easy_strerror(rc)));
  // A refusal of the message (its sender, a recipient, its size or content) is final; one that
  // came before the message was offered is the server's or our configuration's, and passes.
  if (answered && code >= 500 && transcript.mailSent) {
    result.outcome = Outcome::Permanent;
  } else {
    result.outcome = Outcome::Temporary;
    result.serverFailed = !transcript.mailSent;
  }
  return result;
}

}  // namespace mailer
