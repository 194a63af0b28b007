#include "schema/site_tags_dialog.h"

#include <string>

#include "platform/text.h"
#include "ui/app_fonts.h"
#include "ui/skins.h"

namespace {

using platform::ControlKind;
using platform::RectAt;

constexpr int kSkinColumn = 0;

}  // namespace

platform::DialogTemplate SiteTagsTemplate() {
  platform::DialogTemplate t;
  t.title = "System Wide Meta-tags";
  t.width = 400;
  t.height = 240;
  t.skinColumn = kSkinColumn;
  t.controls = {
      {kIdSiteTagsText, ControlKind::kStatic,
       " Enter values for the following metatags.\n These metatags  will apply to all documents "
       "in the\n document tree.",
       RectAt(15, 10, 370, 52), 0},
      {kIdSiteCorporateName, ControlKind::kEdit, "", RectAt(140, 72, 245, 22),
       platform::kStyleAutoScroll},
      {kIdSiteIndustry, ControlKind::kComboBox, "", RectAt(140, 104, 245, 90),
       platform::kStyleAlwaysOpen | platform::kStyleSorted},
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(160, 204, 80, 24),
       platform::kStyleDefaultButton},
  };
  return t;
}

int RunSiteTagsDialog(platform::WindowHandle owner, SiteTagValues* values) {
  const platform::DialogTemplate t = SiteTagsTemplate();
  const int columns = (t.width + 79) / 80;
  const int rows = (t.height + 79) / 80;
  auto proc = [&](platform::WindowHandle d, unsigned message, platform::WParam wparam,
                  platform::LParam lparam) -> platform::LResult {
    switch (message) {
      case platform::kMsgInitDialog: {
        platform::WindowHandle list = platform::FindControl(d, kIdSiteIndustry);
        platform::ClearList(list);
        for (const std::string& line : ReadIndustryList())
          platform::AddListItem(list, line);
        return 1;
      }
      case platform::kMsgPaint: {
        platform::Canvas& dc = *platform::PaintCanvas(lparam);
        PaintSkin(dc, columns, rows, kSkinColumn);
        const platform::TextStyle style{FontMain, ColourMain, true};
        dc.Text({15, 75}, "Corporate Name", style);
        dc.Text({15, 107}, "Industry", style);
        return 1;
      }
      case platform::kMsgCommand: {
        const int id = static_cast<int>(platform::LowWord(wparam));
        if (id == platform::kCommandCancel) return 1;  // there is no way out but OK
        if (id != platform::kCommandOk) return 0;
        SiteTagValues given{};
        // The edit field holds at most 255 characters.
        platform::CopyText(given.corporateName, 256,
                           platform::ControlText(d, kIdSiteCorporateName));
        platform::CopyText(given.industry, platform::ControlText(d, kIdSiteIndustry));
        if (SiteTagsAccepted(given.corporateName, given.industry)) {
          *values = given;
          platform::EndDialog(d, platform::kCommandOk);
        }
        return 1;
      }
    }
    return 0;
  };
  return platform::RunDialog(owner, t, proc, 0) == platform::kCommandOk ? 1 : 0;
}
