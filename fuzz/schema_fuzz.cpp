// Any META.IDX loads without writing past the tables, into a sorted index in which every loaded
// name is found; the same bytes read as a multiple-value list stay within the value limit.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/fs.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "schema/value_lists.h"

namespace {

struct Harness {
  std::string dir;
  Harness() {
    ResetSettings();
    AppOptions |= kOptNoMajorErrorLog;  // the reports of every run are not logged
    platform::DefaultHeadlessUi().SetEcho(nullptr);
    std::string base = platform::DirExists("/dev/shm") ? "/dev/shm" : "/tmp";
    dir = base + "/schema-XXXXXX";
    if (!mkdtemp(dir.data())) std::abort();
    platform::CopyText(IniPath, dir);
    platform::CopyText(StartupPath, dir);
    platform::CopyText(ErrorLogPath, dir + "/");
    platform::CopyText(LogPath, dir + "/");
    // Small tables, so that every limit is reached often.
    SchemaBytes = 512;
    OptionBytes = 256;
    MaxSchemaTags = 32;
    if (ReserveSchemaTables() != 0) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness h;
  std::string text(reinterpret_cast<const char*>(data), size);
  if (platform::ReplaceFile(h.dir + "/META.IDX", text) != 0) std::abort();
  if (LoadSchema() != 0) std::abort();
  if (SchemaTagCount < 0 || SchemaTagCount >= MaxSchemaTags) std::abort();
  if (SetBufLast < 1 || SetBufLast > static_cast<uint32_t>(OptionBytes)) std::abort();
  for (int i = 0; i < SchemaTagCount; ++i) {
    const SchemaEntry& e = SchemaIndex[i];
    if (e.name < SchemaSpace || e.name >= SchemaSpace + SchemaBytes) std::abort();
    if (i > 0 && std::strcmp(SchemaIndex[i - 1].name, e.name) > 0) std::abort();
    int found = FindSchemaTag(e.name);
    if (found < 0 || std::strcmp(SchemaIndex[found].name, e.name) != 0) std::abort();
    if (e.options >= static_cast<uint32_t>(OptionBytes) ||
        e.scheme >= static_cast<uint32_t>(OptionBytes))
      std::abort();
    if (((e.flags & SF_OPTIONS) != 0) != (e.options != 0)) std::abort();
    (void)std::strlen(SchemaOptions(e));
    (void)std::strlen(SchemaScheme(e));
  }

  std::vector<std::string> values;
  ReadMultipleValues("[META.IDX]", &values);
  if (values.size() >= static_cast<size_t>(kMaxListValues)) std::abort();
  for (const std::string& v : values)
    if (v.empty()) std::abort();
  platform::DefaultHeadlessUi().Clear();
  return 0;
}
