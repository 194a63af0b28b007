#include "engine/rewrite_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/head_scan.h"

namespace {

// The plan of a chunk in words: the outcome, then either the page tags replaced or "@" and the
// text after the insertion point.
std::string Describe(const std::string& chunk, RewriteBlock block, size_t shift = 0) {
  std::vector<char> bytes(chunk.size() + kScanPadding, '\0');
  chunk.copy(bytes.data(), chunk.size());
  RewritePlan plan;
  PlanRewrite(bytes.data(), chunk.size(), block, &plan);
  switch (plan.outcome) {
    case RewriteOutcome::Write:
      break;
    case RewriteOutcome::MissingHeadEnd:
      return "unended";
    case RewriteOutcome::NoHead:
      return "no head";
    case RewriteOutcome::UnterminatedMeta:
      return "unterminated meta";
    case RewriteOutcome::UnterminatedLink:
      return "unterminated link";
  }
  std::string out = std::to_string(plan.head - shift) + ":";
  if (plan.blockStart == RewritePlan::kNoBlock) return out + "@" + chunk.substr(plan.resume);
  if (block == RewriteBlock::Link)
    return out + chunk.substr(plan.blockStart, plan.resume - plan.blockStart);
  for (uint32_t i = 0; i < plan.metaCount; ++i)
    out += "[" + chunk.substr(plan.metaStart[i], plan.metaEnd[i] + 1 - plan.metaStart[i]) + "]";
  return out;
}

TEST(RewritePlanTest, ReplacesThePageTagsOfTheHeadAndNothingElse) {
  struct Row {
    std::string chunk;
    std::string meta;  // the plan of the meta block
    std::string link;  // the plan of the style-sheet link
  } rows[] = {
      {"<head><meta name=a><META HTTP-EQUIV=b></head>", "0:[<meta name=a>][<META HTTP-EQUIV=b>]",
       "0:@<meta name=a><META HTTP-EQUIV=b></head>"},
      // Head tags in any letter case, but a "<header" is none.
      {"<header><HeAd lang=x><Meta name=a></hEAD>", "8:[<Meta name=a>]", "8:@<Meta name=a></hEAD>"},
      {"<html><header></header>", "no head", "no head"},
      // Nothing in a comment, a script or a style is a landmark.
      {"<!-- <head> --><head><!-- <meta name=x> </head> --><meta name=a></head>",
       "15:[<meta name=a>]", "15:@<!-- <meta name=x> </head> --><meta name=a></head>"},
      {"<head><script>let s = '</head><meta name=x>';</script><style>a{}</style>"
       "<meta name=a></head>",
       "0:[<meta name=a>]",
       "0:@<script>let s = '</head><meta name=x>';</script><style>a{}</style>"
       "<meta name=a></head>"},
      {"<head><!-- <meta name=a>", "unended", "unended"},
      // A ">" in a quoted value does not end the tag; a quote that never closes leaves the
      // first ">" to end it.
      {"<head><meta name=a content=\"x>y\" ><meta name='b' content = 'p>q'></head>",
       "0:[<meta name=a content=\"x>y\" >][<meta name='b' content = 'p>q'>]", ""},
      {"<head><meta name=\"a><meta name=b></head><p class=\"x\">",
       "0:[<meta name=\"a>][<meta name=b>]", ""},
      // Meta tags that are no page tags, and those of the body, stay where they are.
      {"<head><meta charset=utf-8> <meta property=og:x><meta name=a><meta itemprop=i></head>"
       "<body><meta name=b>",
       "0:[<meta name=a>]", ""},
      {"<head>\r\n<meta charset=\"utf-8\">\r\n<title>t</title></head>",
       "0:@\r\n<title>t</title></head>", "0:@\r\n<title>t</title></head>"},
      {"<head><title>t</title><meta charset=utf-8></head>",
       "0:@<title>t</title><meta charset=utf-8></head>", ""},
      {"<head><meta name=a </head>", "unterminated meta", "unterminated meta"},
      {"<head><link rel=icon><link rel=a </head>", "0:@<link rel=icon><link rel=a </head>",
       "0:@<link rel=icon><link rel=a </head>"},
      {"<head><link rel=\"x>\" href=a><link href=b REL=\"my StyleSheet\"></head>", "",
       "0:<link href=b REL=\"my StyleSheet\">"},
      {"<head><meta name=a>", "unended", "unended"},
      {"</head><head><meta name=a>", "unended", "unended"},
  };
  for (const Row& r : rows) {
    if (!r.meta.empty()) {
      EXPECT_EQ(r.meta, Describe(r.chunk, RewriteBlock::Meta)) << r.chunk;
    }
    if (!r.link.empty()) {
      EXPECT_EQ(r.link, Describe(r.chunk, RewriteBlock::Link)) << r.chunk;
    }
    // Wherever the chunk's bytes fall against the scan's blocks, the plan is the same.
    for (size_t shift = 1; shift < 40; ++shift) {
      std::string shifted = std::string(shift, ' ') + r.chunk;
      EXPECT_EQ(Describe(r.chunk, RewriteBlock::Meta), Describe(shifted, RewriteBlock::Meta, shift))
          << shift << " " << r.chunk;
    }
  }
}

}  // namespace
