#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/cli.h"
#include "app/cli_commands.h"
#include "config/settings.h"
#include "engine/head_writer.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tests/support/program_fixture.h"
#include "ui/main_window.h"
#include "ui/page_editor.h"

using namespace testing_support;

namespace {

class CliPutTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    WriteFile(home_ / "META.IDX", "DC.Title,M\nDC.Creator,M\nDC.Subject, {[Industry.ST,BEP]}\n");
  }
  void TearDown() override {
    ReleasePageTags();
    ReleaseSchemaTables();
    ProgramFixture::TearDown();
  }
  struct Result {
    int status;
    std::string err;
  };
  Result Put(const std::string& input, std::vector<std::string> args, bool yes = false) {
    std::FILE* in = fmemopen(const_cast<char*>(input.data()), input.size(), "r");
    char* errBuf = nullptr;
    size_t errSize = 0;
    std::FILE* err = open_memstream(&errBuf, &errSize);
    ui_.SetAnswerYes(yes);
    CliContext c{std::move(args), yes, "", stdout, err, in};
    int status = CmdPut(c);
    std::fclose(in);
    std::fclose(err);
    Result r{status, errBuf};
    std::free(errBuf);
    return r;
  }
  std::string Stamp() {
    RenderStamp();
    return EdBuffer;
  }
};

TEST_F(CliPutTest, MakesTheLinesTheDocumentsTagsInOrder) {
  TempDir site;
  std::string doc = site / "a.htm";
  // A tag the document has keeps its attribute kind; new ones take the markup options'.
  WriteFile(doc, "<HEAD>\r\n<meta name=DC.Creator content=x>\r\n</HEAD><body>b</body>");
  Result r =
      Put("DC.Title\tTab\\there\r\nDC.Subject\tMining\n\nDC.Creator\tline\\nbreak \\\\ \\r\n"
          "Empty\t\n",
          {doc});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("<HEAD>\r\n" + Stamp() +
                "<meta HTTP-EQUIV=\"DC.Title\" CONTENT=\"Tab\there\">\r\n"
                "<meta HTTP-EQUIV=\"DC.Subject\" SCHEME=\"BEP\" CONTENT=\"Mining\">\r\n"
                "<meta NAME=\"DC.Creator\" CONTENT=\"line\nbreak \\ \r\">\r\n"
                "<meta HTTP-EQUIV=\"Empty\">\r\n</HEAD><body>b</body>",
            ReadFile(doc));
  EXPECT_TRUE(ui_.boxes().empty());
  EXPECT_EQ(doc, PrevFiles[0]);

  // A relative path is the current directory's document.
  WriteFile(site / "b.htm", "<HEAD></HEAD>");
  ASSERT_EQ(0, ::chdir(site.path().c_str()));
  r = Put("DC.Title\tT\nDC.Creator\tC\n", {"b.htm"});
  ASSERT_EQ(0, ::chdir("/"));
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, ReadFile(site / "b.htm").find("CONTENT=\"C\">\r\n</HEAD>"));
}

TEST_F(CliPutTest, TheEditorsSaveWritesWhatPutWritesForTheSameTable) {
  TempDir site;
  const std::string doc =
      "<!DOCTYPE html>\n<html><HEAD><meta charset=\"utf-8\">\n<meta name='DC.Title' "
      "content='Old \"one\"'>\n<meta property=\"og:title\" content=\"x\">\n"
      "<META HTTP-EQUIV=\"Keywords\" CONTENT=\"a\">\n</HEAD><body>b</body></html>\n";
  WriteFile(site / "put.htm", doc);
  WriteFile(site / "editor.htm", doc);
  Result r = Put("DC.Title\tNew > \"two\"\nKeywords\ta\nDC.Creator\tMe\n", {site / "put.htm"});
  ASSERT_EQ(0, r.status) << r.err;

  ASSERT_EQ(0, ReserveSchemaTables());
  ASSERT_EQ(0, LoadSchema());
  ASSERT_EQ(0, ReservePageTags());
  ResetPageEditor();
  platform::WindowHandle window = CreateMainWindow();
  ASSERT_NE(nullptr, window);
  platform::ShowWindow(window, platform::ShowState::kShow);
  platform::CopyText(PrevFiles[0], site / "editor.htm");
  platform::SendMessage(window, platform::kMsgCommand, platform::MakeWParam(kCmdRecentFirst, 0), 0);
  ASSERT_EQ(2, Tagcount);
  ui_.TypeText(ValueEdits[0], "New > \"two\"");
  ui_.TypeText(NameEdits[2], "DC.Creator");
  ui_.TypeText(ValueEdits[2], "Me");
  platform::SendMessage(window, platform::kMsgCommand, platform::MakeWParam(kIdAddTag + 4, 0), 0);
  PageChanged = 0;
  platform::DestroyWindow(window);
  ResetPageEditor();
  ASSERT_EQ(0, ::chdir("/"));  // loading the schema made the configuration directory current
  EXPECT_EQ(ReadFile(site / "put.htm"), ReadFile(site / "editor.htm"));
  EXPECT_NE(std::string::npos, ReadFile(site / "editor.htm").find("og:title"));
}

