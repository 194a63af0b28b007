#include "engine/rewrite_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using std::string_view;
constexpr size_t npos = string_view::npos;

// The plan as the rewrite first found it: each spelling searched for in the chunk on its own.
// Slow, and plainly right; the one-pass planner must agree with it on every chunk.
struct SearchedChunk {
  std::string bytes;

  size_t Find(string_view what, size_t from = 0) const {
    if (from > bytes.size()) return npos;
    return string_view(bytes).find(what, from);
  }
  void Fold(string_view from, string_view to, size_t start, bool all) {
    for (size_t at = Find(from, start); at != npos; at = Find(from, at + to.size())) {
      bytes.replace(at, to.size(), to);
      if (!all) return;
    }
  }
  size_t FirstOf(std::initializer_list<string_view> spellings, size_t from) const {
    size_t first = npos;
    for (string_view s : spellings)
      first = std::min(first, Find(s, from));
    return first;
  }
  size_t FindMeta(size_t from) const { return FirstOf({"<meta", "<META", "<Meta"}, from); }
  size_t FindLink(size_t from) const { return FirstOf({"<link rel", "<LINK REL"}, from); }
  size_t MetaAround(size_t head, size_t pos) const {
    for (size_t at = FindMeta(head); at != npos && at < pos; at = FindMeta(at)) {
      size_t gt = Find(">", at);
      if (gt == npos) return npos;
      if (pos < gt) return gt + 1;
      at = gt + 1;
    }
    return npos;
  }
};

struct Expected {
  RewriteOutcome outcome = RewriteOutcome::Write;
  size_t blockStart = RewritePlan::kNoBlock;
  size_t resume = 0;
  std::vector<std::pair<size_t, size_t>> metas;  // start, ">"
};

Expected SearchedPlan(SearchedChunk& c, RewriteBlock block) {
  Expected e;
  c.Fold("<head", "<HEAD", 0, false);
  c.Fold("</head>", "</HEAD>", 0, false);
  if (c.Find("</HEAD>") == npos) {
    e.outcome = RewriteOutcome::MissingHeadEnd;
    return e;
  }
  size_t head = c.Find("<HEAD");
  if (head == npos) {
    e.outcome = RewriteOutcome::NoHead;
    return e;
  }
  size_t headEnd = c.Find("</HEAD>", head);
  if (headEnd == npos) {
    e.outcome = RewriteOutcome::MissingHeadEnd;
    return e;
  }
  size_t blockStart = npos;
  size_t resume = 0;
  if (block == RewriteBlock::Meta) {
    c.Fold("<META", "<meta", head, true);
    c.Fold("<Meta", "<meta", head, true);
    blockStart = c.Find("<meta", head);
    for (size_t at = blockStart; at != npos; at = c.Find("<meta", resume)) {
      size_t gt = c.Find(">", at);
      if (gt == npos || (at < headEnd && headEnd < gt)) {
        e.outcome = RewriteOutcome::UnterminatedMeta;
        return e;
      }
      e.metas.push_back({at, gt});
      resume = gt + 1;
    }
  } else {
    for (size_t from = head;;) {
      blockStart = c.FindLink(from);
      if (blockStart == npos || blockStart > headEnd) {
        blockStart = npos;
        break;
      }
      size_t metaEnd = c.MetaAround(head, blockStart);
      if (metaEnd == npos) break;
      from = metaEnd;
    }
    if (blockStart != npos) {
      size_t gt = c.Find(">", blockStart);
      if (gt == npos || gt > headEnd || c.FindMeta(blockStart) < gt) {
        e.outcome = RewriteOutcome::UnterminatedLink;
        return e;
      }
      resume = gt + 1;
    }
  }
  if (blockStart == npos) resume = c.Find(">", head) + 1;
  e.blockStart = blockStart;
  e.resume = resume;
  return e;
}

// Plans the chunk both ways; a description of the first difference, or "".
std::string Compare(const std::string& chunk, RewriteBlock block) {
  SearchedChunk searched{chunk};
  Expected want = SearchedPlan(searched, block);
  // Exactly the chunk's size, so that a read past its end is caught by the sanitizers.
  std::unique_ptr<char[]> bytes(new char[std::max<size_t>(chunk.size(), 1)]);
  std::memcpy(bytes.get(), chunk.data(), chunk.size());
  auto plan = std::make_unique<RewritePlan>();
  PlanRewrite(bytes.get(), chunk.size(), block, plan.get());

  if (string_view(bytes.get(), chunk.size()) != searched.bytes) return "folded bytes differ";
  if (plan->outcome != want.outcome)
    return "outcome " + std::to_string(static_cast<int>(plan->outcome)) + " instead of " +
           std::to_string(static_cast<int>(want.outcome));
  if (want.outcome != RewriteOutcome::Write) return "";
  if (plan->blockStart != want.blockStart)
    return "block at " + std::to_string(plan->blockStart) + " instead of " +
           std::to_string(want.blockStart);
  if (plan->resume != want.resume)
    return "resumes at " + std::to_string(plan->resume) + " instead of " +
           std::to_string(want.resume);
  if (plan->metaCount != want.metas.size())
    return std::to_string(plan->metaCount) + " meta tags instead of " +
           std::to_string(want.metas.size());
  for (size_t i = 0; i < plan->metaCount; ++i) {
    if (plan->metaStart[i] != want.metas[i].first || plan->metaEnd[i] != want.metas[i].second)
      return "meta tag " + std::to_string(i) + " differs";
  }
  return "";
}

std::string Quoted(const std::string& s) {
  std::string out;
  for (char ch : s.substr(0, 300))
    out += ch == '\0' ? std::string("\\0") : std::string(1, ch);
  return out;
}

