#include "mailer/queue_store.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/text.h"

namespace mailer {

namespace {

constexpr long kSlots = 1000;
constexpr std::string_view kClaimEnd = ".sending";
// A claim whose process id is alive again after this long belongs to a process that reused it.
constexpr long long kClaimStaleNs = 10LL * 60 * 1000000000;

// The number before ".tsm" of a queue file name, or -1.
long SlotOf(std::string_view name) {
  size_t dot = name.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot > 9) return -1;
  long n = 0;
  auto [end, ec] = std::from_chars(name.data(), name.data() + dot, n);
  if (ec != std::errc() || end != name.data() + dot) return -1;
  return name.substr(dot) == ".tsm" ? n : -1;
}

std::string RetryPath(const std::string& dir, long slot) {
  return platform::JoinPath(dir, std::to_string(slot) + ".retry");
}

void RemoveRetry(const std::string& dir, long slot, unsigned long long inode) {
  QueueEntry entry;
  entry.slot = slot;
  entry.inode = inode;
  RetryRecord record;
  if (ReadRetry(dir, entry, &record)) platform::Fs().Remove(RetryPath(dir, slot));
}

// Renames a claimed file to "<slot>.tsm", or to the first free slot when another message took
// that one meanwhile. The slot used, or -1.
long Requeue(const std::string& dir, const std::string& from, long slot) {
  platform::FileSystem& fs = platform::Fs();
  for (long i = 0; i <= kSlots; ++i) {
    long n = i == 0 ? slot : i - 1;
    if (i > 0 && n == slot) continue;
    if (fs.RenameNoReplace(from, platform::JoinPath(dir, std::to_string(n) + ".tsm")) == 0)
      return n;
    if (platform::LastError() != EEXIST) return -1;
  }
  return -1;
}

void Release(Claim* claim) {
  if (claim->fd >= 0) platform::Fs().Close(claim->fd);
  claim->fd = -1;
}

}  // namespace

long RetryDelay(int attempts) {
  long delay = 60;
  for (int i = 1; i < attempts && delay < 3600; ++i)
    delay *= 2;
  return std::min(delay, 3600L);
}

int ListQueue(const std::string& dir, std::vector<QueueEntry>* entries) {
  entries->clear();
  std::vector<std::string> names;
  if (platform::Fs().ListDir(dir, &names) != 0) return -1;
  for (const std::string& name : names) {
    long slot = SlotOf(name);
    if (slot < 0) continue;
    platform::FileInfo info;
    if (platform::Fs().LinkStat(platform::JoinPath(dir, name), &info) != 0) continue;
    entries->push_back(QueueEntry{name, info.modifyNs, info.inode, slot});
  }
  std::sort(entries->begin(), entries->end(), [](const QueueEntry& a, const QueueEntry& b) {
    return a.modifyNs != b.modifyNs ? a.modifyNs < b.modifyNs : a.slot < b.slot;
  });
  return 0;
}

int ClaimMessage(const std::string& dir, const QueueEntry& entry, Claim* claim) {
  platform::FileSystem& fs = platform::Fs();
  *claim = Claim{};
  claim->dir = dir;
  claim->name = entry.name;
  claim->slot = entry.slot;
  claim->path = platform::JoinPath(
      dir, entry.name + "." + std::to_string(platform::CurrentProcessId()) + ".sending");
  // The rename is the claim: of two mailers, only one finds the file under its queued name.
  if (fs.RenameNoReplace(platform::JoinPath(dir, entry.name), claim->path) != 0)
    return platform::LastError() == ENOENT ? 0 : -1;
  if (fs.LinkStat(claim->path, &claim->info) != 0) return -1;
  if (!claim->info.isRegular) return 1;
  claim->fd = fs.Open(claim->path, platform::OpenFor::Read, 0);
  if (claim->fd < 0) return -1;
  // The lock tells a mailer that outlives a reused process id that this claim is alive.
  fs.TryLock(claim->fd);
  return 1;
}

int ReadClaim(const Claim& claim, size_t limit, std::string* bytes) {
  bytes->clear();
  if (claim.fd < 0) return -1;
  char buf[65536];
  long long offset = 0;
  while (bytes->size() <= limit) {
    long n = platform::Fs().ReadAt(claim.fd, buf, sizeof buf, offset);
    if (n < 0) return -1;
    if (n == 0) break;
    bytes->append(buf, static_cast<size_t>(n));
    offset += n;
  }
  return 0;
}

