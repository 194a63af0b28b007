#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli_test_run.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

using Result = CliRunResult;
Result RunSitemapCli(std::vector<std::string> args) {
  return RunCliCaptured(args);
}

TEST(CliSitemapTest, BuildsThePageAndReportsFailures) {
  TempDir dir;
  const std::string page = dir / "site/Sitemap.htm";
  WriteFile(dir / "META.INI",
            "[META]\nCurrent Config=Club\nConfirmation=1\n[Config:Club]\nRoot Path=" +
                (dir / "site/") + "\nSiteURL=http://club.example\nSitemapfile=" + page +
                "\nSitemapOptions=42\nLog Path=" + (dir / "Audit/") +
                "\nError Log=" + (dir / "Audit/") + "\n");
  WriteFile(dir / "Audit/.keep", "");
  WriteFile(dir / "site/META.TAG",
            "<HEAD>\r\n<meta NAME=\"$SitemapFiles\" CONTENT=\".htm\">\r\n"
            "<meta NAME=\"$LevelHeading\" CONTENT=\"Club pages\">\r\n</HEAD>\r\n");
  WriteFile(dir / "site/a.htm",
            "<html>\n<head>\n<meta name=\"DC.Title\" content=\"Alpha\">\n</head>\n</html>\n");
  WriteFile(dir / "site/news/b.htm", "<html>\n<head>\n<title>B</title>\n</head>\n</html>\n");

  Result r = RunSitemapCli({"--config", dir.path(), "sitemap"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.out);
  EXPECT_EQ(0u, r.err.find("NOTE: 2 files processed in 2 directories.\n\nElapsed time: ")) << r.err;
  const std::string expected =
      "<HTML>\r\n<HEAD>\r\n<TITLE>Club</TITLE>\r\n</HEAD>\r\n<BODY bgcolor=\"#CCCCFF\">\r\n"
      "<H3>Site Map for Club</H3>\r\n<CENTER>\r\n<TABLE WIDTH=\"80%\" BGCOLOR=#FFFFCC><TR><TD>\r\n"
      "<!--insert sitemap here-->\n"
      "&nbsp; &nbsp;<B>Club pages</B><BR>\n"
      "&nbsp; &nbsp;<A HREF=http://club.example/a.htm>Alpha</A>&nbsp;&nbsp;<BR>\n"
      "&nbsp; &nbsp;&nbsp; &nbsp;<A HREF=http://club.example/news/b.htm>No title</A>&nbsp;&nbsp;"
      "<BR>\n"
      "<!--end insert-->\r\n</TD></TR></TABLE>\r\n</CENTER>\r\n</BODY>\r\n</HTML>\r\n";
  EXPECT_EQ(expected, ReadFile(page));
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir / "site"));

  // A page without the insert marker is kept as it is, and the run fails.
  WriteFile(page, "<HTML>designed by hand</HTML>\n");
  r = RunSitemapCli({"--config", dir.path(), "sitemap"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(0u, r.err.find(page + ": Sitemap: missing insert point\n")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("NOTE: 0 files processed in 1 directories.")) << r.err;
  EXPECT_EQ("<HTML>designed by hand</HTML>\n", ReadFile(page));

  r = RunSitemapCli({"--config", dir.path(), "sitemap", "extra"});
  EXPECT_EQ(2, r.status);
}

}  // namespace
