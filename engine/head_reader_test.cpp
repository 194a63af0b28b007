#include "engine/head_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "config/settings.h"
#include "engine/doc_tally.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;
using Tags = std::vector<std::string>;

namespace {

void* const kWindow = reinterpret_cast<void*>(0x5150);

constexpr const char kSchema[] =
    "# test schema\n"
    "DC.Title,M\n"
    "Keywords, {red,blue}\n"
    "DC.Date.Created,MD\n"
    "DC.Subject,AM {[Industry.ST,BEP]}\n"
    "DC.Source \n"
    "AD.MapMe\n";

// A document around the given meta tags, with the given line end.
std::string Doc(const std::string& metas, const std::string& eol = "\r\n") {
  return "<html>" + eol + "<head>" + eol + "<title>Test</title>" + eol + metas + eol + "</head>" +
         eol + "<body>text</body></html>" + eol;
}

class HeadReaderTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    // Loading the schema moves into the configuration directory, which goes with the test.
    ASSERT_EQ(0, platform::Fs().CurrentDir(&cwd_));
    WriteFile(home_ / "META.IDX", kSchema);
    ASSERT_EQ(0, ReserveSchemaTables());
    ASSERT_EQ(0, ReservePageTags());
    ASSERT_EQ(0, LoadSchema());
    InSiteMap = 0;
    SuppressControlTags = 1;
    ShowMissingHead = 0;
  }
  void TearDown() override {
    ReleasePageTags();
    ReleaseSchemaTables();
    SuppressControlTags = 1;
    ShowMissingHead = 0;
    platform::Fs().ChangeDir(cwd_);
    ProgramFixture::TearDown();
  }
  int Read(const std::string& content, const std::string& name = "doc.htm") {
    std::string path = site_ / name;
    WriteFile(path, content);
    return ReadPageTags(kWindow, path.c_str());
  }
  // The table as "name|value|flags" lines, the flags without the tag's kind unless asked.
  static Tags Table(bool kinds = false) {
    Tags out;
    for (int i = 0; i < Tagcount; ++i)
      out.push_back(std::string(PageTags[i].name) + "|" + PageTags[i].value + "|" +
                    std::to_string(PageTags[i].flags & (kinds ? ~0u : ~TF_KIND_MASK)));
    return out;
  }
  std::string ErrorsAudit() const { return ReadFile(AuditFile("Errors/")); }
  std::string InfoAudit() const { return ReadFile(AuditFile("Audit/")); }

  TempDir site_;
  std::string cwd_;
};

