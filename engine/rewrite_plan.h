// Where a head rewrite cuts the bytes it read from the start of a document: the head, the page
// tags it replaces (or the style-sheet link), and the markup it keeps.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of a document a rewrite looks at first; only a head that has not ended there makes it
// read on, up to "Head Size". The rest is copied as it is.
constexpr size_t kRewriteChunkSize = 4096;

enum class RewriteBlock { Meta, Link };

enum class RewriteOutcome {
  Write,             // the chunk can be rewritten
  MissingHeadEnd,    // the head does not end within the chunk
  NoHead,            // no head tag
  UnterminatedMeta,  // a meta tag of the head has no ">" of its own
  UnterminatedLink,  // the style-sheet link has no ">" of its own
};

struct RewritePlan {
  static constexpr uint32_t kNoBlock = UINT32_MAX;
  RewriteOutcome outcome = RewriteOutcome::Write;
  uint32_t head = 0;  // the head tag, when there is one
  // Where the replaced block starts, or kNoBlock: the new one goes in at resume.
  uint32_t blockStart = kNoBlock;
  uint32_t resume = 0;  // where the chunk goes on after the block (or the insertion point)
  // The page tags of a replaced meta block in order: where each starts and its ">". Everything
  // between one's ">" and the next one's start is kept. The storage lasts until the next plan.
  uint32_t metaCount = 0;
  const uint32_t* metaStart = nullptr;
  const uint32_t* metaEnd = nullptr;
};

// Plans the rewrite of block in bytes[0, size), which are followed by kScanPadding zero bytes
// (see engine/head_scan.h). The bytes are not changed.
void PlanRewrite(const char* bytes, size_t size, RewriteBlock block, RewritePlan* plan);
