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

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
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
    if (platform::ReplaceFile(dir + "/META.IDX", schema, "META.IDX.tmp") != 0) std::abort();
    platform::CopyText(IniPath, dir);
    platform::CopyText(RootPath, "/site");
    platform::CopyText(SiteURL, "http://www.example.org/");
    // Loading the schema moves into its directory; the fuzzer reads its corpus by relative
    // paths afterwards.
    std::string cwd;
    if (platform::Fs().CurrentDir(&cwd) != 0) std::abort();
    if (ReserveSchemaTables() != 0 || LoadSchema() != 0) std::abort();
    if (platform::Fs().ChangeDir(cwd) != 0) std::abort();
    fd = memfd_create("document", 0);
    if (fd < 0) std::abort();
  }
};

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
  return 0;
}
