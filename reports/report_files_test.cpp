#include "reports/report_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "reports/mail_queue.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class ReportFilesTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    platform::CopyText(CurrentConfig, "Harbourside");
    MaxPageTags = 64;
    ASSERT_EQ(0, ReservePageTags());
    ResetPageTags();
    report_ = home_ / "MetaSearch.htm";
  }
  std::string report_;
};

TEST_F(ReportFilesTest, SearchReportWithoutTemplatesIsACompletePage) {
  ASSERT_EQ(0, WriteReportHead(ReportKind::Search, report_.c_str(), "DC", "", 1));
  ASSERT_EQ(0, OpenReport(report_.c_str()));
  AppendPageTag("DC.Title", "Learn to row", 0);
  AppendPageTag("DC.Identifier", "https://club.example/learn.htm", 0);
  WriteDocumentEntry("/srv/www/learn.htm", 0, 1);
  WriteTagLine("DC.Title", "Learn to row");
  WriteDocumentEnd();
  WriteDocumentEntry("/srv/www/other.htm", -1, -1);
  WriteDocumentEnd();
  ASSERT_EQ(0, FinishReport(ReportKind::Search, report_.c_str(), 0));
  EXPECT_FALSE(ReportIsOpen());
  EXPECT_EQ(
      "<HTML><BODY><PRE>\n<HR>\nSite name : Harbourside<BR>\n"
      "Tagsteward search file : " +
          report_ +
          "<BR>\n"
          "Search date/time        : 25 May 1999 @ 09:05:07<BR>\n"
          "Metatag name searched   : DC<BR>\n"
          "Metatag value filter    : <BR>\n<HR>\n"
          "Learn to row<BR><A HREF=https://club.example/learn.htm>/srv/www/learn.htm</A><BR><BR>\n"
          "    DC.Title=Learn to row<BR>\n<HR><BR>\n"
          "<A HREF=file:///srv/www/other.htm>/srv/www/other.htm</A><BR><BR>\n<HR><BR>\n"
          "Report ends.\n</PRE></BODY></HTML>\n",
      ReadFile(report_));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(ReportFilesTest, EntriesAcrossTheWriteBufferAndLargerThanItKeepTheirOrder) {
  ASSERT_EQ(0, WriteReportHead(ReportKind::Search, report_.c_str(), "DC", "", 1));
  ASSERT_EQ(0, OpenReport(report_.c_str()));
  std::string expected;
  std::string value(1000, 'v');
  // Enough lines to fill the buffer several times, lines straddling each boundary.
  for (int i = 0; i < 300; ++i) {
    std::string name = "N" + std::to_string(i);
    WriteTagLine(name.c_str(), value.c_str());
    expected += "    " + name + "=" + value + "<BR>\n";
  }
  // A path longer than the whole buffer.
  std::string path = "/" + std::string(70000, 'p') + ".htm";
  WriteDocumentEntry(path, -1, -1);
  expected += "<A HREF=file:///" + path.substr(1) + ">" + path + "</A><BR><BR>\n";
  WriteDocumentEnd();
  expected += "<HR><BR>\n";
  ASSERT_EQ(0, FinishReport(ReportKind::Search, report_.c_str(), 0));
  std::string text = ReadFile(report_);
  size_t start = text.find("<HR>\n", text.find("Metatag value filter"));
  ASSERT_NE(std::string::npos, start);
  EXPECT_EQ(expected + "Report ends.\n</PRE></BODY></HTML>\n", text.substr(start + 5));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(ReportFilesTest, TemplatesFrameTheReportAndTheMarkerIsNeverCopied) {
  WriteFile(home_ / "review.tpl",
            "<html><body class=\"report\">\n<!--insert here--> the marker line\n<p>footer</p>\n"
            "</body></html>\n");
  WriteFile(home_ / "EXPIRED.TPL", "<html>no marker here\n</html>\n");  // found whatever its case
  std::string review = home_ / "Review.htm";
  ASSERT_EQ(0, WriteReportHead(ReportKind::Review, review.c_str(), "AD.Review Date", "x", 1));
  ASSERT_EQ(0, OpenReport(review.c_str()));
  ASSERT_EQ(0, FinishReport(ReportKind::Review, review.c_str(), 1));
  EXPECT_EQ(
      "<html><body class=\"report\">\n<HR>\nSite name : Harbourside<BR>\n"
      "Tagsteward search file : " +
          review +
          "<BR>\n"
          "Search date/time        : 19990525 @ 09:05:07<BR>\n"
          "Metatag name searched   : AD.Review Date<BR>\n<HR>\n"
          "Report ends.\n<p>footer</p>\n</body></html>\n",
      ReadFile(review));

  std::string expired = home_ / "Expired.htm";
  ASSERT_EQ(0, WriteReportHead(ReportKind::Expiry, expired.c_str(), "AD.Expiry Date", "", 1));
  ASSERT_EQ(0, OpenReport(expired.c_str()));
  ASSERT_EQ(0, FinishReport(ReportKind::Expiry, expired.c_str(), 1));
  std::string text = ReadFile(expired);
  EXPECT_EQ(0u, text.find("<html>no marker here\n</html>\n<HR>\n"));
  EXPECT_EQ(text.size() - 13, text.find("Report ends.\n"));  // nothing after it
}

TEST_F(ReportFilesTest, DeliveryToTheAdministratorAndTheBrowser) {
  platform::CopyText(MailQueue, home_ / "MailQ/");
  WriteFile(home_ / "MailQ/.keep", "");
  gMailSlot = 0;
  std::string review = home_ / "Review.htm";
  // No administrator address: the report is written and nothing is queued.
  ASSERT_EQ(0, WriteReportHead(ReportKind::Review, review.c_str(), "AD.Review Date", "", 1));
  ASSERT_EQ(0, OpenReport(review.c_str()));
  ASSERT_EQ(0, FinishReport(ReportKind::Review, review.c_str(), 1));
  EXPECT_FALSE(Exists(home_ / "MailQ/0.tsm"));
  platform::CopyText(ReviewRule.adminEmail, "webmaster@club.example");
  ASSERT_EQ(0, OpenReport(review.c_str()));
  ASSERT_EQ(0, FinishReport(ReportKind::Review, review.c_str(), 1));
  EXPECT_EQ(
      "webmaster@club.example\r\r\nDocuments for Review - Harbourside\r\r\n" + review + "\r\r\n",
      ReadFile(home_ / "MailQ/0.tsm"));

  // The browser gets the report path as its one argument.
  std::string stub = home_ / "browser.sh";
  WriteFile(stub, "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.part\" && mv \"$0.part\" \"$0.out\"\n");
  ASSERT_EQ(0, ::chmod(stub.c_str(), 0755));
  platform::CopyText(WebBrowser, stub);
  ASSERT_EQ(0, WriteReportHead(ReportKind::Search, report_.c_str(), "DC", "", 1));
  ASSERT_EQ(0, OpenReport(report_.c_str()));
  ASSERT_EQ(0, FinishReport(ReportKind::Search, report_.c_str(), 1));
  for (int i = 0; i < 500 && !Exists(stub + ".out"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(report_, ReadFile(stub + ".out"));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(ReportFilesTest, ReportThatCannotBeCreatedOrWrittenIsReported) {
  std::string bad = home_ / "missing/dir/MetaSearch.htm";
  EXPECT_EQ(-1, WriteReportHead(ReportKind::Search, bad.c_str(), "DC", "", 1));
  EXPECT_EQ(-1, WriteReportHead(ReportKind::Expiry, bad.c_str(), "AD.Expiry Date", "", 1));
  EXPECT_EQ(
      (std::vector<std::string>{bad + "|The results file could not be created. Choose another name",
                                bad + "|ERROR - The expiry results file could not be created."}),
      BoxLines());
  {
    FaultPlan plan;
    plan.diskFullAfter = 10;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(-1, WriteReportHead(ReportKind::Search, report_.c_str(), "DC", "", 1));
  }
  EXPECT_EQ(3u, ui_.boxes().size());
  ASSERT_EQ(0, WriteReportHead(ReportKind::Search, report_.c_str(), "DC", "", 1));
  ASSERT_EQ(0, OpenReport(report_.c_str()));
  {
    FaultPlan plan;
    plan.failWriteAt = 1;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    WriteTagLine("DC.Title", "x");
    EXPECT_EQ(-1, FinishReport(ReportKind::Search, report_.c_str(), 0));
  }
  EXPECT_EQ("Error writing the report file - " + report_, ui_.boxes().back().caption);
}

}  // namespace
