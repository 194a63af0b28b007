#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "app/cli_test_run.h"
#include "sitemap/xml_sitemap.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

// A configuration with Log Level 1 and a site of six documents in two directories.
struct PreviewSite {
  TempDir dir;
  explicit PreviewSite(int keep) {
    WriteFile(dir / "META.INI",
              "[META]\nCurrent Config=T\nConfirmation=1\n[Config:T]\nRoot Path=" + (dir / "site/") +
                  "\nLog Path=" + (dir / "Audit/") + "\nError Log=" + (dir / "Audit/") +
                  "\nSitemapfile=" + (dir / "site/Sitemap.htm") + "\nLog Level=1\nAutotags=4\n" +
                  "Keep Unchanged=" + std::to_string(keep) + "\n");
    WriteFile(dir / "META.IDX", "DC.Title\r\nDC.Subject\r\n");
    WriteFile(dir / "Audit/.keep", "");
    SetTreeTags("", "Club");
    SetTreeTags("news/", "News");
    for (int i = 0; i < 6; ++i)
      WriteFile(dir / ((i % 2 ? "site/news/p" : "site/p") + std::to_string(i) + ".htm"),
                "<html>\n<head>\n<title>T</title>\n<meta name=\"DC.Title\" content=\"P" +
                    std::to_string(i) + "\">\n</head>\n<body>x</body>\n</html>\n");
  }
  void SetTreeTags(const std::string& sub, const std::string& subject) {
    WriteFile(
        dir / ("site/" + sub + (sub.empty() ? "META.TAG" : "meta.tag")),
        "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Subject\" CONTENT=\"" + subject + "\">\r\n</HEAD>\r\n");
  }
  CliRunResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--config", dir.path(), "--yes"});
    if (::chdir("/") != 0) return {-1, "", "chdir"};
    return RunCliCaptured(args);
  }
  // Every file (lock files aside) with its size, modification time, inode and bytes.
  std::map<std::string, std::string> Listing() const {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (!e.is_regular_file() || e.path().extension() == ".lock") continue;
      struct stat st {};
      ::stat(e.path().c_str(), &st);
      std::ostringstream s;
      s << st.st_size << ' ' << st.st_mtim.tv_sec << '.' << st.st_mtim.tv_nsec << ' ' << st.st_ino
        << ' ' << std::hash<std::string>()(ReadFile(e.path().string()));
      files[e.path().string()] = s.str();
    }
    return files;
  }
  // Every file (ending with suffix) added, removed or changed between two listings.
  static std::set<std::string> Changed(const std::map<std::string, std::string>& a,
                                       const std::map<std::string, std::string>& b,
                                       const std::string& suffix = "") {
    std::set<std::string> changed;
    for (const auto* listing : {&a, &b})
      for (const auto& [path, what] : *listing)
        if (path.ends_with(suffix) &&
            (!a.count(path) || !b.count(path) || a.at(path) != b.at(path)))
          changed.insert(path);
    return changed;
  }
};

// A writing task run a second time over documents it has already written: with Keep Unchanged
// the documents keep bytes, mtime and inode (AD.Touched and the stamp aside); without, every
// one is written again.
TEST(CliPreviewTest, SecondRunLeavesUnchangedDocumentsAloneOnlyWithKeepUnchanged) {
  const std::vector<std::vector<std::string>> tasks = {
      {"inherit"},
      {"sort"},
      {"delete-all"},
      {"replace", "DC.Title", "--value", "no", "--with", "x"},
      {"delete", "DC.Nothing"}};
  for (const auto& task : tasks) {
    for (int keep : {0, 1}) {
      PreviewSite site(keep);
      ASSERT_EQ(0, site.Run({"inherit"}).status);
      ASSERT_EQ(0, site.Run(task).status) << task[0];
      auto before = site.Listing();
      CliRunResult r = site.Run(task);
      EXPECT_EQ(0, r.status) << r.err;
      size_t expected = keep ? 0 : 6;
      EXPECT_EQ(expected, PreviewSite::Changed(before, site.Listing(), ".htm").size())
          << task[0] << keep;
      std::string tally = keep ? "0 changed, 6 unchanged" : "6 changed, 0 unchanged";
      EXPECT_NE(std::string::npos, r.err.find(tally)) << task[0] << keep << r.err;
    }
  }
}

// "set" takes the setting as its box does: 0 or 1.
TEST(CliPreviewTest, SetKeepUnchangedTakesZeroOrOne) {
  const std::pair<const char*, int> cases[] = {{"1", 0}, {"0", 0}, {"2", 1}, {"yes", 1}};
  for (const auto& [value, status] : cases) {
    PreviewSite site(1);
    EXPECT_EQ(status, site.Run({"set", "Keep Unchanged", value}).status) << value;
    std::string kept = std::string("Keep Unchanged=") + (status ? "1" : value);
    EXPECT_NE(std::string::npos, ReadFile(site.dir / "META.INI").find(kept)) << value;
  }
}

