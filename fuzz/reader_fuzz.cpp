// The head reader on any bytes: it never reads or writes out of bounds, never overfills the
// table, and leaves every name and value terminated within its record.
//
// Input: two bytes of settings, then the document.
//   byte 0: bits 0-2 autotags; bit 3 control tags are read; bit 4 the path is a tree-tag
//           file; bits 5-6 a pair of custom attribute lists; bit 7 the missing-head display
//   byte 1: below 32, a table of byte + 1 records; otherwise the default of 64
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/head_scan.h"
#include "engine/page_tags.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "schema/schema.h"

namespace {

struct Imports {
  const char* names;
  const char* values;
};
// The last pair holds an empty value item, the one way a tag fails to parse.
constexpr Imports kImports[] = {
    {"", ""}, {"property", ""}, {"property, itemprop", "data"}, {"", "data,"}};

struct Harness {
  int fd = -1;
  int reserved = 0;
  Harness() {
    ResetSettings();
    AppOptions |= kOptNoMajorErrorLog;  // critical reports are shown, not written to disk
    loglevel = 0;
    platform::DefaultHeadlessUi().SetEcho(nullptr);
    std::string dir = "/tmp/reader-fuzz-XXXXXX";
    if (!mkdtemp(dir.data())) std::abort();
    std::string schema =
        "DC.Title,M\nKeywords,A {a,b}\nDC.Subject,M {[Industry.ST,BEP]}\nAD.MapMe\n";
    if (platform::ReplaceFile(dir + "/META.IDX", schema) != 0) std::abort();
    platform::CopyText(IniPath, dir);
    platform::CopyText(RootPath, "/site");
    platform::CopyText(SiteURL, "http://www.example.org/");
    // Loading the schema moves into its directory; the fuzzer reads its corpus by relative
    // paths afterwards.
    std::string cwd;
    if (platform::Fs().CurrentDir(&cwd) != 0) std::abort();
    if (ReserveSchemaTables() != 0 || LoadSchema() != 0) std::abort();
    if (platform::Fs().ChangeDir(cwd) != 0) std::abort();
    platform::SetTestClock(927590400);  // "AD.Touched" alike in every read compared
    fd = memfd_create("document", 0);
    if (fd < 0) std::abort();
  }
};

// What a read leaves: its result, the table and InSiteMap.
std::vector<std::string> Outcome(int rc) {
  std::vector<std::string> out{std::to_string(rc) + " " + std::to_string(InSiteMap)};
  for (int i = 0; i < Tagcount; ++i)
    out.push_back(std::string(PageTags[i].name) + "|" + PageTags[i].value + "|" +
                  std::to_string(PageTags[i].flags));
  return out;
}

bool KeepsKey(const char (&name)[32]) {
  for (const char* automatic : {"DC.Title", "DC.Identifier", "AD.Touched"})
    if (std::strcmp(name, automatic) == 0) return true;
  return std::strstr(name, "Key") != nullptr;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "reader invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness h;
  platform::DefaultHeadlessUi().Clear();
  uint8_t settings = size > 0 ? data[0] : 0;
  uint8_t table = size > 1 ? data[1] : 0xff;
  size_t skip = size < 2 ? size : 2;
  data += skip;
  size -= skip;

  autotags = settings & 7;
  SuppressControlTags = (settings & 8) ? 0 : 1;
  const char* path = (settings & 16) ? "/site/docs/meta.tag" : "/site/docs/a.htm";
  const Imports& imports = kImports[(settings >> 5) & 3];
  platform::CopyText(CustomNameImports, imports.names);
  platform::CopyText(CustomValueImports, imports.values);
  ShowMissingHead = (settings & 128) ? 1 : 0;
  int records = table < 32 ? table + 1 : 64;
  if (records != h.reserved) {
    MaxPageTags = records;
    if (ReservePageTags() != 0) std::abort();
    h.reserved = records;
  }

  if (ftruncate(h.fd, 0) != 0 || lseek(h.fd, 0, SEEK_SET) != 0) std::abort();
  if (size > 0 && platform::WriteAll(h.fd, data, size) != 0) std::abort();
  if (lseek(h.fd, 0, SEEK_SET) != 0) std::abort();

  InSiteMap = 0;
  int rc = ExtractMetatags(nullptr, path, h.fd);
  Check(rc == 0 || rc == -1 || rc == -2, "result is 0, -1 or -2");
  Check(Tagcount >= 0 && Tagcount < records, "Tagcount below the records reserved");
  if (rc == -2) Check(Tagcount == 0, "no head, no tags");
  for (int i = 0; i < Tagcount; ++i) {
    const TagRecord& tag = PageTags[i];
    Check(std::memchr(tag.name, '\0', sizeof tag.name) != nullptr, "name terminated");
    Check(std::memchr(tag.value, '\0', sizeof tag.value) != nullptr, "value terminated");
    Check(std::strcmp(tag.name, "$RUZOZAZEZO") != 0, "the stamp is never read");
    if (SuppressControlTags) Check(tag.name[0] != '$', "control tags suppressed");
    Check(std::strchr(tag.value, '\r') == nullptr && std::strchr(tag.value, '\n') == nullptr,
          "values are one line");
  }

  // The 16-byte scans read what the wider ones read.
  std::vector<std::string> wide = Outcome(rc);
  UseWideReaderScans(false);
  InSiteMap = 0;
  if (lseek(h.fd, 0, SEEK_SET) != 0) std::abort();
  std::vector<std::string> narrow = Outcome(ExtractMetatags(nullptr, path, h.fd));
  UseWideReaderScans(true);
  Check(wide == narrow, "wide and narrow scans read the same");

  // Needles change nothing a filtered read gives.
  static TagNeedles needles;
  static const char* const texts[] = {"Key", "DC.Title", "DC.Identifier", "AD.Touched", nullptr};
  PrepareTagNeedles(&needles, texts);
  std::string proc = "/proc/self/fd/" + std::to_string(h.fd);
  std::vector<std::string> outcomes[2];
  for (int i = 0; i < 2; ++i) {
    InSiteMap = 0;
    outcomes[i] = Outcome(ReadPageTagsAt(nullptr, -1, nullptr, proc.c_str(),
                                         TagFilter{KeepsKey, i == 0 ? nullptr : &needles}));
  }
  Check(outcomes[0] == outcomes[1], "needles change nothing");

  // The rewrite replaces the tags IsPageTag takes: exactly those the reader stores (or drops
  // for their name).
  std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4096));
  text.append(kScanPadding, '\0');
  HeadScan scan;
  ScanHead(text.data(), std::min<size_t>(size, 4096), &scan);
  SuppressControlTags = 0;
  for (uint32_t i = 0; i < scan.metaCount; ++i) {
    std::string tag = text.substr(scan.metaStart[i], scan.metaEnd[i] - scan.metaStart[i]);
    bool page = IsPageTag(tag);
    tag.replace(1, 4, "meta");
    Tagcount = 0;
    int parsed = ParseMetaTagInFull(nullptr, tag);
    if (parsed != 0) continue;  // a reported failure: the table or a custom import
    bool stamp = tag.find("$RUZOZAZEZO") != std::string::npos;
    Check(Tagcount == 1 ? page : !page || stamp, "the rewrite's page tags are the reader's");
  }
  return 0;
}
