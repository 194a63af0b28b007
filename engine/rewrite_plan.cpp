#include "engine/rewrite_plan.h"

#include <string_view>

#include "engine/head_reader.h"
#include "engine/head_scan.h"

namespace {

using std::string_view;

string_view TagText(const char* bytes, uint32_t start, uint32_t end) {
  return string_view(bytes + start, end - start);
}

// Where new tags go into a head that has none to replace: after the head tag, or after a
// character-set declaration standing right behind it, which must stay first.
uint32_t InsertionPoint(const char* bytes, const HeadScan& scan) {
  uint32_t after = scan.headTagEnd + 1;
  if (scan.metaCount == 0) return after;
  uint32_t first = scan.metaStart[0];
  for (uint32_t i = after; i < first; ++i)
    if (!IsTagSpace(bytes[i])) return after;
  string_view tag = TagText(bytes, first, scan.metaEnd[0]);
  bool charset = false;
  TagAttribute(tag, "charset", &charset);
  return charset && !IsPageTag(tag) ? scan.metaEnd[0] + 1 : after;
}

// Keeps the page tags of the scan's meta tags, in order, in the scan's own storage.
void PlanMetaBlock(const char* bytes, HeadScan& scan, RewritePlan* plan) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < scan.metaCount; ++i) {
    if (!IsPageTag(TagText(bytes, scan.metaStart[i], scan.metaEnd[i]))) continue;
    scan.metaStart[kept] = scan.metaStart[i];
    scan.metaEnd[kept] = scan.metaEnd[i];
    ++kept;
  }
  plan->metaCount = kept;
  plan->metaStart = scan.metaStart;
  plan->metaEnd = scan.metaEnd;
  if (kept == 0) return;
  plan->blockStart = scan.metaStart[0];
  plan->resume = scan.metaEnd[kept - 1] + 1;
}

}  // namespace

void PlanRewrite(const char* bytes, size_t size, RewriteBlock block, RewritePlan* plan) {
  *plan = RewritePlan{};
  HeadScan scan;
  ScanHead(bytes, size, &scan);
  switch (scan.outcome) {
    case HeadOutcome::Ended:
      break;
    case HeadOutcome::NoHead:
      plan->outcome = RewriteOutcome::NoHead;
      return;
    case HeadOutcome::Unended:
      plan->outcome = RewriteOutcome::MissingHeadEnd;
      return;
    case HeadOutcome::RunawayMeta:
      plan->outcome = RewriteOutcome::UnterminatedMeta;
      return;
  }
  plan->head = scan.head;
  // Computed before the meta block keeps only the page tags.
  uint32_t insertion = InsertionPoint(bytes, scan);
  if (block == RewriteBlock::Meta) {
    PlanMetaBlock(bytes, scan, plan);
  } else if (scan.sheetStart != HeadScan::kNone) {
    if (scan.sheetEnd == HeadScan::kNone) {
      plan->outcome = RewriteOutcome::UnterminatedLink;
      return;
    }
    plan->blockStart = scan.sheetStart;
    plan->resume = scan.sheetEnd + 1;
  }
  if (plan->blockStart == RewritePlan::kNoBlock) plan->resume = insertion;
}