// The summary counts the document as the other writing commands count theirs: the same tags a
// second time leave it alone with Keep Unchanged, and rewrite it without.
TEST_F(CliPutTest, SummarySaysWhetherTheDocumentChanged) {
  for (int keep : {1, 0}) {
    TempDir site;
    WriteFile(site / "a.htm", "<HEAD></HEAD><body>b</body>");
    KeepUnchanged = keep;
    Result r = Put("DC.Title\tT\nDC.Creator\tC\n", {site / "a.htm"});
    EXPECT_EQ(0u, r.err.find("1 changed, 0 unchanged, 0 skipped, 0 failed\n")) << r.err;
    r = Put("DC.Title\tT\nDC.Creator\tC\n", {site / "a.htm"});
    EXPECT_EQ(0u, r.err.find(keep ? "0 changed, 1 unchanged" : "1 changed, 0 unchanged")) << r.err;
  }
  KeepUnchanged = 0;
}

TEST_F(CliPutTest, MandatoryQuestionAndBadInputWriteNothing) {
  TempDir site;
  std::string doc = site / "a.htm";
  const std::string before = "<HEAD></HEAD>";
  WriteFile(doc, before);
  WriteFile(site / "nohead.htm", "<p></HEAD>");

  // --yes answers the mandatory question: the tags are added and nothing is written.
  Result r = Put("DC.Title\tT\n", {doc}, true);
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(before, ReadFile(doc));
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("NOTE", ui_.boxes()[0].caption);
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find("\n\nDC.Creator\n"));

  struct Case {
    const char* what;
    std::string input;
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {"line without a tab", "DC.Title\tT\nDC.Creator C\n", {doc}, 1, "line 2 is not"},
      {"unknown escape", "DC.Title\tT\\x\n", {doc}, 1, "line 1 is not"},
      {"backslash at the end", "DC.Title\\\tT\n", {doc}, 1, "line 1 is not"},
      {"too many tags", "a\t1\nb\t2\nc\t3\n", {doc}, 1, "more than 2 tags"},
      {"no document", "", {}, 2, "put needs the document"},
      {"missing document",
       "a\t1\n",
       {site / "missing.htm"},
       1,
       "missing.htm: No such file or directory: nothing written"},
      {"a directory", "a\t1\n", {site.path()}, 1, "is not a regular file: nothing written"},
      {"name of 32 bytes",
       "a\t1\n" + std::string(32, 'n') + "\t1\n",
       {doc},
       1,
       "line 2: the tag name is 32 bytes long, at most 31 fit: nothing written"},
      {"value of 1024 bytes",
       "a\t" + std::string(1024, 'v') + "\n",
       {doc},
       1,
       "line 1: the tag value is 1024 bytes long, at most 1023 fit"},
      {"document without a head", "a\t1\n", {site / "nohead.htm"}, 1, "has no head"},
  };
  MaxPageTags = 3;
  for (const Case& c : cases) {
    r = Put(c.input, c.args);
    EXPECT_EQ(c.status, r.status) << c.what;
    EXPECT_NE(std::string::npos, r.err.find(c.message)) << c.what << ": " << r.err;
    EXPECT_EQ(before, ReadFile(doc)) << c.what;
  }
  EXPECT_FALSE(Exists(site / "missing.htm"));

  // Without --yes the question is answered No and the document is written.
  ui_.Clear();
  r = Put("DC.Title\tT\n", {doc});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(1u, ui_.boxes().size());
  EXPECT_NE(before, ReadFile(doc));
}

// The program itself, fed through its standard input.
TEST_F(CliPutTest, TheProgramReadsStandardInput) {
  const char* bin = std::getenv("TS_TEST_BIN_DIR");
  ASSERT_NE(nullptr, bin);
  WriteFile(home_ / "META.INI", "[META]\nCurrent Config=S\n[Config:S]\nDisplayOptions=4\n");
  TempDir site;
  std::string doc = site / "a.htm";
  WriteFile(doc, "<HEAD></HEAD>");
  WriteFile(site / "in.txt", "DC.Title\tT\n");
  ASSERT_EQ(0, ::chdir(site.path().c_str()));  // the program needs a current directory
  auto run = [&](const std::string& options) {
    std::string command = std::string(bin) + "/app/tagsteward-cli --config '" + home_.path() +
                          "' " + options + " put '" + doc + "' < '" + (site / "in.txt") + "' 2> '" +
                          (site / "err.txt") + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(1, run("--yes")) << ReadFile(site / "err.txt");
  EXPECT_EQ("<HEAD></HEAD>", ReadFile(doc));
  EXPECT_NE(std::string::npos, ReadFile(site / "err.txt").find("NOTE: The following tags"));
  EXPECT_EQ(0, run(""));
  EXPECT_NE(std::string::npos, ReadFile(doc).find("<meta NAME=DC.Title CONTENT=T>\r\n</HEAD>"));
  EXPECT_EQ(2, run("--yes put"));  // two documents
  ASSERT_EQ(0, ::chdir("/"));
}

}  // namespace
