#include "sitemap/xml_sitemap.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/head_writer.h"
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

bool FileHolds(const std::string& path, std::initializer_list<std::string_view> pieces) {
  int fd = platform::Fs().Open(path, platform::OpenFor::Read, 0);
  if (fd < 0) return false;
  char block[16384];
  bool same = true;
  for (std::string_view piece : pieces) {
    while (same && !piece.empty()) {
      long n = platform::ReadFull(fd, block, std::min(sizeof block, piece.size()));
      same = n > 0 && std::memcmp(block, piece.data(), static_cast<size_t>(n)) == 0;
      if (same) piece.remove_prefix(static_cast<size_t>(n));
    }
  }
  if (same) same = platform::ReadFull(fd, block, 1) == 0;  // and nothing more
  platform::Fs().Close(fd);
  return same;
}

XmlSitemap::XmlSitemap(std::string target, std::string siteUrl, std::string_view root,
                       bool keepUnchanged, bool preview)
    : target_(std::move(target)), keep_(keepUnchanged), preview_(preview) {
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
  Emit(path, kUrlsetHead, part_, kUrlsetTail);
  ++parts_;
  part_.clear();
  urls_ = 0;
}

void XmlSitemap::Emit(const std::string& path, std::string_view head, std::string_view body,
                      std::string_view tail) {
  if (keep_ && FileHolds(path, {head, body, tail})) return;
  if (preview_) {
    std::string old, now;
    if (platform::ReadWholeFile(path, &old) != 0) old.clear();
    now.append(head).append(body).append(tail);
    PreviewFileChange(path.c_str(), old, now);
    return;
  }
  auto file = std::make_unique<platform::AtomicFile>();
  if (file->Begin(path) != 0 || file->Write(head.data(), head.size()) != 0 ||
      file->Write(body.data(), body.size()) != 0 || file->Write(tail.data(), tail.size()) != 0) {
    file->Abort();
    failed_ = true;
  }
  files_.push_back(std::move(file));
}

int XmlSitemap::Finish(platform::WindowHandle window) {
  if (parts_ == 0) {
    ClosePart(target_);  // one file: no index
  } else {
    ClosePart(PartName(target_, parts_ + 1));
    if (!failed_) {
      std::string index;
      for (int n = 1; n <= parts_; ++n) {
        index += "<sitemap><loc>";
        index += siteUrl_;
        platform::AppendPercentEncoded(&index, publishedDir_, PlainInPath);
        platform::AppendPercentEncoded(&index, BaseName(PartName(target_, n)), PlainInPath);
        index += "</loc></sitemap>\n";
      }
      Emit(target_, kIndexHead, index, kIndexTail);
    }
  }
  // Every file is on disk before the first is renamed, and a failed rename puts back the ones
  // renamed before it: the site keeps the old set of files or gets the whole new one.
  for (auto& f : files_) {
    if (failed_) break;
    if (f->Prepare() != 0) failed_ = true;
  }
  size_t installed = 0;
  while (!failed_ && installed < files_.size()) {
    if (files_[installed]->Install(true) != 0)
      failed_ = true;
    else
      ++installed;
  }
  if (failed_) {
    int err = platform::LastError();
    while (installed > 0)
      files_[--installed]->Restore();
    for (auto& f : files_)
      f->Abort();
    files_.clear();
    platform::SetLastError(err);
    ShowFileError(window, "Error writing the XML sitemap", target_);
    return -1;
  }
  for (auto& f : files_)
    f->DropBackup();
  files_.clear();
  // Parts of an earlier, larger split would be left dangling. The new index no longer names
  // them, so one that cannot be removed harms no reader; the user is told which it is.
  const int first = parts_ <= 1 ? 1 : parts_ + 1;
  for (int n = first;; ++n) {
    std::string stale = PartName(target_, n);
    if (preview_) {
      std::string old;
      if (platform::ReadWholeFile(stale, &old) != 0) break;
      PreviewFileChange(stale.c_str(), old, "");
    } else if (platform::Fs().Remove(stale) != 0) {
      if (platform::LastError() == ENOENT) break;
      ShowSystemError("Error removing an old part of the XML sitemap", stale);
    }
  }
  return 0;
}
