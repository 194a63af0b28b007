// Where a head rewrite cuts the first chunk of a document: the head, the block of meta tags or
// the link tag it replaces, and the markup it keeps. Found in one pass over the chunk.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of a document a rewrite looks at; the rest is copied as it is.
constexpr size_t kRewriteChunkSize = 4096;

enum class RewriteBlock { Meta, Link };

enum class RewriteOutcome {
  Write,             // the chunk can be rewritten
  MissingHeadEnd,    // no "</HEAD>", or none after the head tag
  NoHead,            // no head tag
  UnterminatedMeta,  // a meta tag of the block has no ">" of its own
  UnterminatedLink,  // the link tag has no ">" of its own
};

// A tag has at least "<meta" and ">": the most a chunk can hold.
constexpr size_t kMaxPlannedMetas = kRewriteChunkSize / 6 + 1;

struct RewritePlan {
  RewriteOutcome outcome = RewriteOutcome::Write;
  size_t head = 0;  // the head tag ("<HEAD"), when there is one
  // Where the replaced block starts, or kNoBlock: the new one goes after the head tag.
  static constexpr size_t kNoBlock = static_cast<size_t>(-1);
  size_t blockStart = kNoBlock;
  size_t resume = 0;  // where the chunk goes on after the block (or after the head tag)
  // The meta tags of a replaced meta block in order: where each starts and its ">". The markup
  // between one's ">" and the next one's start is kept.
  size_t metaCount = 0;
  uint16_t metaStart[kMaxPlannedMetas];
  uint16_t metaEnd[kMaxPlannedMetas];
};

// Folds the letter cases a rewrite folds in bytes[0, size) (the first "<head" and "</head>" to
// upper case; for a meta block, "<META" and "<Meta" from the head on to "<meta") and plans the
// rewrite of block into *plan. Every byte counts, NULs included. size <= kRewriteChunkSize.
void PlanRewrite(char* bytes, size_t size, RewriteBlock block, RewritePlan* plan);