TEST_F(HeadReaderTest, ParsesMetaTagsInTheirManySpellings) {
  struct Row {
    std::string metas;
    Tags want;
  } rows[] = {
      {"<META NAME=\"DC.Title\" CONTENT=\"Home page\">", {"DC.Title|Home page|1"}},
      {"<meta name=\"DC.Title\" content=\"Home page\">", {"DC.Title|Home page|1"}},
      {"<meta http-equiv=\"Expires\" content=\"Tue, 01 Jun 1999\">",
       {"Expires|Tue, 01 Jun 1999|0"}},
      {"<Meta name=DC.Subject scheme=BEP content=Mining>", {"DC.Subject|Mining|11"}},
      {"<meta HTTP-EQUIV=\"DC.Subject\" SCHEME=\"BEP\" CONTENT=\"Mining\">",
       {"DC.Subject|Mining|11"}},
      {"<meta charset=\"utf-8\">", {}},
      {"<meta name='a' content='it is'>", {"a|it is|0"}},
      // Only one blank is trimmed: the name keeps a quote and a blank.
      {"<meta name=\"Keywords\"  content=\"x\">", {"Keywords\" |x|0"}},
      {"<meta name=\"Keywords\" content=\"one\r\ntwo\">", {"Keywords|one two|8"}},
      {"<meta name=\"Keywords\" content=\"one\ntwo\">", {"Keywords|one two|8"}},
      {"<meta name=\"keywords\" content=\"a\">\n<meta name=\"Keywords\" content=\"b\">",
       {"keywords|a|0", "Keywords|b|8"}},
      {"<meta name=\"DC.Source\" content=\"s\">", {"DC.Source|s|0"}},
      {"<meta name=\"x\" content=\"\">\n<meta name=\"y\">", {"x||0", "y||0"}},
      {"<meta NaMe=\"x\" CoNtEnT=\"y\">\n<mEta name=\"z\" content=\"w\">", {}},
      {"<meta HTTP-EQUIV=\"h\" NAME=\"n\" CONTENT=\"c\">", {"h|c|0"}},
      // Attributes in other orders lose nothing.
      {"<meta content=\"v\" name=\"n\">", {"n|v|0"}},
      {"<meta name=\"n\" content=\"v\" scheme=\"s\">", {"n|v|0"}},
      {"<meta scheme=\"s\" content=\"v\"  name=\"n\">", {"n|v|0"}},
      {"<meta name=\"n\"\r\n      content=\"v\"\r\n>", {"n|v|0"}},
      {"<meta\tname=\"n\"\tcontent=\"v\">", {"n|v|0"}},
      // Keywords inside a value are not attributes; quotes inside a value stay.
      {"<meta name=\"description\" content=\"Set NAME=x and content=y\">",
       {"description|Set NAME=x and content=y|0"}},
      {"<meta name=\"q\" content=\"say \"hi\" now\">", {"q|say \"hi\" now|0"}},
      // The slash of an empty-element tag is not part of the value.
      {"<meta name=\"a\" content=\"b\" />\n<meta name=u content=http://x/>",
       {"a|b|0", "u|http://x/|0"}},
      {"<meta" +
           [] {
             std::string many;
             for (int i = 0; i < 40; ++i)
               many += " scheme=\"s\"";
             return many;
           }() +
           " name=\"n\" content=\"c\">",
       {"n|c|0"}},
      {"<meta name=\"a\" value=\"v\">\n<meta name=\"b\" CONTENT=\"c\" content=\"d\">",
       {"a|v|0", "b|c|0"}},
  };
  for (const Row& r : rows) {
    ASSERT_EQ(0, Read(Doc(r.metas))) << r.metas;
    EXPECT_EQ(r.want, Table()) << r.metas;
  }
  // The same tags in a file with LF line ends and in capitals; meta tags after the end of the
  // head are not the page's.
  ASSERT_EQ(0, Read("<HTML>\n<HEAD>\n<META NAME=\"DC.Title\" CONTENT=\"T\">\n</HEAD>\n"
                    "<meta name=\"late\" content=\"after head\">\n<BODY>\n"));
  EXPECT_EQ(Tags({"DC.Title|T|1"}), Table());
  ASSERT_EQ(0, Read("<html><head></head><body><meta name=\"late\" content=\"l\"></body></html>"));
  EXPECT_EQ(Tags(), Table());
  // Tags before the head are not read.
  ASSERT_EQ(0, Read("<meta name=\"early\" content=\"e\"><head><meta name=\"in\" content=\"i\">"
                    "</head>"));
  EXPECT_EQ(Tags({"in|i|0"}), Table());
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(HeadReaderTest, CustomAttributeNamesComeFirst) {
  platform::CopyText(CustomNameImports, "itemprop, property");
  platform::CopyText(CustomValueImports, "data");
  ASSERT_EQ(0, Read(Doc("<meta property=\"og:title\" content=\"T\">\n"
                        "<meta name=\"plain\" content=\"c\" data=\"d\">\n"
                        "<meta content=\"v\" itemprop=\"ip\" name=\"n\">")));
  EXPECT_EQ(Tags({"og:title|T|0", "plain|d|0", "ip|v|0"}), Table());
}

TEST_F(HeadReaderTest, ControlTagsAndSitemapMarker) {
  std::string doc =
      Doc("<meta name=\"$RUZOZAZEZO\" content=\"Tagsteward 2.5\">\n"
          "<meta name=\"$Stylesheet\" content=\"/s.css\">\n"
          "<meta name=\"AD.MapMe\" content=\"yes\">");
  ASSERT_EQ(0, Read(doc));
  EXPECT_EQ(Tags({"AD.MapMe|yes|0"}), Table());
  EXPECT_EQ(1, InSiteMap);

  SuppressControlTags = 0;
  ASSERT_EQ(0, Read(doc));
  EXPECT_EQ(Tags({"$Stylesheet|/s.css|0", "AD.MapMe|yes|0"}), Table());

  // The reader sets the marker but never clears it.
  ASSERT_EQ(0, Read(Doc("<meta name=\"a\" content=\"b\">")));
  EXPECT_EQ(1, InSiteMap);
  InSiteMap = 0;
  platform::CopyText(OverwriteTag, "");
  ASSERT_EQ(0, Read(Doc("<meta name=\"\" content=\"nameless\">")));
  EXPECT_EQ(0, InSiteMap);
  EXPECT_EQ(Tags({"|nameless|0"}), Table());
}

TEST_F(HeadReaderTest, TruncatesAtCapacities) {
  autotags = kAutoTitle;
  std::string name(40, 'N'), value(1100, 'V'), title(600, 'T');
  ASSERT_EQ(0, Read("<head><title>" + title + "</title><meta name=\"" + name + "\" content=\"" +
                    value + "\"></head>"));
  ASSERT_EQ(2, Tagcount);
  EXPECT_EQ(std::string(31, 'N'), PageTags[0].name);
  EXPECT_EQ(std::string(1023, 'V'), PageTags[0].value);
  EXPECT_STREQ("DC.Title", PageTags[1].name);
  EXPECT_EQ(std::string(511, 'T'), PageTags[1].value);
}

TEST_F(HeadReaderTest, AutomaticTags) {
  platform::CopyText(SiteURL, "http://www.example.org/");
  autotags = kAutoTitle | kAutoIdentifier | kAutoTouched;
  std::string doc =
      "<html><head><title>\r\nWelcome\r\n</title>\r\n"
      "<meta name=\"DC.Title\" content=\"old\">\r\n"
      "<meta name=\"DC.Title\" content=\"second\">\r\n</head></html>";
  for (std::string root : {site_.path(), site_.path() + "/"}) {
    platform::CopyText(RootPath, root);
    ASSERT_EQ(0, Read(doc, "docs/a.htm"));
    EXPECT_EQ(Tags({"DC.Title|Welcome|1", "DC.Title|second|1",
                    "DC.Identifier|http://www.example.org/docs/a.htm|0",
                    "AD.Touched|25 May 1999 @ 09:05:07|0"}),
              Table())
        << root;
  }
  // Only the asked-for tags; no title element, no DC.Title.
  autotags = kAutoIdentifier;
  ASSERT_EQ(0, Read("<head><title>T</title></head>", "b.htm"));
  EXPECT_EQ(Tags({"DC.Identifier|http://www.example.org/b.htm|0"}), Table());
  autotags = kAutoTitle;
  ASSERT_EQ(0, Read("<head><title>Never closed</head>"));
  EXPECT_EQ(Tags(), Table());
  ASSERT_EQ(0, Read("<head></TITLE><title>Backwards</title></head>"));
  EXPECT_EQ(Tags(), Table());
  ASSERT_EQ(0, Read("<head><Title>Line one\nLine two</Title></head>"));
  EXPECT_EQ(Tags({"DC.Title|Line one|0"}), Table());
  ASSERT_EQ(0, Read("<head><title>A\nB\nC</title></head>"));
  EXPECT_EQ(Tags({"DC.Title|A B|0"}), Table());

  // Tree-tag files never get automatic tags, whatever the case of their name.
  autotags = 7;
  for (const char* tagFile : {"docs/meta.tag", "META.TAG", "sub/Meta.Tag"}) {
    ASSERT_EQ(0, Read("<head><title>T</title><meta name=\"a\" content=\"b\"></head>", tagFile));
    EXPECT_EQ(Tags({"a|b|0"}), Table()) << tagFile;
  }
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(HeadReaderTest, FullTableDiscardsTheReadButAutomaticTagsOnlyDropThemselves) {
  std::string metas;
  for (int i = 0; i < 70; ++i)
    metas += "<meta name=\"t" + std::to_string(i) + "\" content=\"v\">\n";
  ASSERT_EQ(-1, Read(Doc(metas)));
  EXPECT_EQ(0, Tagcount);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ(
      "ERROR - INSUFFICIENT MEMORY ALLOCATED|Please increase \"Maximum number of Metatags in "
      "eash page\"\nMenu item: Setup->Memory Management",
      BoxLines()[0]);
  EXPECT_EQ(kWindow, ui_.boxes()[0].owner);

  ui_.Clear();
  metas.clear();
  for (int i = 0; i < 63; ++i)
    metas += "<meta name=\"t" + std::to_string(i) + "\" content=\"v\">\n";
  autotags = kAutoTouched;
  ASSERT_EQ(0, Read(Doc(metas)));
  EXPECT_EQ(63, Tagcount);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("CRITICAL ERROR!", ui_.boxes()[0].caption);
  EXPECT_EQ(0u, ui_.boxes()[0].text.rfind("M053:Please increase", 0));
  EXPECT_NE(std::string::npos, ErrorsAudit().find("M053:Please increase"));
}

TEST_F(HeadReaderTest, FailuresAndTheirReports) {
  loglevel = 1;
  std::string missing = site_ / "missing.htm";
  ResetDocumentTally();
  EXPECT_EQ(-1, ReadPageTags(kWindow, missing.c_str()));
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("ERROR OPENING FILE - " + missing + "|" + platform::ErrorText(ENOENT), BoxLines()[0]);
  EXPECT_EQ(nullptr, ui_.boxes()[0].owner);

  // A missing tree-tag file is an empty table, silently.
  ui_.Clear();
  ASSERT_EQ(0, AppendPageTag("left", "over", 0));
  std::string missingTags = site_ / "sub/meta.tag";
  EXPECT_EQ(0, ReadPageTags(kWindow, missingTags.c_str()));
  EXPECT_EQ(0, Tagcount);
  EXPECT_TRUE(BoxLines().empty());
  EXPECT_EQ("0 changed, 0 unchanged, 0 skipped, 1 failed\nFailed:\n  " + missing +
                ": cannot be opened: " + platform::ErrorText(ENOENT),
            DocumentTallySummary());

  struct Row {
    std::string content;
    int result;
    std::string box;    // "CAPTION|text", or "" for none
    std::string audit;  // a line part of the level-1 audit file, or ""
  } rows[] = {
      {"", -1, "CRITICAL ERROR reading file|", ""},
      {"<html><header><title>x</title></header></html>", -2, "",
       "1,09:05:07,@,ERROR - No <HEAD> tag\n"},
      {"<html><head><title>x</title>" + std::string(4100, ' ') + "</head>", -1, "",
       "1,09:05:07,@,No </HEAD> tag - file ignored.\n"},
      {"<head><meta name=\"a\" content=\"b\"><meta name=\"c </head>", -1,
       "CRITICAL ERROR - corrupt metatag|<head><meta name=\"a\" content=\"b\"><meta name=\"c "
       "</head>",
       ""},
  };
  for (const Row& r : rows) {
    ui_.Clear();
    std::string path = site_ / "doc.htm";
    std::string before = InfoAudit();
    EXPECT_EQ(r.result, Read(r.content)) << r.content.substr(0, 60);
    if (r.box.empty()) {
      EXPECT_TRUE(BoxLines().empty()) << r.content.substr(0, 60);
    } else {
      ASSERT_EQ(1u, BoxLines().size());
      EXPECT_EQ(r.box, BoxLines()[0]);
      EXPECT_EQ(kWindow, ui_.boxes()[0].owner);
    }
    std::string added = InfoAudit().substr(before == "<missing>" ? 0 : before.size());
    if (r.audit.empty()) {
      EXPECT_TRUE(added.empty() || added == "<missing>") << added;
    } else {
      std::string want = r.audit;
      want.replace(want.find('@'), 1, path);
      EXPECT_EQ(want, added);
    }
  }
  // A head with a corrupt tag is not read at all.
  EXPECT_EQ(Tags(), Table());

  // An empty tree-tag file is an error like any other; without a log level, no audit line.
  ui_.Clear();
  loglevel = 0;
  EXPECT_EQ(-1, Read("", "meta.tag"));
  EXPECT_EQ(std::vector<std::string>{"CRITICAL ERROR reading file|"}, BoxLines());
  std::string before = InfoAudit();
  EXPECT_EQ(-2, Read("no head here"));
  EXPECT_EQ(before, InfoAudit());
}

TEST_F(HeadReaderTest, EmptyValueImportItemFailsTheRead) {
  platform::CopyText(CustomValueImports, "data,");
  ASSERT_EQ(-1, Read(Doc("<meta name=\"a\" content=\"b\">\n<meta name=\"only\">")));
  EXPECT_EQ(0, Tagcount);
  EXPECT_EQ(std::vector<std::string>{"CRITICAL ERROR - Tag Parse [2]|<meta name=\"only\""},
            BoxLines());
  EXPECT_EQ(kWindow, ui_.boxes()[0].owner);
}

TEST_F(HeadReaderTest, ReadErrorsAndUnreadableFiles) {
  struct Row {
    int error;
    const char* coded;
  } rows[] = {{EIO, "M052:unknown error 1"}, {EAGAIN, "M049:io pending"}};
  for (const Row& r : rows) {
    ui_.Clear();
    FaultPlan plan;
    plan.failReadAt = 1;
    plan.error = r.error;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(-1, Read(Doc("<meta name=\"a\" content=\"b\">")));
    EXPECT_EQ(std::vector<std::string>(
                  {std::string("CRITICAL ERROR!|") + r.coded, "CRITICAL ERROR reading file|"}),
              BoxLines());
    EXPECT_NE(std::string::npos, ErrorsAudit().find(std::string(",") + r.coded + ",,\n"));
  }

  // A tree-tag file that exists but cannot be read is reported, not taken as empty.
  ui_.Clear();
  std::string tags = site_ / "meta.tag";
  WriteFile(tags, Doc("<meta name=\"a\" content=\"b\">"));
  FaultPlan plan;
  plan.unreadable.insert(tags);
  FaultyFileSystem faulty(plan);
  platform::ScopedFileSystem scoped(&faulty);
  EXPECT_EQ(-1, ReadPageTags(kWindow, tags.c_str()));
  EXPECT_EQ(
      std::vector<std::string>{"ERROR OPENING FILE - " + tags + "|" + platform::ErrorText(EACCES)},
      BoxLines());
}

TEST_F(HeadReaderTest, ExtractReadsFromTheCurrentPosition) {
  std::string first = Doc("<meta name=\"first\" content=\"1\">");
  std::string path = site_ / "two.htm";
  WriteFile(path, first + Doc("<meta name=\"second\" content=\"2\">"));
  int fd = platform::Fs().Open(path, platform::OpenFor::Read, 0);
  ASSERT_GE(fd, 0);
  std::string skip(first.size(), '\0');
  ASSERT_EQ(static_cast<long>(first.size()), platform::ReadFull(fd, skip.data(), skip.size()));
  EXPECT_EQ(0, ExtractMetatags(kWindow, path.c_str(), fd));
  platform::Fs().Close(fd);
  EXPECT_EQ(Tags({"second|2|0"}), Table());
}

TEST_F(HeadReaderTest, MissingHeadDisplayIsOffUntilSwitchedOn) {
  std::string text = "<html><body>" + std::string(2000, 'x') + "</body></html>";
  EXPECT_EQ(-2, Read(text));
  EXPECT_TRUE(BoxLines().empty());

  ShowMissingHead = 1;
  ui_.Script("ERROR - no <HEAD> tag", platform::kAnswerYes);
  EXPECT_EQ(-2, Read(text));
  EXPECT_EQ(1, ShowMissingHead);
  ui_.Script("ERROR - no <HEAD> tag", platform::kAnswerNo);
  EXPECT_EQ(-2, Read(text));
  EXPECT_EQ(0, ShowMissingHead);
  EXPECT_EQ(-2, Read(text));
  ASSERT_EQ(2u, ui_.boxes().size());
  const platform::BoxRecord& box = ui_.boxes()[0];
  EXPECT_EQ("ERROR - no <HEAD> tag. The first 1024 characters are:", box.caption);
  EXPECT_EQ(text.substr(0, 1024) + "\n\nCONTINUE TO DISPLAY THIS ERROR ?", box.text);
  EXPECT_EQ(platform::kBoxYesNo, box.style & platform::kBoxButtonsMask);
  EXPECT_EQ(kWindow, box.owner);
}

// The shortcut for the common form of a tag gives what the full attribute walk gives, for
// every mixture of the pieces a tag is made of, forms the shortcut leaves to the walk included.
TEST_F(HeadReaderTest, CommonFormShortcutAgreesWithTheFullWalk) {
  const char* starts[] = {"<meta ", "<meta", "<meta  \t", "<META ", "<meta\r\n"};
  const char* names[] = {"name", "NAME", "http-equiv", "HTTP-EQUIV", "Name", "scheme"};
  const char* nameTexts[] = {"\"DC.Title\"", "\"\"",           "\"$Hidden\"", "\"A b \"",
                             "\"AD.MapMe\"", "DC.Title",       "'DC.Title'",  "\"content=\"",
                             "\"unclosed",   "\"$RUZOZAZEZO\""};
  const char* gaps[] = {"", " ", "  ", "\t", " \r\n", "\r\n ", "   \t"};
  const char* values[] = {"content", "CONTENT", "value", "VALUE", "Content", "scheme", "name"};
  const char* valueTexts[] = {"\"Rowing\"", "\"\"",     "\"two\r\nlines\"", "\" padded \"",
                              "plain",      "'single'", "\"a\"b\"",         "\"open"};
  const char* ends[] = {"", " ", "/", " /", "  ", "\t", "/ ", " x", " scheme=\"s\"", "\""};
  std::vector<std::string> tags;
  for (const char* start : starts)
    for (const char* name : names)
      for (const char* nameText : nameTexts)
        for (const char* gap : gaps)
          tags.push_back(std::string(start) + name + "=" + nameText + gap + "content=\"c\"");
  for (const char* value : values)
    for (const char* valueText : valueTexts)
      for (const char* end : ends)
        for (const char* gap : gaps)
          tags.push_back(std::string("<meta name=\"N\"") + gap + value + "=" + valueText + end);
  tags.push_back("<meta content=\"first\" name=\"second\"");
  tags.push_back("<meta name=\"" + std::string(40, 'L') + "\" content=\"" + std::string(2000, 'v') +
                 "\"");
  tags.push_back("<meta name=\"a\" content=\"b\" name=\"c\"");
  tags.push_back("<meta name=\"a\" content=\"b\"content=\"c\"");
  tags.push_back(std::string("<meta name=\"a\0b\" content=\"c\0d\"", 31));
  tags.push_back("<meta");
  tags.push_back("<meta name=");
  tags.push_back("<meta name=\"");
  tags.push_back("<link name=\"a\" content=\"b\"");

  auto table = [] {
    std::string out;
    for (int i = 0; i < Tagcount; ++i)
      out += std::string(PageTags[i].name) + "|" + PageTags[i].value + "|" +
             std::to_string(PageTags[i].flags) + "\n";
    return out;
  };
  for (int suppress : {1, 0}) {
    SuppressControlTags = suppress;
    for (const std::string& tag : tags) {
      Tagcount = 0;
      InSiteMap = 0;
      int quick = ParseMetaTag(kWindow, tag);
      std::string quickTable = table();
      int quickMap = InSiteMap;
      Tagcount = 0;
      InSiteMap = 0;
      int full = ParseMetaTagInFull(kWindow, tag);
      EXPECT_EQ(full, quick) << tag;
      EXPECT_EQ(table(), quickTable) << tag;
      EXPECT_EQ(InSiteMap, quickMap) << tag;
    }
  }
  EXPECT_TRUE(ui_.boxes().empty());
  // The common form itself reads as expected.
  Tagcount = 0;
  ASSERT_EQ(0, ParseMetaTag(kWindow, "<meta name=\"DC.Title\" content=\"Rowing\" /"));
  ASSERT_EQ(1, Tagcount);
  EXPECT_STREQ("DC.Title", PageTags[0].name);
  EXPECT_STREQ("Rowing", PageTags[0].value);
  EXPECT_EQ(SF_MANDATORY | TF_KIND_NAME, PageTags[0].flags);
}

// Tags read from a file are searched sixteen bytes at a time right up to the chunk's end; a tag
// parsed on its own is not. Both give the same table, wherever the tag ends in the chunk.
TEST_F(HeadReaderTest, TagsNearTheChunkEndReadAsTheyParseAlone) {
  autotags = 0;
  std::vector<std::string> tags;
  for (size_t length : {0, 1, 14, 15, 16, 17, 30, 31, 32, 33, 47, 48})
    for (const char* form :
         {"<meta name=\"%N\" content=\"%V\"", "<META NAME=\"%N\" CONTENT=\"%V\" /",
          "<meta content=\"%V\" name=\"%N\""}) {
      std::string text(length, 'q');
      for (size_t brk : {size_t{0}, length / 2, length ? length - 1 : 0}) {
        std::string value = text;
        if (!value.empty()) value[brk] = length % 2 ? '\n' : '\r';
        std::string tag = form;
        tag.replace(tag.find("%N"), 2, "N" + text);
        tag.replace(tag.find("%V"), 2, value);
        tags.push_back(tag);
      }
    }
  for (const std::string& tag : tags) {
    Tagcount = 0;
    ASSERT_EQ(0, ParseMetaTagInFull(kWindow, tag)) << tag;
    Tags alone = Table();
    // The tag's ">" just before the end of the head at the chunk's end, and a few bytes before.
    std::string head = "<html>\n<head>\n", end = "</head>";
    for (size_t before : {0, 1, 7, 15, 16, 17}) {
      std::string doc =
          head + std::string(4096 - head.size() - tag.size() - 1 - before - end.size(), ' ') + tag +
          ">" + std::string(before, 'x') + end + "<p>after the chunk</p>";
      ASSERT_EQ(0, Read(doc)) << tag << " " << before;
      EXPECT_EQ(alone, Table()) << tag << " " << before;
    }
  }
  // A tag whose ">" lies beyond the first chunk: the head does not end there. It is skipped and
  // said so, unless Head Size lets the reader read on.
  std::string head = "<html>\n<head>\n";
  std::string tag = "<meta name=\"N\" content=\"v\"";
  std::string doc = head + std::string(4096 - head.size() - tag.size(), ' ') + tag + "></head>";
  ui_.Clear();
  ResetDocumentTally();
  EXPECT_EQ(-1, Read(doc));
  EXPECT_TRUE(BoxLines().empty());
  EXPECT_EQ("0 changed, 0 unchanged, 1 skipped, 0 failed\nSkipped:\n  " + site_ / "doc.htm" +
                ": the head does not end within 4096 bytes (raise \"Head Size\")",
            DocumentTallySummary());
  HeadSize = 8192;
  EXPECT_EQ(0, Read(doc));
  EXPECT_EQ(Tags({"N|v|0"}), Table());
}

// Tags where only some are the page's: in a comment, with a ">" or a quote of the other kind in
// a value, without a name attribute, and in the body.
const std::string kOddPlaces =
    Doc("<!-- <meta name=\"Key\" content=\"c\"> --><meta name='Keya' content='a>b'>"
        "<meta http-equiv=\"Key\" content=\"say &quot;x&quot;\"><meta charset=\"Key\">"
        "<script>'<meta name=\"Keyb\">'</script>") +
    "<meta name=\"Key\" content=\"body\">";

bool KeptByTheFilter(const char* name) {
  // The names of the automatic tags are kept, as a filter must.
  for (const char* automatic : {"DC.Title", "DC.Identifier", "AD.Touched"})
    if (std::strcmp(name, automatic) == 0) return true;
  return std::strchr(name, 'a') != nullptr;
}

// A filtered read stores the tags a full read stores, less those the filter refuses, and fails
// where the full read fails: refused tags still take room in the table.
TEST_F(HeadReaderTest, FilteredReadKeepsTheAcceptedTagsOfTheFullRead) {
  auto keep = [](const char(&name)[32]) {
    std::string n(name, sizeof name);
    EXPECT_EQ(std::string(name).size(), n.find_last_not_of('\0') + 1) << "not zero-padded";
    return KeptByTheFilter(name);
  };
  auto metas = [](int count, const std::string& prefix) {
    std::string out;
    for (int i = 0; i < count; ++i)
      out += "<meta name=\"" + prefix + std::to_string(i) + "\" content=\"v\">\n";
    return out;
  };
  platform::CopyText(SiteURL, "http://www.example.org/");
  platform::CopyText(RootPath, site_.path());
  const std::string docs[] = {
      Doc("<meta name=\"a1\" content=\"x\"><META NAME=\"b\" CONTENT=\"y\">"
          "<meta name=\"DC.Title\" content=\"z\"><meta name=\"ab\" content=\"w\">"),
      Doc("<meta name=\"AD.Touched\" content=\"before\"><meta name=\"b\" content=\"c\">"),
      Doc(metas(70, "t")),                  // too many, none kept: the read fails all the same
      Doc(metas(62, "t") + metas(1, "a")),  // one record left for an automatic tag
      Doc(metas(63, "t")),
      Doc("<meta name=\"" + std::string(31, 'x') + "a\" content=\"cut before the a\">"),
      Doc("<meta name=\"$ctl\" content=\"x\"><meta name=\"AD.MapMe\" content=\"y\">"),
      Doc("<meta name=\"a\" content=\"broken\""),
      "<html>no head</html>",
      kOddPlaces,
  };
  for (int automatic : {0, kAutoTitle | kAutoIdentifier | kAutoTouched, int{kAutoTouched}})
    for (const std::string& doc : docs) {
      autotags = automatic;
      std::string path = site_ / "doc.htm";
      WriteFile(path, doc);
      ui_.Clear();
      InSiteMap = 0;
      int fullResult = ReadPageTagsAt(kWindow, -1, nullptr, path.c_str());
      Tags expected;
      for (int i = 0; i < Tagcount; ++i)
        if (KeptByTheFilter(PageTags[i].name))
          expected.push_back(Table(true)[static_cast<size_t>(i)]);
      std::vector<std::string> fullBoxes = BoxLines();
      int fullMap = InSiteMap;
      ui_.Clear();
      InSiteMap = 0;
      EXPECT_EQ(fullResult, ReadPageTagsAt(kWindow, -1, nullptr, path.c_str(), keep)) << doc;
      EXPECT_EQ(expected, Table(true)) << doc;
      EXPECT_EQ(fullBoxes, BoxLines()) << doc;
      EXPECT_EQ(fullMap, InSiteMap) << doc;
    }
  // The refused tags are forgotten after the read: a full table is available again.
  autotags = 0;
  ASSERT_EQ(0, Read(Doc(metas(63, "t"))));
  EXPECT_EQ(63, Tagcount);
}

bool KeptByNeedleFilter(const char (&name)[32]) {
  for (const char* automatic : {"DC.Title", "DC.Identifier", "AD.Touched"})
    if (std::strcmp(name, automatic) == 0) return true;
  return std::strstr(name, "Key") != nullptr;
}

// With needles the reader passes over tags that cannot be kept: it must store, report and mark
// exactly what it stores, reports and marks reading every tag, with either scan width.
TEST_F(HeadReaderTest, NeedlesChangeNothingAFilteredReadGives) {
  const char* texts[] = {"Key", "DC.Title", "DC.Identifier", "AD.Touched", nullptr};
  TagNeedles needles;
  PrepareTagNeedles(&needles, texts);
  ASSERT_GE(needles.groupCount, 0);
  auto many = [](int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
      out += "<meta name=\"t" + std::to_string(i) + "\" content=\"v\">\n";
    return out;
  };
  platform::CopyText(SiteURL, "http://www.example.org/");
  platform::CopyText(RootPath, site_.path());
  const std::string docs[] = {
      Doc("<meta name=\"Key\" content=\"a\"><meta name=\"other\" content=\"Key in a value\">"
          "<META HTTP-EQUIV=\"MyKeyWord\" CONTENT=\"b\"><meta name=\"kEy\" content=\"case\">"),
      // The kept name in an odd form, after attributes the shortcut does not take.
      Doc("<meta content=\"x\" name=\"Key2\"><meta name=\"b\" http-equiv=\"Keyed\" "
          "content=\"y\"><meta\nname=\"K\"\ncontent=\"ey\">"),
      // The sitemap's tag sets InSiteMap though nothing keeps it; in a value it does not.
      Doc("<meta name=\"AD.MapMe\" content=\"yes\"><meta name=\"x\" content=\"AD.MapMe\">"),
      Doc("<meta name=\"x\" content=\"AD.MapMe\">"),
      Doc("<meta name=\"DC.Title\" content=\"t\"><meta name=\"AD.Touched\" content=\"u\">"
          "<meta name=\"DC.Identifier\" content=\"w\"><meta name=\"DC.Titles\" content=\"z\">"),
      // A name cut at 31 characters loses a needle it held further on.
      Doc("<meta name=\"" + std::string(29, 'x') + "Key\" content=\"cut\">"),
      Doc(many(70)),                                        // the table fills up: every tag counts
      Doc(many(60) + "<meta name=\"Key\" content=\"k\">"),  // room for the automatic tags
      Doc(many(62) + "<meta name=\"Key\" content=\"k\">"),
      Doc("<meta name=\"a\" content=\"broken\""),
      Doc("<meta name=\"$Key\" content=\"control\"><meta name=\"Key\">"),
      "<html>no head</html>",
      kOddPlaces,
  };
  // Kept tags among others, their names falling at every place of a scanned block.
  std::vector<std::string> all(std::begin(docs), std::end(docs));
  for (size_t pad = 0; pad < 40; ++pad) {
    std::string fill(pad, 'k');
    all.push_back(Doc("<meta name=\"a\" content=\"" + fill + "\"><meta name=\"Key" + fill +
                      "\" content=\"v\"><meta name=\"b" + fill + "\" content=\"KEY\">" + many(3) +
                      "<meta name=\"" + fill + "Key\" content=\"w\">"));
  }
  struct Imports {
    const char* names;
    const char* values;
  };
  for (Imports imports : {Imports{"", ""}, Imports{"property", ""}, Imports{"", "data,"}})
    for (bool wide : {false, true})
      for (int automatic : {0, kAutoTitle | kAutoIdentifier | kAutoTouched})
        for (const std::string& doc : all) {
          platform::CopyText(CustomNameImports, imports.names);
          platform::CopyText(CustomValueImports, imports.values);
          UseWideReaderScans(wide);
          autotags = automatic;
          std::string path = site_ / "doc.htm";
          WriteFile(path, doc);
          auto read = [&](const TagNeedles* with) {
            ui_.Clear();
            InSiteMap = 0;
            int rc = ReadPageTagsAt(kWindow, -1, nullptr, path.c_str(),
                                    TagFilter{KeptByNeedleFilter, with});
            return std::make_tuple(rc, Table(true), BoxLines(), InSiteMap);
          };
          EXPECT_EQ(read(nullptr), read(&needles)) << doc << " wide " << wide;
        }
  UseWideReaderScans(true);
  CustomNameImports[0] = CustomValueImports[0] = '\0';

  // Needles the reader cannot search for leave every tag read; a needle longer than any name
  // can hold is no needle at all.
  const char* shortOne[] = {"Key", "ab", nullptr};
  PrepareTagNeedles(&needles, shortOne);
  EXPECT_EQ(-1, needles.groupCount);
  const std::string tooLong(40, 'x');
  const char* longOne[] = {"Key", tooLong.c_str(), nullptr};
  PrepareTagNeedles(&needles, longOne);
  EXPECT_EQ(2, needles.groupCount);  // "k-y" and the sitemap's "a-."
  const char* sameLead[] = {"DC.Title", "dc.TITLE", "DC.Identifier", nullptr};
  PrepareTagNeedles(&needles, sameLead);
  ASSERT_EQ(2, needles.groupCount);
  EXPECT_EQ(2, needles.groups[0].count);  // one "dc.title", one "dc.identifier"
}

// The 32-byte scans find what the 16-byte ones find, wherever the landmarks fall.
TEST_F(HeadReaderTest, WideAndNarrowScansReadTheSame) {
  platform::CopyText(SiteURL, "http://www.example.org/");
  platform::CopyText(RootPath, site_.path());
  autotags = kAutoTitle | kAutoIdentifier;
  std::vector<std::string> docs;
  std::string tag = "<META NAME=\"DC.Title\" CONTENT=\"v\">";
  for (size_t pad = 0; pad < 70; ++pad) {
    std::string fill(pad, 'x');
    docs.push_back("<html>" + fill + "<HEAD><title>T" + fill + "</title>" + tag + fill +
                   "<meta name=\"A\" content=\"" + fill +
                   "\"></head><meta name=\"After\" "
                   "content=\"a\"><p>" +
                   fill + "</p>");
    // The last tag's ">" near the end of the chunk, "<"s in the last bytes read.
    std::string head = "<html><head></head>";
    std::string last = "<meta name=\"End\" content=\"e\"";
    docs.push_back(head + std::string(4096 - head.size() - last.size() - 1 - pad % 40, ' ') + last +
                   ">" + std::string(pad % 40, '<'));
  }
  for (const std::string& doc : docs) {
    Tags narrow, wide;
    UseWideReaderScans(false);
    int narrowRc = Read(doc);
    narrow = Table();
    UseWideReaderScans(true);
    EXPECT_EQ(narrowRc, Read(doc)) << doc;
    EXPECT_EQ(narrow, Table()) << doc;
    EXPECT_FALSE(narrow.empty()) << doc;
  }
}

TEST(HeadReaderPaths, RecognisesTreeTagFiles) {
  EXPECT_TRUE(IsTreeTagPath("/site/meta.tag"));
  EXPECT_TRUE(IsTreeTagPath("/site/META.TAG"));
  EXPECT_TRUE(IsTreeTagPath("/site/Meta.Tag"));
  EXPECT_TRUE(IsTreeTagPath("/site/old.meta.tag.htm"));
  EXPECT_FALSE(IsTreeTagPath("/site/Meta.Tag.htm"));
  EXPECT_FALSE(IsTreeTagPath("/site/meta.htm"));
}

}  // namespace
