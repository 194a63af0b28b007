#include "sitemap/xml_sitemap.h"

#include "log/audit.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

constexpr const char kUrlsetHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
constexpr const char kUrlsetTail[] = "</urlset>\n";
constexpr const char kIndexHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
constexpr const char kIndexTail[] = "</sitemapindex>\n";
size_t gMaxUrls = kXmlSitemapMaxUrls;
size_t gMaxBytes = kXmlSitemapMaxBytes;
constexpr size_t kFrame = sizeof kUrlsetHead - 1 + sizeof kUrlsetTail - 1;

// A URL must stay a URL whatever the file is called: only the unreserved characters and the
// separators stay as they are; "%" too is encoded, since a file name is not already encoded.
bool PlainInPath(unsigned char b) {
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
         b == '.' || b == '_' || b == '~' || b == '/';
}

// The site's URL as configured, with what cannot stand in a URL (blanks, controls, bytes above
// 127) encoded.
bool PlainInSiteUrl(unsigned char b) {
  return b > ' ' && b < 127 && b != '"' && b != '<' && b != '>';
}

const char* BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace

void AppendXmlEscaped(std::string* out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        *out += "&amp;";
        break;
      case '<':
        *out += "&lt;";
        break;
      case '>':
        *out += "&gt;";
        break;
      case '\'':
        *out += "&apos;";
        break;
      case '"':
        *out += "&quot;";
        break;
      default:
        *out += c;
    }
  }
}

XmlSitemap::XmlSitemap(std::string target, std::string siteUrl, std::string_view root)
    : target_(std::move(target)) {
  // The parts are published beside the index: below the root, at the same place below the URL.
  std::string_view dir(target_.data(), target_.rfind('/') + 1);
  while (!root.empty() && root.back() == '/')
    root.remove_suffix(1);
  if (dir.size() > root.size() && dir.substr(0, root.size()) == root && dir[root.size()] == '/')
    publishedDir_ = dir.substr(root.size() + 1);
  std::string url;
  platform::AppendPercentEncoded(&url, siteUrl, PlainInSiteUrl);
  AppendXmlEscaped(&siteUrl_, url);
}

XmlSitemap::~XmlSitemap() {
  for (auto& f : files_)
    f->Abort();
}

void SetXmlSitemapLimits(size_t maxUrls, size_t maxBytes) {
  gMaxUrls = maxUrls ? maxUrls : kXmlSitemapMaxUrls;
  gMaxBytes = maxBytes ? maxBytes : kXmlSitemapMaxBytes;
}

std::string XmlSitemap::PartName(const std::string& target, int n) {
  size_t slash = target.rfind('/');
  size_t dot = target.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = target.size();
  return target.substr(0, dot) + platform::Format("-%d", n) + target.substr(dot);
}

void XmlSitemap::Add(std::string_view relativePath, std::time_t modified) {
  if (failed_) return;
  std::string url = "<url><loc>";
  url += siteUrl_;
  platform::AppendPercentEncoded(&url, relativePath, PlainInPath);
  url += "</loc><lastmod>";
  url += platform::FormatTime("%Y-%m-%d", platform::LocalTime(modified));
  url += "</lastmod></url>\n";
  if (urls_ > 0 && (urls_ >= gMaxUrls || kFrame + part_.size() + url.size() > gMaxBytes))
    ClosePart(PartName(target_, parts_ + 1));
  part_ += url;
  ++urls_;
}

void XmlSitemap::ClosePart(const std::string& path) {
  auto file = std::make_unique<platform::AtomicFile>();
  if (file->Begin(path) != 0 || file->Write(kUrlsetHead, sizeof kUrlsetHead - 1) != 0 ||
      file->Write(part_) != 0 || file->Write(kUrlsetTail, sizeof kUrlsetTail - 1) != 0) {
    file->Abort();
    failed_ = true;
  }
  files_.push_back(std::move(file));
  ++parts_;
  part_.clear();
  urls_ = 0;
}

int XmlSitemap::Finish(platform::WindowHandle window) {
  std::string index;
  if (parts_ == 0) {
    ClosePart(target_);  // one file: no index
  } else {
    ClosePart(PartName(target_, parts_ + 1));
    if (!failed_) {
      auto file = std::make_unique<platform::AtomicFile>();
      index = kIndexHead;
      for (int n = 1; n <= parts_; ++n) {
        index += "<sitemap><loc>";
        index += siteUrl_;
        platform::AppendPercentEncoded(&index, publishedDir_, PlainInPath);
        platform::AppendPercentEncoded(&index, BaseName(PartName(target_, n)), PlainInPath);
        index += "</loc></sitemap>\n";
      }
      index += kIndexTail;
      if (file->Begin(target_) != 0 || file->Write(index) != 0) failed_ = true;
      files_.push_back(std::move(file));
    }
  }
  for (auto& f : files_) {
    if (failed_) break;
    if (f->Commit() != 0) failed_ = true;
  }
  if (failed_) {
    for (auto& f : files_)
      f->Abort();
    files_.clear();
    ShowFileError(window, "Error writing the XML sitemap", target_);
    return -1;
  }
  files_.clear();
  // Parts of an earlier, larger split would be left dangling.
  const int first = parts_ <= 1 ? 1 : parts_ + 1;
  for (int n = first;; ++n) {
    std::string stale = PartName(target_, n);
    if (platform::Fs().Remove(stale) != 0) break;
  }
  return 0;
}
