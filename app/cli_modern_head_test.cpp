// A page of today, with everything a modern head carries, through every writing task of the
// command line: only its page tags may change.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <regex>
#include <string>
#include <vector>

#include "app/cli_test_run.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

const std::string kStyle =
    "<style>\n" + std::string(10 * 1024, 'a') + " p > b { color: red }\n</style>\n";

// A head past 4096 bytes: the site sets "Head Size".
std::string ModernPage() {
  return "<!DOCTYPE html>\n<!-- <head> in a comment -->\n<HTML lang=\"en\">\n<Head>\n"
         "<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>Regatta</title>\n"
         "<meta name=\"description\" content=\"desc\">\n"
         "<meta property=\"og:title\" content=\"Hello OG\">\n"
         "<meta http-equiv=\"refresh\" content=\"300\">\n"
         "<link rel=\"preload\" href=\"/font.woff2\" as=\"font\" crossorigin>\n"
         "<link rel=\"canonical\" href=\"https://club.example/regatta\">\n"
         "<script type=\"application/ld+json\">{\"@type\": \"Event\", \"name\": \"x > "
         "y\"}</script>\n"
         "<!-- <meta name=\"commented\" content=\"out\"> -->\n" +
         kStyle +
         "<meta name=\"DC.Title\" content='Say \"hi\" > there'>\n"
         "</HEAD>\n<body>\n<div itemscope itemtype=\"https://schema.org/Offer\">"
         "<meta itemprop=\"price\" content=\"3\"><meta name=\"inbody\" content=\"b\"></div>\n"
         "</body>\n</html>\n";
}

// The document with its page tags and generator stamp taken out and the white space between
// tags dropped: what every task must leave as it was.
std::string WithoutPageTags(const std::string& doc) {
  size_t end = doc.find("</HEAD>");
  std::string head = doc.substr(0, end);
  static const std::regex pageTag(
      R"(<meta (name|NAME|http-equiv|HTTP-EQUIV)=(?:[^>"']|"[^"]*"|'[^']*')*>)");
  // The commented meta is markup, not a tag: keep it out of the expression's reach.
  size_t comment = head.find("<!-- <meta");
  std::string before = head.substr(0, comment), after = head.substr(comment);
  size_t close = after.find("-->") + 3;
  std::string kept = std::regex_replace(before, pageTag, "") + after.substr(0, close) +
                     std::regex_replace(after.substr(close), pageTag, "");
  kept = std::regex_replace(kept, std::regex(R"(>\s+<)"), "><");
  while (!kept.empty() && std::isspace(static_cast<unsigned char>(kept.back())))
    kept.pop_back();
  return kept + doc.substr(end);
}

class CliModernHeadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "META.INI",
              "[META]\nCurrent Config=Test\nConfirmation=0\nHead Size=65536\n[MAILER]\n"
              "Mail Queue=" +
                  (dir_ / "MailQ/") + "\n[Config:Test]\nRoot Path=" + (dir_ / "site/") +
                  "\nLog Path=" + (dir_ / "Audit/") + "\nError Log=" + (dir_ / "Audit/") +
                  "\nSitemapfile=" + (dir_ / "site/Sitemap.htm") + "\n");
    WriteFile(dir_ / "META.IDX", "DC.Title\r\nDC.Creator\r\n");
    WriteFile(dir_ / "Audit/.keep", "");
    WriteFile(dir_ / "site/META.TAG",
              "<HEAD>\r\n<meta name=\"DC.Creator\" content=\"Club\">\r\n"
              "<meta name=\"$Stylesheet\" content=\"/site.css\">\r\n</HEAD>\r\n");
    WriteFile(dir_ / "site/sub/page.htm", ModernPage());
  }
  CliRunResult Run(std::vector<std::string> args) {
    if (::chdir("/") != 0) return {-1, "", "chdir"};
    args.insert(args.begin(), {"--config", dir_.path(), "--yes"});
    return RunCliCaptured(args);
  }
  std::string Page() { return ReadFile(dir_ / "site/sub/page.htm"); }
  TempDir dir_;
};

TEST_F(CliModernHeadTest, EveryWritingTaskChangesOnlyThePageTags) {
  const std::string kept = WithoutPageTags(ModernPage());
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> present;  // in the head afterwards
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {{"inherit"},
       {"HTTP-EQUIV=\"DC.Creator\" CONTENT=\"Club\"", "NAME=\"viewport\"", "NAME=\"description\"",
        "HTTP-EQUIV=\"refresh\" CONTENT=\"300\"", "CONTENT='Say \"hi\" > there'"},
       {"HTTP-EQUIV=\"viewport\"", "HTTP-EQUIV=\"description\"", "inbody"}},
      {{"sort"}, {"NAME=\"description\" CONTENT=\"desc\""}, {}},
      {{"dedupe"}, {"NAME=\"viewport\""}, {}},
      {{"replace", "description", "--value", "desc", "--with", "new"},
       {"NAME=\"description\" CONTENT=\"new\""},
       {"CONTENT=\"desc\""}},
      {{"delete", "description"}, {"NAME=\"viewport\""}, {"description"}},
      {{"migrate"}, {"href=\"/site.css\"", "rel=\"canonical\"", "rel=\"preload\""}, {}},
      {{"delete-all"}, {"$RUZOZAZEZO"}, {"NAME=", "HTTP-EQUIV=\"refresh\"", "DC.Creator"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    CliRunResult r = Run(c.args);
    EXPECT_EQ(0, r.status) << r.err;
    std::string page = Page();
    std::string head = page.substr(0, page.find("</HEAD>"));
    // The migration's link is the one thing besides the page tags that may come in.
    std::string rest = WithoutPageTags(page);
    size_t link = rest.find("<link rel=\"STYLESHEET\"");
    if (link != std::string::npos) rest.erase(link, rest.find('>', link) + 1 - link);
    EXPECT_EQ(kept, rest);
    for (const std::string& s : c.present)
      EXPECT_NE(std::string::npos, head.find(s)) << s << "\n" << head;
    for (const std::string& s : c.absent)
      EXPECT_EQ(std::string::npos, head.find(s)) << s << "\n" << head;
  }
}

}  // namespace
