#include "engine/rewrite_plan.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/open_angles.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using std::string_view;
constexpr size_t npos = RewritePlan::kNoBlock;

// What a "<" opens, as far as the rewrite cares. The spellings are exact: "<hEAD" is none.
enum : uint8_t {
  kHeadLower = 1,   // "<head"
  kHeadUpper = 2,   // "<HEAD"
  kEndLower = 4,    // "</head>"
  kEndUpper = 8,    // "</HEAD>"
  kMetaLower = 16,  // "<meta"
  kMetaOther = 32,  // "<META", "<Meta"
  kLink = 64,       // "<link rel", "<LINK REL"
};
constexpr uint8_t kAnyMeta = kMetaLower | kMetaOther;

bool At(const char* bytes, size_t size, size_t at, string_view what) {
  return size - at >= what.size() && std::memcmp(bytes + at, what.data(), what.size()) == 0;
}

// The kind of the "<" at at; 0 for every other tag. A spelling cut by the end of the chunk is
// none, as a search of the chunk would not find it either.
uint8_t Classify(const char* b, size_t size, size_t at) {
  if (size - at < 2) return 0;
  switch (b[at + 1]) {
    case 'h':
      return At(b, size, at, "<head") ? kHeadLower : 0;
    case 'H':
      return At(b, size, at, "<HEAD") ? kHeadUpper : 0;
    case '/':
      if (At(b, size, at, "</head>")) return kEndLower;
      return At(b, size, at, "</HEAD>") ? kEndUpper : 0;
    case 'm':
      return At(b, size, at, "<meta") ? kMetaLower : 0;
    case 'M':
      return At(b, size, at, "<META") || At(b, size, at, "<Meta") ? kMetaOther : 0;
    case 'l':
      return At(b, size, at, "<link rel") ? kLink : 0;
    case 'L':
      return At(b, size, at, "<LINK REL") ? kLink : 0;
    default:
      return 0;
  }
}

// The "<"s of the chunk that open something the rewrite looks for, with their kinds. Folding
// a spelling changes only its own kind: no "<" starts or stops being one of these.
class Landmarks {
 public:
  Landmarks(char* bytes, size_t size) : bytes_(bytes), size_(size) {
    ForEachOpenAngle(bytes, size, [&](size_t at) {
      uint8_t kind = Classify(bytes, size, at);
      if (kind == 0) return;
      at_[count_] = static_cast<uint16_t>(at);
      kind_[count_] = kind;
      ++count_;
    });
  }

  // The first of kinds at or after from, or npos.
  size_t Next(uint8_t kinds, size_t from) const {
    for (size_t i = First(from); i < count_; ++i)
      if (kind_[i] & kinds) return at_[i];
    return npos;
  }
  // The first ">" at or after from, or npos.
  size_t Close(size_t from) const {
    if (from >= size_) return npos;
    const void* p = std::memchr(bytes_ + from, '>', size_ - from);
    return p ? static_cast<size_t>(static_cast<const char*>(p) - bytes_) : npos;
  }
  // Spells the first (or every) one of kinds at or after from as to.
  void Fold(uint8_t kinds, string_view to, size_t from, bool all) {
    for (size_t i = First(from); i < count_; ++i) {
      if (!(kind_[i] & kinds)) continue;
      std::memcpy(bytes_ + at_[i], to.data(), to.size());
      kind_[i] = Classify(bytes_, size_, at_[i]);
      if (!all) return;
    }
  }

 private:
  size_t First(size_t from) const {
    if (from > size_) return count_;
    return static_cast<size_t>(std::lower_bound(at_, at_ + count_, from) - at_);
  }

  char* bytes_;
  size_t size_;
  size_t count_ = 0;
  uint16_t at_[kRewriteChunkSize];
  uint8_t kind_[kRewriteChunkSize];
};

// When pos lies inside the text of a meta tag of the head (as the reader walks them), the
// position after that tag's ">"; otherwise npos.
size_t MetaAround(const Landmarks& marks, size_t head, size_t pos) {
  for (size_t at = marks.Next(kAnyMeta, head); at != npos && at < pos;
       at = marks.Next(kAnyMeta, at)) {
    size_t gt = marks.Close(at);
    if (gt == npos) return npos;
    if (pos < gt) return gt + 1;
    at = gt + 1;
  }
  return npos;
}

void PlanMetaBlock(const Landmarks& marks, size_t head, size_t headEnd, RewritePlan* plan) {
  for (size_t at = marks.Next(kMetaLower, head); at != npos;
       at = marks.Next(kMetaLower, plan->resume)) {
    size_t gt = marks.Close(at);
    // A tag that runs into the end of the head has lost its own terminator.
    if (gt == npos || (at < headEnd && headEnd < gt)) {
      plan->outcome = RewriteOutcome::UnterminatedMeta;
      return;
    }
    if (plan->metaCount == 0) plan->blockStart = at;
    plan->metaStart[plan->metaCount] = static_cast<uint16_t>(at);
    plan->metaEnd[plan->metaCount] = static_cast<uint16_t>(gt);
    ++plan->metaCount;
    plan->resume = gt + 1;
  }
}

// The first link tag of the head that is not text inside a meta tag; the meta tags must come
// through unchanged, so a link that runs into one has lost its own terminator.
void PlanLinkBlock(const Landmarks& marks, size_t head, size_t headEnd, RewritePlan* plan) {
  size_t link = npos;
  for (size_t from = head;;) {
    link = marks.Next(kLink, from);
    if (link == npos || link > headEnd) {
      link = npos;
      break;
    }
    size_t metaEnd = MetaAround(marks, head, link);
    if (metaEnd == npos) break;
    from = metaEnd;
  }
  if (link == npos) return;
  size_t gt = marks.Close(link);
  if (gt == npos || gt > headEnd || marks.Next(kAnyMeta, link) < gt) {
    plan->outcome = RewriteOutcome::UnterminatedLink;
    return;
  }
  plan->blockStart = link;
  plan->resume = gt + 1;
}

}  // namespace

void PlanRewrite(char* bytes, size_t size, RewriteBlock block, RewritePlan* plan) {
  plan->outcome = RewriteOutcome::Write;
  plan->head = 0;
  plan->blockStart = npos;
  plan->resume = 0;
  plan->metaCount = 0;
  size = std::min(size, kRewriteChunkSize);

  Landmarks marks(bytes, size);
  marks.Fold(kHeadLower, "<HEAD", 0, false);
  marks.Fold(kEndLower, "</HEAD>", 0, false);
  if (marks.Next(kEndUpper, 0) == npos) {
    plan->outcome = RewriteOutcome::MissingHeadEnd;
    return;
  }
  size_t head = marks.Next(kHeadUpper, 0);
  if (head == npos) {
    plan->outcome = RewriteOutcome::NoHead;
    return;
  }
  plan->head = head;
  // The head must end after it starts, as the reader requires.
  size_t headEnd = marks.Next(kEndUpper, head);
  if (headEnd == npos) {
    plan->outcome = RewriteOutcome::MissingHeadEnd;
    return;
  }

  if (block == RewriteBlock::Meta) {
    marks.Fold(kMetaOther, "<meta", head, true);
    PlanMetaBlock(marks, head, headEnd, plan);
  } else {
    PlanLinkBlock(marks, head, headEnd, plan);
  }
  // No block: the new one goes after the head tag, whatever attributes it has. The head's end
  // holds a ">", so there is one.
  if (plan->outcome == RewriteOutcome::Write && plan->blockStart == npos)
    plan->resume = marks.Close(head) + 1;
}