// A dry run writes nothing anywhere (no document, audit entry or lock), prints the documents
// the task would change, and a real run then changes exactly those.
TEST(CliPreviewTest, DryRunWritesNothingAndListsWhatTheRealRunChanges) {
  struct Case {
    std::vector<std::string> task;
    size_t listed;
  };
  const Case cases[] = {{{"inherit"}, 3},
                        {{"replace", "DC.Subject", "--value", "Club", "--with", "Rowing"}, 3},
                        {{"delete-all"}, 6}};
  for (const Case& c : cases) {
    PreviewSite site(1);
    ASSERT_EQ(0, site.Run({"inherit"}).status);
    site.SetTreeTags("news/", "Sport");  // only the news documents would change on inherit
    auto before = site.Listing();
    std::vector<std::string> args = c.task;
    args.insert(args.end(), {"--dry-run", "--diff"});
    CliRunResult r = site.Run(args);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(before, site.Listing()) << c.task[0];
    std::set<std::string> listed;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
      if (!line.empty() && line[0] == '/') listed.insert(line);
    EXPECT_EQ(c.listed, listed.size()) << c.task[0] << r.out;
    if (c.task[0] == "inherit") {
      EXPECT_NE(std::string::npos,
                r.out.find("-<meta HTTP-EQUIV=\"DC.Subject\" CONTENT=\"News\">"));
      EXPECT_NE(std::string::npos,
                r.out.find("+<meta HTTP-EQUIV=\"DC.Subject\" CONTENT=\"Sport\">"));
    }
    ASSERT_EQ(0, site.Run(c.task).status);
    EXPECT_EQ(listed, PreviewSite::Changed(before, site.Listing(), ".htm")) << c.task[0];
  }
  PreviewSite site(0);
  EXPECT_EQ(2, site.Run({"inherit", "--diff"}).status);
}

// sitemap --dry-run lists the sitemap page, the XML sitemap and its parts that the real run
// then writes or removes, and writes nothing itself; Keep Unchanged leaves equal files alone.
TEST(CliPreviewTest, SitemapDryRunListsTheFilesTheRealRunChanges) {
  struct Case {
    const char* what;
    int keep;
    size_t maxUrls;                            // the XML split of the runs (0: one file)
    std::function<void(PreviewSite&)> change;  // after a first real run; nullptr: no first run
    std::vector<std::string> listed;           // below site/
  };
  const auto none = [](PreviewSite&) {};
  const auto addPage = [](PreviewSite& s) { WriteFile(s.dir / "site/p6.htm", "<head></head>"); };
  const auto unsplit = [](PreviewSite&) { SetXmlSitemapLimits(0, 0); };
  const std::vector<std::string> all = {"Sitemap.htm", "map.xml", "map-1.xml", "map-2.xml",
                                        "map-3.xml"};
  const Case cases[] = {
      {"new", 1, 2, nullptr, all},
      {"same, kept", 1, 2, none, {}},
      {"same, rewritten", 0, 2, none, all},
      {"one more page",
       1,
       2,
       addPage,
       {"Sitemap.htm", "map.xml", "map-2.xml", "map-3.xml", "map-4.xml"}},
      {"no more split", 1, 2, unsplit, {"map.xml", "map-1.xml", "map-2.xml", "map-3.xml"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PreviewSite site(c.keep);
    WriteFile(site.dir / "META.INI", ReadFile(site.dir / "META.INI") + "SiteURL=http://x.org/\n" +
                                         "XML Sitemap=" + (site.dir / "site/map.xml") + "\n");
    WriteFile(site.dir / "site/META.TAG",
              "<HEAD>\r\n<meta NAME=\"$SitemapFiles\" CONTENT=\".htm\">\r\n</HEAD>\r\n");
    SetXmlSitemapLimits(c.maxUrls, 0);
    if (c.change) {
      ASSERT_EQ(0, site.Run({"sitemap"}).status);
      c.change(site);
    }
    auto before = site.Listing();
    CliRunResult dry = site.Run({"sitemap", "--dry-run", "--diff"});
    EXPECT_EQ(0, dry.status) << dry.err;
    EXPECT_EQ(before, site.Listing());
    std::set<std::string> listed;
    for (const std::string& name : c.listed)
      listed.insert(site.dir / ("site/" + name));
    std::set<std::string> printed;
    std::istringstream lines(dry.out);
    for (std::string line; std::getline(lines, line);)
      if (!line.empty() && line[0] == '/') printed.insert(line);
    EXPECT_EQ(listed, printed) << dry.out;
    CliRunResult real = site.Run({"sitemap"});
    ASSERT_EQ(0, real.status) << real.err;
    EXPECT_EQ(listed, PreviewSite::Changed(before, site.Listing()));
    // The same summary as the real run.
    EXPECT_EQ(real.err.substr(0, real.err.find("Elapsed")),
              dry.err.substr(0, dry.err.find("Elapsed")));
  }
  SetXmlSitemapLimits(0, 0);
}

}  // namespace