TEST(RewritePlanTest, AgreesWithSearchingEachSpellingOnCraftedChunks) {
  using namespace std::string_literals;
  const std::string pad(4096, 'x');
  std::vector<std::string> chunks = {
      "",
      "<",
      "<head",
      "<head></head>",
      "<html><head><title>T</title><meta name=a content=1>\r\n<META NAME=b>\r\n</head>",
      "<HEAD><Meta a><META b><meta c></HEAD><meta d>",
      "<Head><meta a></Head>",               // odd spellings are neither
      "<hEaD><meta a></HEAD>",               // end without a head tag
      "</head><head><meta a></head>",        // end before the head
      "<head></head><HEAD><meta a></HEAD>",  // second end after the upper head
      "<header><head><meta a></head>",       // "<header" is a "<head" too
      "<head><meta a</head><meta b>",        // runs into the end of the head
      "<head><meta a></head><meta b",        // no terminator after the head
      "<head><meta a><!-- c --><title>T</title><meta b></head>",
      "<head><meta a=\"<meta b>\"></head>",  // a "<meta" inside a tag's text
      "<head><meta<meta>></head>",
      "<head>\0<meta a>\0<META b\0>\0</head>\0"s,  // NULs
      "<head\0><meta\0a></head>"s,
      "<HEAD><metadata x><metal></HEAD>",
      "<HEAD><meta></HEAD><META><Meta><MeTa>",
      "<META x><head><meta a></head>",  // meta tags before the head stay
      "<HEAD ><meta a>",                // no end at all
      "<head><link rel=s href=a></head>",
      "<head><LINK REL=s><link rel=t></head>",
      "<head><meta a=\"<link rel=x>\"><link rel=y></head>",
      "<head><meta a=\"<link rel=x></head>",
      "<head><link rel=x <meta a></head>",  // link runs into a meta tag
      "<head><link rel=x </head>>",         // link runs past the head
      "<head></head><link rel=x>",          // link after the head
      "<head><Link Rel=x><link REL=y><LINK rel=z></head>",
      "<head><meta a><link rel=x</head>",
      "<head><meta a=\"x><link rel=y></head>",
      "<HEAD></HEAD",
      "<head></HEAD></head>",
  };
  // Landmarks cut by the end of the chunk.
  for (const char* cut : {"<head", "</head>", "<meta", "<META", "<link rel", "<LINK REL"}) {
    std::string s(cut);
    for (size_t keep = 1; keep <= s.size(); ++keep) {
      std::string base = "<head><meta a></head>";
      std::string chunk = base + pad.substr(0, kRewriteChunkSize - base.size() - keep);
      chunks.push_back(chunk + s.substr(0, keep));
      chunks.push_back(s.substr(0, keep));
    }
  }
  // Every alignment of a landmark against the scan's sixteen- and sixty-four-byte blocks.
  for (size_t shift = 0; shift < 70; ++shift) {
    chunks.push_back(pad.substr(0, shift) + "<head><meta a><META b></head><link rel=c>");
    chunks.push_back(pad.substr(0, shift) + "<head><link rel=c><meta a>" + pad.substr(0, shift) +
                     "</head>");
  }
  // A full chunk of tags.
  std::string full;
  while (full.size() < kRewriteChunkSize)
    full += "<meta a>";
  chunks.push_back("<head>" + full.substr(0, kRewriteChunkSize - 13) + "</head>");
  chunks.push_back("<head></head>" + full.substr(0, kRewriteChunkSize - 13));

  for (const std::string& chunk : chunks) {
    ASSERT_LE(chunk.size(), kRewriteChunkSize);
    for (RewriteBlock block : {RewriteBlock::Meta, RewriteBlock::Link})
      EXPECT_EQ("", Compare(chunk, block))
          << (block == RewriteBlock::Meta ? "meta: " : "link: ") << Quoted(chunk);
  }
}

// Chunks put together at random from the pieces the rewrite looks for and the bytes that
// trouble a search (NULs, stray "<" and ">", cut spellings).
TEST(RewritePlanTest, AgreesWithSearchingEachSpellingOnRandomChunks) {
  using namespace std::string_literals;
  const std::vector<std::string> pieces = {
      "<head",    "<HEAD",     "<Head",
      "</head>",  "</HEAD>",   "</Head>",
      "<meta",    "<META",     "<Meta",
      "<mEta",    "<link rel", "<LINK REL",
      "<link",    "<",         ">",
      "<<",       ">>",        "\0"s,
      " ",        "\r\n",      "x",
      "name=a",   "\"",        "<title>",
      "</title>", "<!--",      "-->",
      "<p>",      "<hea",      "</hea",
      "<met",     "<link re",  std::string(40, 'y'),
  };
  std::mt19937 random(20240611);
  for (int round = 0; round < 20000; ++round) {
    size_t target = std::uniform_int_distribution<size_t>(0, round % 10 == 0 ? 4200 : 200)(random);
    std::string chunk;
    while (chunk.size() < target)
      chunk += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
    // Most chunks worth planning have a head and its end somewhere.
    if (round % 3 != 0) {
      chunk.insert(std::uniform_int_distribution<size_t>(0, chunk.size())(random), "</head>");
      chunk.insert(std::uniform_int_distribution<size_t>(0, chunk.size() / 2)(random), "<head>");
    }
    chunk.resize(std::min(chunk.size(), kRewriteChunkSize));
    for (RewriteBlock block : {RewriteBlock::Meta, RewriteBlock::Link}) {
      std::string diff = Compare(chunk, block);
      ASSERT_EQ("", diff) << "round " << round << ": " << Quoted(chunk);
    }
  }
}

}  // namespace
