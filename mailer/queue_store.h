// The mail queue as the mailer sees it: complete messages, claims, retries and failures.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "platform/fs.h"

namespace mailer {

// A complete message of the queue ("<n>.tsm").
struct QueueEntry {
  std::string name;
  long long modifyNs = 0;
  unsigned long long inode = 0;
  long slot = 0;
};

// The complete messages of dir, oldest first (ties by slot). 0 or -1.
int ListQueue(const std::string& dir, std::vector<QueueEntry>* entries);

// A message taken by this process: renamed to "<n>.tsm.<pid>.sending", open and locked, so
// that no other mailer sends it too.
struct Claim {
  std::string dir;
  std::string name;  // the name it was queued under
  std::string path;  // where it is now
  int fd = -1;       // -1 when it is not a regular file
  platform::FileInfo info;
  long slot = 0;
};

// Takes a message. 1 when taken, 0 when another mailer took it first, -1 on error.
int ClaimMessage(const std::string& dir, const QueueEntry& entry, Claim* claim);
// Reads the claimed file (at most limit + 1 bytes). 0 or -1.
int ReadClaim(const Claim& claim, size_t limit, std::string* bytes);
// Sent: the file goes. 0 or -1.
// Puts a claimed message back under its queued name untouched (another mailer deferred it
// after this one listed it). 0, or -1.
int GiveBack(Claim* claim);
int Delivered(Claim* claim);
// To be tried again: queued again, under its old name when that is free, with its retry
// record. 0, or -1 when it could not be queued again (it stays claimed and is put back later).
int KeepForRetry(Claim* claim, const std::string& reason, std::time_t now);
// Will never go: moved to "failed/" with a ".reason" file beside it. The new path, or "" when it
// could not be moved (then it is queued again).
std::string MoveToFailed(Claim* claim, const std::string& reason);

// Puts back the messages claimed by mailers that died while sending. The number put back.
int RecoverClaims(const std::string& dir);

// The retry record of a queued message.
struct RetryRecord {
  unsigned long long inode = 0;
  int attempts = 0;
  std::time_t next = 0;
  std::string reason;
};
// The record of the entry; false when it has none (or one left by another message of that slot).
bool ReadRetry(const std::string& dir, const QueueEntry& entry, RetryRecord* record);
// Seconds to wait after the given number of failed attempts.
long RetryDelay(int attempts);

}  // namespace mailer