int GiveBack(Claim* claim) {
  Release(claim);
  return Requeue(claim->dir, claim->path, claim->slot) >= 0 ? 0 : -1;
}

int Delivered(Claim* claim) {
  Release(claim);
  RemoveRetry(claim->dir, claim->slot, claim->info.inode);
  return platform::Fs().Remove(claim->path);
}

int KeepForRetry(Claim* claim, const std::string& reason, std::time_t now) {
  Release(claim);
  QueueEntry old;
  old.slot = claim->slot;
  old.inode = claim->info.inode;
  RetryRecord record;
  int attempts = ReadRetry(claim->dir, old, &record) ? record.attempts + 1 : 1;
  long slot = Requeue(claim->dir, claim->path, claim->slot);
  if (slot < 0) return -1;
  if (slot != claim->slot) RemoveRetry(claim->dir, claim->slot, claim->info.inode);
  std::time_t next = now + RetryDelay(attempts);
  std::string text = platform::Format(
      "file %llu\nattempts %d\nnext %lld (%s)\nreason %s\n", claim->info.inode, attempts,
      static_cast<long long>(next),
      platform::FormatTime("%Y-%m-%d %H:%M:%S", platform::LocalTime(next)).c_str(), reason.c_str());
  platform::ReplaceFile(RetryPath(claim->dir, slot), text);
  claim->path = platform::JoinPath(claim->dir, std::to_string(slot) + ".tsm");
  return 0;
}

std::string MoveToFailed(Claim* claim, const std::string& reason) {
  Release(claim);
  platform::FileSystem& fs = platform::Fs();
  std::string failed = platform::JoinPath(claim->dir, "failed");
  if (fs.MakeDir(failed) != 0 && platform::LastError() != EEXIST) {
    Requeue(claim->dir, claim->path, claim->slot);
    return "";
  }
  std::string stem = claim->name.substr(0, claim->name.size() - 4);
  for (int n = 0; n < 10000; ++n) {
    std::string target =
        platform::JoinPath(failed, (n == 0 ? stem : stem + "-" + std::to_string(n)) + ".tsm");
    if (fs.RenameNoReplace(claim->path, target) == 0) {
      RemoveRetry(claim->dir, claim->slot, claim->info.inode);
      platform::ReplaceFile(target + ".reason", reason + "\n");
      return target;
    }
    if (platform::LastError() != EEXIST) break;
  }
  Requeue(claim->dir, claim->path, claim->slot);
  return "";
}

int RecoverClaims(const std::string& dir) {
  platform::FileSystem& fs = platform::Fs();
  std::vector<std::string> names;
  if (fs.ListDir(dir, &names) != 0) return 0;
  int recovered = 0;
  long long nowNs = static_cast<long long>(platform::Now()) * 1000000000;
  for (const std::string& name : names) {
    std::string_view n = name;
    if (n.size() <= kClaimEnd.size() || n.substr(n.size() - kClaimEnd.size()) != kClaimEnd)
      continue;
    std::string_view stem = n.substr(0, n.size() - kClaimEnd.size());
    size_t dot = stem.rfind('.');
    if (dot == std::string_view::npos) continue;
    long slot = SlotOf(stem.substr(0, dot));
    long pid = std::atol(std::string(stem.substr(dot + 1)).c_str());
    if (slot < 0 || pid <= 0) continue;
    std::string path = platform::JoinPath(dir, name);
    if (pid != platform::CurrentProcessId() && platform::ProcessExists(pid)) {
      platform::FileInfo info;
      if (fs.LinkStat(path, &info) != 0 || nowNs - info.changeNs < kClaimStaleNs) continue;
      int fd = fs.Open(path, platform::OpenFor::Read, 0);
      if (fd < 0) continue;
      bool held = fs.TryLock(fd) != 0;
      fs.Close(fd);
      if (held) continue;
    }
    if (Requeue(dir, path, slot) >= 0) ++recovered;
  }
  return recovered;
}

bool ReadRetry(const std::string& dir, const QueueEntry& entry, RetryRecord* record) {
  std::string text;
  if (platform::ReadWholeFile(RetryPath(dir, entry.slot), &text) != 0) return false;
  *record = RetryRecord{};
  long long next = 0;
  char reason[512] = {};
  if (std::sscanf(text.c_str(), "file %llu attempts %d next %lld (%*[^)]) reason %511[^\n]",
                  &record->inode, &record->attempts, &next, reason) < 3)
    return false;
  record->next = static_cast<std::time_t>(next);
  record->reason = reason;
  return record->inode == entry.inode;
}

}  // namespace mailer
