#include "sitemap/xml_sitemap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "sitemap/sitemap.h"
#include "tests/support/fault_fs.h"
#include "tests/support/site_fixture.h"

using namespace testing_support;

namespace {

// Runs xmllint on file: its output without the last line feed, or a mark when it fails.
std::string XmlLint(const std::string& args, const std::string& file) {
  std::string out;
  std::FILE* p = ::popen(("xmllint " + args + " '" + file + "' 2>&1").c_str(), "r");
  std::array<char, 4096> buf;
  for (size_t n; p && (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;)
    out.append(buf.data(), n);
  if (!p || ::pclose(p) != 0) return "<xmllint failed: " + out + ">";
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string XPath(const std::string& file, const std::string& expr) {
  return XmlLint("--xpath \"" + expr + "\"", file);
}

int Count(const std::string& file, const char* element) {
  return std::atoi(XPath(file, std::string("count(//*[local-name()='") + element + "'])").c_str());
}

std::string Loc(const std::string& file, int n) {
  return XPath(file, "string((//*[local-name()='loc'])[" + std::to_string(n) + "])");
}

class XmlSitemapTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    xml_ = site_ + "/sitemap.xml";
    platform::CopyText(XmlSitemapFile, xml_);
    Put("meta.tag", Doc({{"$SitemapFiles", ".htm"}}, ""));
  }
  void TearDown() override {
    SetXmlSitemapLimits(0, 0);
    SiteFixture::TearDown();
  }
  static bool WellFormed(const std::string& file) { return XmlLint("--noout", file).empty(); }
  std::string xml_;
};

TEST_F(XmlSitemapTest, HostileNamesBecomeValidUrlsWithTheirModificationDates) {
  struct Case {
    std::string file;
    std::string loc;  // after the site's URL
  };
  const std::vector<Case> cases = {
      {"a&b.htm", "a%26b.htm"},          {"sp ace.htm", "sp%20ace.htm"},
      {"<x>.htm", "%3Cx%3E.htm"},        {"caf\xC3\xA9.htm", "caf%C3%A9.htm"},
      {"100%.htm", "100%25.htm"},        {"sub/q'\".htm", "sub/q%27%22.htm"},
      {"latin\xE9.htm", "latin%E9.htm"},
  };
  for (const Case& c : cases)
    Put(c.file, Doc({{"DC.Title", "T"}}));
  Put("skip.txt", Doc({}));  // outside the mask: in neither sitemap
  // A site URL with a query-like "&" must still give well-formed XML.
  platform::CopyText(SiteURL, "http://example.org/a&b/");

  ASSERT_EQ(0, UpdateSitemap(nullptr));
  ASSERT_TRUE(WellFormed(xml_));
  EXPECT_EQ("http://www.sitemaps.org/schemas/sitemap/0.9",
            XPath(xml_, "namespace-uri(/*[local-name()='urlset'])"));
  ASSERT_EQ(static_cast<int>(cases.size()), Count(xml_, "url"));
  std::string locs = XPath(xml_, "//*[local-name()='loc']/text()") + "\n";
  for (const Case& c : cases)
    EXPECT_NE(std::string::npos, locs.find("http://example.org/a&amp;b/" + c.loc + "\n")) << locs;
  EXPECT_EQ(platform::FormatTime("%Y-%m-%d", platform::LocalTime(std::time(nullptr))),
            XPath(xml_, "string((//*[local-name()='lastmod'])[1])"));
}

TEST_F(XmlSitemapTest, LargeSitemapsSplitUnderAnIndexAndStalePartsGo) {
  for (char c = 'a'; c <= 'e'; ++c)
    Put(std::string(1, c) + ".htm", Doc({{"DC.Title", "T"}}));
  const std::string part1 = site_ + "/sitemap-1.xml";
  struct Case {
    size_t maxUrls, maxBytes;
    int parts;  // 0: one file, no index
  };
  // A <url> here is 80 bytes and the frame about 110: 300 bytes hold two of them.
  const Case cases[] = {{2, 0, 3}, {0, 300, 3}, {0, 0, 0}, {1, 0, 5}, {4, 0, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.maxUrls) + " " + std::to_string(c.maxBytes));
    SetXmlSitemapLimits(c.maxUrls, c.maxBytes);
    ASSERT_EQ(0, UpdateSitemap(nullptr));
    ASSERT_TRUE(WellFormed(xml_));
    if (c.parts == 0) {
      EXPECT_EQ(5, Count(xml_, "url"));
      EXPECT_FALSE(Exists(part1));
      continue;
    }
    ASSERT_EQ(c.parts, Count(xml_, "sitemap"));
    int urls = 0;
    for (int n = 1; n <= c.parts; ++n) {
      std::string part = XmlSitemap::PartName(xml_, n);
      EXPECT_EQ("http://www.example.org/sitemap-" + std::to_string(n) + ".xml", Loc(xml_, n));
      ASSERT_TRUE(WellFormed(part));
      int here = Count(part, "url");
      urls += here;
      EXPECT_LE(static_cast<size_t>(here), c.maxUrls ? c.maxUrls : kXmlSitemapMaxUrls);
      EXPECT_LE(ReadFile(part).size(), c.maxBytes ? c.maxBytes : kXmlSitemapMaxBytes);
    }
    EXPECT_EQ(5, urls);
    EXPECT_FALSE(Exists(XmlSitemap::PartName(xml_, c.parts + 1)));
  }
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site_));

  // From five parts to two, with the fourth held: the others go, and the user is told of it.
  SetXmlSitemapLimits(1, 0);
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  SetXmlSitemapLimits(4, 0);
  ui_.Clear();
  FaultPlan plan;
  plan.unremovable = {XmlSitemap::PartName(xml_, 4)};
  FaultyFileSystem faulty(plan);
  platform::FileSystem* previous = platform::SetFileSystem(&faulty);
  EXPECT_EQ(0, UpdateSitemap(nullptr));
  platform::SetFileSystem(previous);
  EXPECT_EQ(2, Count(xml_, "sitemap"));
  for (int n : {3, 4, 5})
    EXPECT_EQ(n == 4, Exists(XmlSitemap::PartName(xml_, n))) << n;
  EXPECT_EQ(std::vector<std::string>{"Error removing an old part of the XML sitemap - " +
                                     XmlSitemap::PartName(xml_, 4) + "|Permission denied"},
            BoxLines());
}

