// The configuration commands of tagsteward-cli.
#include "app/cli_commands.h"
#include "config/settings.h"

int CmdSettings(CliContext& c) {
  for (const SettingKey& key : SettingKeys()) {
    std::string section = key.section == KeySection::Meta     ? "META"
                          : key.section == KeySection::Mailer ? "MAILER"
                                                              : SiteSectionName(CurrentConfig);
    std::fprintf(c.out, "%s\t%s\t%s\n", section.c_str(), key.name, SettingValueText(key).c_str());
  }
  return 0;
}

int CmdSites(CliContext& c) {
  for (int i = 0; i < ConfigCount; ++i)
    std::fprintf(c.out, "%s\n", ConfigIdx[i]);
  return 0;
}
