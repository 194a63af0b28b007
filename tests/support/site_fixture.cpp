#include "tests/support/site_fixture.h"

#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "schema/schema.h"

namespace testing_support {

void SiteFixture::SetUp() {
  ProgramFixture::SetUp();
  site_ = home_ / "site";
  WriteFile(site_ + "/.keep", "");
  platform::CopyText(RootPath, site_ + "/");
  platform::CopyText(CurrentConfig, "Test Site");
  platform::CopyText(SiteURL, "http://www.example.org/");
  platform::CopyText(Sitemapfile, site_ + "/Sitemap.htm");
  platform::CopyText(MailQueue, home_ / "MailQ/");
  WriteFile(home_ / "MailQ/.keep", "");
  WriteFile(home_ / "META.IDX",
            "# test schema\r\nDC.Title,M\r\nDC.Creator.Contact,A\r\nKeywords,A\r\n"
            "AD.Review Date,D\r\nAD.Expiry Date,D\r\nDC.Identifier, {[,URI]}\r\n");
  ASSERT_EQ(0, ReserveSchemaTables());
  ASSERT_EQ(0, ReservePageTags());
  ASSERT_EQ(0, LoadSchema());
  ResetPageTags();
}

std::string SiteFixture::Doc(const std::vector<std::pair<std::string, std::string>>& tags,
                             const std::string& body) {
  std::string out = "<HTML>\r\n<HEAD>\r\n<TITLE>t</TITLE>\r\n";
  for (const auto& [name, value] : tags)
    out += "<meta HTTP-EQUIV=\"" + name + "\" CONTENT=\"" + value + "\">\r\n";
  out += "</HEAD>\r\n<BODY>\r\n" + body + "</BODY>\r\n</HTML>\r\n";
  return out;
}

void SiteFixture::Put(const std::string& relative, const std::string& content) {
  WriteFile(At(relative), content);
}

}  // namespace testing_support
