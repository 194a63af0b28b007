// A ProgramFixture with a document tree: RootPath is home_/site/, the tables are reserved and
// a small schema is loaded, the mail queue is home_/MailQ/.
#pragma once

#include <string>
#include <vector>

#include "tests/support/program_fixture.h"

namespace testing_support {

class SiteFixture : public ProgramFixture {
 protected:
  void SetUp() override;
  // A document with the given tags in its head, in the upper-case markup with CR LF.
  static std::string Doc(const std::vector<std::pair<std::string, std::string>>& tags,
                         const std::string& body = "<p>body</p>\r\n");
  // Writes a document (path below the site root).
  void Put(const std::string& relative, const std::string& content);
  std::string At(const std::string& relative) const { return site_ + "/" + relative; }

  std::string site_;  // without the trailing "/"
};

}  // namespace testing_support