// Each write, flush and rename of an update fails in turn: the XML sitemap is then the old set
// of files byte for byte or the whole new one, never parts of both, and no work file is left.
TEST_F(XmlSitemapTest, AFailedWriteLeavesTheOldFilesOrTheWholeNewSet) {
  for (char c = 'a'; c <= 'e'; ++c)
    Put(std::string(1, c) + ".htm", Doc({{"DC.Title", "T"}}));
  auto xmlFiles = [this] {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(site_))
      if (e.path().extension() == ".xml") files[e.path().string()] = ReadFile(e.path().string());
    return files;
  };
  auto restore = [&](const std::map<std::string, std::string>& files) {
    for (const auto& [path, bytes] : xmlFiles())
      if (!files.count(path)) std::filesystem::remove(path);
    for (const auto& [path, bytes] : files)
      WriteFile(path, bytes);
  };
  int FaultPlan::*const plans[] = {&FaultPlan::failWriteAt, &FaultPlan::failSyncAt,
                                   &FaultPlan::failRenameAt};
  int FaultCounts::*const counts[] = {&FaultCounts::writes, &FaultCounts::syncs,
                                      &FaultCounts::renames};
  // URLs a part holds before and in the update: the same parts, more of them, an index anew.
  for (auto [oldUrls, newUrls] : {std::pair<size_t, size_t>{2, 2}, {2, 1}, {0, 2}}) {
    SetXmlSitemapLimits(oldUrls, 0);
    platform::CopyText(SiteURL, "http://old.example.org/");
    ASSERT_EQ(0, UpdateSitemap(nullptr));
    const auto oldFiles = xmlFiles();
    SetXmlSitemapLimits(newUrls, 0);
    platform::CopyText(SiteURL, "http://new.example.org/");
    ASSERT_EQ(0, UpdateSitemap(nullptr));
    const auto newFiles = xmlFiles();
    for (int kind = 0; kind < 3; ++kind) {
      for (int n = 1;; ++n) {
        SCOPED_TRACE(std::to_string(oldUrls) + std::to_string(newUrls) + " " +
                     std::to_string(kind) + " " + std::to_string(n));
        restore(oldFiles);
        FaultPlan plan;
        plan.*plans[kind] = n;
        FaultyFileSystem faulty(plan);
        platform::FileSystem* previous = platform::SetFileSystem(&faulty);
        int rc = UpdateSitemap(nullptr);
        platform::SetFileSystem(previous);
        const auto now = xmlFiles();
        EXPECT_TRUE(now == oldFiles || (rc == 0 && now == newFiles));
        EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site_));
        if (faulty.counts().*counts[kind] < n) break;
        EXPECT_EQ(-1, rc);
      }
    }
    restore({});
  }
}

}  // namespace
