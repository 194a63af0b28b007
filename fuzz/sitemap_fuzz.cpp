// The sitemap update on any page: reading the page block by block gives the same page as
// splicing the whole text at once, and a page that cannot be updated is left as it was.
//
// Input: the bytes of the sitemap page. The site holds one listed document.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "sitemap/sitemap.h"

namespace {

struct Harness {
  std::string page;
  std::string list;
  Harness() {
    ResetSettings();
    AppOptions |= kOptNoMajorErrorLog;
    loglevel = 0;
    platform::DefaultHeadlessUi().SetEcho(nullptr);
    std::string dir = "/tmp/sitemap-fuzz-XXXXXX";
    if (!mkdtemp(dir.data())) std::abort();
    if (platform::Fs().MakeDir(dir + "/site") != 0) std::abort();
    std::string doc =
        "<HTML><HEAD>\n<META NAME=\"DC.Title\" CONTENT=\"Home\">\n"
        "<META NAME=\"AD.MapMe\" CONTENT=\"New!\">\n</HEAD></HTML>\n";
    if (platform::ReplaceFile(dir + "/site/index.htm", doc) != 0) std::abort();
    platform::CopyText(RootPath, dir + "/site/");
    platform::CopyText(SiteURL, "http://www.example.org/");
    page = dir + "/map.html";
    platform::CopyText(Sitemapfile, page);
    SitemapOptions = 2 | (2 << 4);
    if (ReservePageTags() != 0) std::abort();
    list = "&nbsp; &nbsp;<A HREF=http://www.example.org/index.htm>Home</A>&nbsp;&nbsp;New!<BR>\n";
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness h;
  std::string_view old(reinterpret_cast<const char*>(data), size);
  if (platform::ReplaceFile(h.page, std::string(old)) != 0) std::abort();
  int rc = UpdateSitemap(nullptr);
  std::string now;
  if (platform::ReadWholeFile(h.page, &now) != 0) std::abort();
  std::vector<std::string> names;
  if (platform::Fs().ListDir(h.page.substr(0, h.page.rfind('/')), &names) != 0) std::abort();
  for (const std::string& name : names)
    if (platform::IsWorkFileName(name)) std::abort();  // a work file left behind

  size_t insert = old.substr(0, kSitemapBlock).find(kSitemapInsertMarker);
  if (old.empty() || insert == std::string_view::npos) {
    if (now != old || (rc != 0) != !old.empty()) std::abort();
    return 0;
  }
  if (rc != 0) std::abort();
  size_t after = insert + std::string_view(kSitemapInsertMarker).size();
  std::string expected(old.substr(0, after));
  expected += "\n" + h.list;
  size_t end = old.find(kSitemapEndMarker, after);
  if (end != std::string_view::npos) expected += old.substr(end);
  if (now != expected) std::abort();
  return 0;
}
