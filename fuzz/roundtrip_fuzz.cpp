// Round trip: a document's tags, read, rendered and written back into it, read back the same,
// with the same kinds; every byte of the document that is no page tag is still there, in order;
// what follows the first chunk is never touched, and a failed rewrite leaves every byte.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/head_scan.h"
#include "engine/head_writer.h"
#include "engine/page_tags.h"
#include "engine/rewrite_plan.h"
#include "platform/fs.h"
#include "platform/headless/headless_ui.h"
#include "schema/schema.h"

namespace {

using Tags = std::vector<std::pair<std::string, std::string>>;

// The part of a document the reader and the writer search.
constexpr size_t kChunk = 4096;

struct Harness {
  std::string doc;
  Harness() {
    ResetSettings();
    AppOptions |= kOptNoMajorErrorLog;  // a full tags text is reported, not logged
    loglevel = 0;
    platform::DefaultHeadlessUi().SetEcho(nullptr);
    if (ReservePageTags() != 0 || ReserveSchemaTables() != 0) std::abort();
    // On a memory file system the flush of every rewrite costs nothing.
    std::string base = platform::DirExists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string dir = base + "/roundtrip-XXXXXX";
    if (!mkdtemp(dir.data())) std::abort();
    doc = dir + "/doc.htm";
  }
};

Tags TableTags() {
  Tags tags;
  for (int i = 0; i < Tagcount; ++i)
    tags.emplace_back(
        PageTags[i].name + std::string("|") + std::to_string(PageTags[i].flags & TF_KIND_MASK),
        PageTags[i].value);
  return tags;
}

// The document without its head's page tags and blanks: what a rewrite must keep.
std::string Kept(const std::string& doc) {
  std::string bytes = doc + std::string(kScanPadding, '\0');
  RewritePlan plan;
  PlanRewrite(bytes.data(), doc.size(), RewriteBlock::Meta, &plan);
  std::string kept;
  size_t from = 0;
  for (uint32_t i = 0; i < plan.metaCount; ++i) {
    kept += doc.substr(from, plan.metaStart[i] - from);
    from = plan.metaEnd[i] + 1;
  }
  kept += doc.substr(from);
  std::erase_if(kept, [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; });
  return kept;
}

std::string Load(const std::string& path) {
  std::string bytes;
  if (platform::ReadWholeFile(path, &bytes) != 0) std::abort();
  return bytes;
}

// Whether a work file is left in the directory of path.
bool WorkFileLeft(const std::string& path) {
  std::vector<std::string> names;
  if (platform::Fs().ListDir(path.substr(0, path.rfind('/')), &names) != 0) std::abort();
  for (const std::string& name : names)
    if (platform::IsWorkFileName(name)) return true;
  return false;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "round trip broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness h;
  platform::HeadlessUi& ui = platform::DefaultHeadlessUi();
  ui.Clear();
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (platform::ReplaceFile(h.doc, input) != 0) std::abort();

  int read = ReadPageTags(nullptr, h.doc.c_str());
  if (read != 0) {
    // The editor would not save such a document; the writer must still leave it whole.
    int rc = RewriteHeadStatus(nullptr, h.doc.c_str(), "");
    if (rc != 0) Check(Load(h.doc) == input, "failed rewrite changed the document");
    Check(!WorkFileLeft(h.doc), "work file left");
    return 0;
  }
  const Tags written = TableTags();
  // A quote that does not close may take in the tags a rewrite writes after it: such a head is
  // kept as it is, but need not read back the same.
  std::string padded = input + std::string(kScanPadding, '\0');
  HeadScan scan;
  ScanHead(padded.data(), std::min(input.size(), kChunk), &scan);
  const bool stable = !scan.unclosedQuote;
  char text[kTagsTextSize] = "";
  for (int i = 0; i < Tagcount; ++i)
    RenderTag(text, PageTags[i]);
  const bool cut = !ui.boxes().empty();  // "M042": some tags lost their value

  int rc = RewriteHeadStatus(nullptr, h.doc.c_str(), text);
  const std::string after = Load(h.doc);
  Check(!WorkFileLeft(h.doc), "work file left");
  if (rc != 0) {
    Check(Load(h.doc) == input, "failed rewrite changed the document");
    return 0;
  }
  if (input.size() > kChunk) {
    const size_t tail = input.size() - kChunk;
    Check(
        after.size() >= tail && after.compare(after.size() - tail, tail, input, kChunk, tail) == 0,
        "bytes after the first chunk changed");
    return 0;  // what moves into the reader's view from beyond the chunk is not comparable
  }
  if (cut || after.size() > kChunk || !stable) return 0;  // the reader sees the first chunk
  Check(Kept(after) == Kept(input), "markup that is no page tag changed");

  Check(ReadPageTags(nullptr, h.doc.c_str()) == 0, "rewritten document unreadable");
  const Tags rewritten = TableTags();
  if (rewritten != written) {
    for (const auto& [name, value] : written)
      std::fprintf(stderr, "written [%s] [%s]\n", name.c_str(), value.c_str());
    for (const auto& [name, value] : rewritten)
      std::fprintf(stderr, "read    [%s] [%s]\n", name.c_str(), value.c_str());
    std::fprintf(stderr, "document:\n%s\n", after.c_str());
    Check(false, "tags read back differ");
  }

  // A style sheet link leaves the meta tags alone.
  if (InsertStylesheetLink(nullptr, h.doc.c_str(), "/s.css") == 0 && Load(h.doc).size() <= kChunk) {
    Check(ReadPageTags(nullptr, h.doc.c_str()) == 0, "linked document unreadable");
    if (TableTags() != rewritten) {
      std::fprintf(stderr, "document before:\n%s\nafter:\n%s\n", after.c_str(),
                   Load(h.doc).c_str());
      Check(false, "link changed the tags");
    }
  }
  return 0;
}
