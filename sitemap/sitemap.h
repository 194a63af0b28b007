// The sitemap page: the site's documents as links, grouped by directory and indented by depth,
// written between two marker comments of the page `Sitemapfile`.
#pragma once

#include <cstddef>
#include <string>

#include "platform/fs.h"
#include "platform/ui.h"
#include "sitemap/xml_sitemap.h"
#include "tree/tree_tags.h"

constexpr const char* kSitemapInsertMarker = "<!--insert sitemap here-->";
constexpr const char* kSitemapEndMarker = "<!--end insert-->";
constexpr int kSitemapBlock = 4096;  // the page is read block by block
constexpr int kSitemapLine = 512;    // one output line, NUL included

// The "$SitemapFiles" include mask of each level of the walk (slot = Rlevel); empty when the
// level's directory has none. At most 31 characters each.
extern char SiteMapInclude[MaxTreeDepth][32];

// SitemapOptions fields.
enum : int {
  kSitemapSpacingMask = 3,  // 0 blank line after a level change, 1 before a heading, 2 none
  kSitemapHeadingBulletShift = 2,
  kSitemapUrlBulletShift = 4,  // bullets: 0 dot, 1 dash, 2 none
};

// Where a sitemap update writes the new page: buffered, into the work file beside the page.
// After the first failed write every later write is dropped and `failed` stays set.
struct SitemapOutput {
  platform::AtomicFile file;
  std::string pending;
  bool failed = false;
  XmlSitemap* xml = nullptr;  // also collects each listed document when the site has one
  bool preview = false;       // the whole page stays in pending; nothing is written
  // With Keep Unchanged: the page as read (descriptor, read at offsets), and whether what was
  // flushed so far equals its first `compared` bytes.
  int old = -1;
  long long compared = 0;
  bool same = true;

  void Write(const char* data, size_t len);
  void Write(const char* text);
  // Hands the buffered bytes to the work file. 0 or -1.
  int Flush();
};

// The skeleton of a new sitemap page for the site siteName.
std::string SitemapSkeleton(const char* siteName);

// Writes the skeleton to path, replacing any file there. Always 0; when the file cannot be
// written nothing changes on disk.
int CreateSitemapSkeleton(const char* siteName, const char* path);

// Rebuilds the list between the markers of `Sitemapfile` from the tree at `RootPath`. The new
// page is written completely beside the old one and then renamed over it, so on any failure
// the old page stays as it was (the user is told). A missing page gets the skeleton first.
// 0 or -1.
int UpdateSitemap(platform::WindowHandle window);

// Writes the list for directory and everything below it (documents before subdirectories) to
// out, with Rlevel the depth of the parent. 0, or -1 when the depth limit is reached (M041);
// a branch that is too deep ends only that branch.
int GenerateSitemapDirectory(platform::WindowHandle window, const char* directory,
                             SitemapOutput* out);

// The command "Update the sitemap": the busy word and the counters around UpdateSitemap, the
// closing "NOTE" when "Confirm Actions.." is on, and back to the context's current directory.
// The result of UpdateSitemap.
int UpdateSitemapCommand(platform::WindowHandle window);
