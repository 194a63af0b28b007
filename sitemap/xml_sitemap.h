// The machine-readable sitemap: one <url> per document the sitemap page lists, in the sitemaps.org
// 0.9 format, split into numbered files under a sitemap index when it outgrows one file.
#pragma once

#include <cstddef>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"
#include "platform/ui.h"

// The protocol's limits for one file.
constexpr size_t kXmlSitemapMaxUrls = 50000;
constexpr size_t kXmlSitemapMaxBytes = 50 * 1000 * 1000;

// Collects the URLs of one sitemap update. Only the part being filled is held in memory; a full
// part goes to a work file at once, and every file is renamed into place only when all were
// written, so a failure leaves the old sitemap files as they were.
class XmlSitemap {
 public:
  // target: the file the site's "XML Sitemap" names; siteUrl (ending with "/") is where root is
  // published. keepUnchanged: a file that would be written as it is stays alone. preview: every
  // file that would change goes to the rewrite preview's sink instead of the disk.
  XmlSitemap(std::string target, std::string siteUrl, std::string_view root,
             bool keepUnchanged = false, bool preview = false);
  ~XmlSitemap();
  XmlSitemap(const XmlSitemap&) = delete;
  XmlSitemap& operator=(const XmlSitemap&) = delete;

  // One document: its path below the root ("/" separated) and its modification time.
  void Add(std::string_view relativePath, std::time_t modified);
  // Writes everything through the safe rewrite. 0, or -1 after telling the user.
  int Finish(platform::WindowHandle window);

  // The name of part n (from 1): "map.xml" gives "map-1.xml".
  static std::string PartName(const std::string& target, int n);

 private:
  // Writes the part being filled to a work file beside path.
  void ClosePart(const std::string& path);
  // Writes head, body and tail as the file path: to a work file, or to the preview.
  void Emit(const std::string& path, std::string_view head, std::string_view body,
            std::string_view tail);

  std::string target_;
  std::string siteUrl_;       // encoded and escaped
  std::string publishedDir_;  // the target's directory below the root, or empty
  std::string part_;          // the <url> elements of the part being filled
  size_t urls_ = 0;
  int parts_ = 0;  // full parts written so far
  bool failed_ = false;
  bool keep_ = false;
  bool preview_ = false;
  std::vector<std::unique_ptr<platform::AtomicFile>> files_;  // written, not yet renamed
};

// Smaller limits, so that a test splits with few documents; (0, 0) restores the protocol's.
void SetXmlSitemapLimits(size_t maxUrls, size_t maxBytes);

// Whether the file at path holds exactly the pieces one after the other (read block by block).
bool FileHolds(const std::string& path, std::initializer_list<std::string_view> pieces);

// Appends text with "&", "<", ">", "'" and '"' written as XML entities.
void AppendXmlEscaped(std::string* out, std::string_view text);
