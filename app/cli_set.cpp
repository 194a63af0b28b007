// tagsteward-cli set: one setting, checked as the dialog that sets it checks it.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "config/settings_dialogs.h"
#include "config/site_paths.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& ch : out)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return out;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

int SetUsage(CliContext& c, const std::string& problem) {
  std::fprintf(c.err,
               "tagsteward-cli: %s\nusage: tagsteward-cli set KEY VALUE   (a key of section "
               "META or of the current site; see: tagsteward-cli settings)\n",
               problem.c_str());
  return 2;
}

}  // namespace

int CmdSet(CliContext& c) {
  if (c.args.size() != 2) return SetUsage(c, "set needs a KEY and a VALUE");
  const std::string wanted = Lower(c.args[0]);
  const SettingKey* key = nullptr;
  const SettingKey* nearest = nullptr;
  size_t best = SIZE_MAX;
  for (const SettingKey& k : SettingKeys()) {
    if (k.section == KeySection::Mailer) continue;
    // Key names match without regard to case, as in the file.
    const std::string name = Lower(k.name);
    if (name == wanted) key = &k;
    const size_t distance = EditDistance(wanted, name);
    if (distance < best) best = distance, nearest = &k;
  }
  if (!key) {
    return SetUsage(c, platform::Format("there is no key \"%s\" in section META or a site "
                                        "section; the nearest is \"%s\"",
                                        c.args[0].c_str(), nearest->name));
  }
  if (std::string_view(key->name) == "Current Config")
    return SetUsage(c, "the current site is chosen with: tagsteward-cli site use NAME");

  std::string value;
  const std::string problem = CheckSettingValue(*key, c.args[1], &value);
  if (!problem.empty()) {
    std::fprintf(c.err, "tagsteward-cli: \"%s\" %s; nothing was written\n", key->name,
                 problem.c_str());
    return 1;
  }
  const std::string old = SettingValueText(*key);
  if (key->isInt) {
    *key->number = std::stoi(value);
  } else {
    platform::CopyText(key->text, key->width, value);
  }
  // A root the tasks refuse is refused here too (the check tells why).
  if (std::string_view(key->name) == "Root Path" &&
      (!platform::DirExists(value) || CheckSiteRoot(nullptr) != 0)) {
    if (!platform::DirExists(value))
      std::fprintf(c.err, "tagsteward-cli: the directory %s does not exist\n", value.c_str());
    std::fprintf(c.err, "tagsteward-cli: \"Root Path\" was not changed\n");
    return 1;
  }
  if (WriteSetting(*key) != 0) return 1;
  const std::string section =
      key->section == KeySection::Meta ? "META" : SiteSectionName(CurrentConfig);
  std::fprintf(c.out, "[%s] %s=%s (was %s)\n", section.c_str(), key->name, value.c_str(),
               old.c_str());
  return 0;
}
