#include "reports/mail_queue.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"

int gMailSlot = 0;

namespace {

constexpr int kSlots = 1000;
const char kSeparator[] = "\r\r\n";

// Joined with a separator: a "Mail Queue" without its final "/" must not run on into the name.
std::string SlotPath(int n, const char* extension) {
  return platform::JoinPath(MailQueue, std::to_string(n) + extension);
}

// A slot is free when no file of that number with the final extension exists, whatever its
// permissions: an unreadable message is still a message.
bool SlotFree(int n) {
  platform::FileInfo info;
  return platform::Fs().LinkStat(SlotPath(n, ".tsm"), &info) != 0 &&
         platform::LastError() == ENOENT;
}

int FindFreeSlot(int from) {
  for (int n = from; n < kSlots; ++n)
    if (SlotFree(n)) return n;
  for (int n = 0; n < from; ++n)
    if (SlotFree(n)) return n;
  return -1;
}

// Writes the message under ".tmp" and renames it to ".tsm" without replacing anything.
// 0, -1 when the work file could not be written, -2 when the slot was taken meanwhile.
int WriteMessage(int n, const std::string& content) {
  std::string tmp = SlotPath(n, ".tmp");
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.Open(tmp, platform::OpenFor::CreateNew, 0644);
  if (fd < 0) return platform::LastError() == EEXIST ? -2 : -1;
  int rc = platform::WriteAll(fd, content.data(), content.size());
  if (fs.Close(fd) != 0) rc = -1;
  if (rc == 0 && fs.RenameNoReplace(tmp, SlotPath(n, ".tsm")) != 0) {
    rc = platform::LastError() == EEXIST ? -2 : -1;
  }
  if (rc != 0) fs.Remove(tmp);
  return rc;
}

}  // namespace

int QueueMail(const char* recipient, const char* subject, const char* attachment,
              const char* body) {
  if (gMailSlot < 0 || gMailSlot > kSlots) gMailSlot = 0;
  // A queue directory too long to hold is never cut into another one: the message is lost.
  if (CheckPathSetting(nullptr, KeySection::Mailer, "Mail Queue") != 0) return 0;
  std::string content =
      std::string(recipient) + kSeparator + subject + kSeparator + attachment + kSeparator + body;
  int from = gMailSlot;
  bool queued = false;
  for (int attempt = 0; attempt < kSlots; ++attempt) {
    int n = FindFreeSlot(from);
    if (n < 0) {
      ReportCoded("M057:The mail queue is full!");
      return -1;
    }
    if (attempt == 0) ++gMailSlot;  // from its value before the search, not from n
    int rc = WriteMessage(n, content);
    if (rc == 0) {
      queued = true;
      break;
    }
    if (rc == -1) {
      ReportCoded("M058:Error opening mail file");
      return 0;
    }
    from = n + 1;  // another writer (the timer plug-in) took the slot meanwhile
  }
  if (!queued) {
    ReportCoded("M057:The mail queue is full!");
    return -1;
  }
  if (AppOptions & kOptVerbose) {
    std::string text = platform::Format("%s\n%s\n%s\n%s", recipient, subject, attachment, body);
    platform::ShowMessageBox(nullptr, text, "VERBOSE", platform::kBoxOk);
  }
  return 0;
}

int QueueOwnerNotice(platform::WindowHandle owner, const char* documentPath, int tagCount,
                     DateCheck check) {
  (void)owner;
  const DateCheckRule& rule = check == DateCheck::Expiry ? ExpiryRule : ReviewRule;
  if (rule.ownerTag[0] == '\0') return 0;
  for (int i = 0; i < tagCount; ++i) {
    if (std::strstr(PageTags[i].name, rule.ownerTag) == nullptr) continue;
    std::string body =
        platform::Format(check == DateCheck::Expiry ? "Your document [%s] has expired"
                                                    : "Your document [%s] needs review",
                         documentPath);
    QueueMail(PageTags[i].value, "Document Management", "", body.c_str());
    break;
  }
  return 0;
}

int QueueAdminMail(DateCheck check, const char* reportPath) {
  const DateCheckRule& rule = check == DateCheck::Expiry ? ExpiryRule : ReviewRule;
  if (rule.adminEmail[0] == '\0') return 0;
  std::string subject = platform::Format(
      check == DateCheck::Expiry ? "Expired Documents - %s" : "Documents for Review - %s",
      CurrentConfig);
  QueueMail(rule.adminEmail, subject.c_str(), reportPath, "");
  return 0;
}
