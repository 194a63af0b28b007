#include "config/date_rules_dialog.h"

#include <string>
#include <string_view>

#include "config/settings.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "ui/app_fonts.h"
#include "ui/skins.h"

namespace {

using platform::ControlKind;
using platform::RectAt;

constexpr int kSkinColumn = 160;

constexpr const char* kExpiryIntro =
    "  Specify who is to be advised when a document expires.\n"
    "  Dates must be in the format YYYYMMDD (eg 19990601)";
constexpr const char* kReviewIntro =
    "  Specify who is to be advised when documents are due for review.\n"
    "  Dates must be in the format YYYYMMDD (eg 19990601)";

void FillSchemaNames(platform::WindowHandle combo) {
  for (int i = 0; SchemaIndex && i < SchemaTagCount; ++i)
    platform::AddListItem(combo, SchemaIndex[i].name);
}

// A box's field follows the box: enabled when ticked, emptied and disabled when not.
void ApplyBox(platform::WindowHandle d, int box, int field) {
  const bool ticked = platform::CheckStateOf(d, box) == platform::kChecked;
  if (!ticked) platform::SetControlText(d, field, "");
  platform::EnableControl(d, field, ticked);
}

}  // namespace

int DaysFieldValue(std::string_view text) {
  text = platform::TrimBlanks(text);
  if (text.empty() || text.size() > 9) return 0;  // nine digits always fit
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

platform::DialogTemplate WebManagementTemplate(int commandId) {
  const bool review = commandId == kCmdDateRulesReview;
  platform::DialogTemplate t;
  t.title =
      review ? "Web Management - Documents due for Review" : "Web Management - Expired Documents";
  t.width = 480;
  t.height = 340;
  t.skinColumn = kSkinColumn;
  const unsigned combo = platform::kStyleEditableCombo;
  t.controls = {
      {kIdRuleDateTag, ControlKind::kComboBox, "", RectAt(20, 78, 300, 22), combo},
      {kIdRuleDays, ControlKind::kEdit, "", RectAt(160, 110, 50, 22), 0},
      {kIdRuleOwnerBox, ControlKind::kCheckBox, "", RectAt(20, 147, 16, 16), 0},
      {kIdRuleOwnerTag, ControlKind::kComboBox, "", RectAt(42, 187, 300, 22), combo},
      {kIdRuleAdminBox, ControlKind::kCheckBox, "", RectAt(20, 222, 16, 16), 0},
      {kIdRuleAdminEmail, ControlKind::kEdit, "", RectAt(42, 262, 300, 22),
       platform::kStyleAutoScroll},
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(290, 302, 80, 24),
       platform::kStyleDefaultButton},
      {platform::kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(380, 302, 80, 24), 0},
  };
  return t;
}

int WebManagementDialog(platform::WindowHandle owner, int commandId) {
  if (commandId != kCmdDateRulesExpiry && commandId != kCmdDateRulesReview) return -1;
  const bool review = commandId == kCmdDateRulesReview;
  DateCheckRule& rule = review ? ReviewRule : ExpiryRule;
  const platform::DialogTemplate t = WebManagementTemplate(commandId);
  const int columns = (t.width + 79) / 80;
  const int rows = (t.height + 79) / 80;
  auto proc = [&](platform::WindowHandle d, unsigned message, platform::WParam wparam,
                  platform::LParam lparam) -> platform::LResult {
    switch (message) {
      case platform::kMsgInitDialog:
        FillSchemaNames(platform::FindControl(d, kIdRuleDateTag));
        FillSchemaNames(platform::FindControl(d, kIdRuleOwnerTag));
        platform::SetControlText(d, kIdRuleDateTag, rule.tag);
        platform::SetControlText(d, kIdRuleDays, std::to_string(rule.days));
        platform::SetControlText(d, kIdRuleOwnerTag, rule.ownerTag);
        platform::SetControlText(d, kIdRuleAdminEmail, rule.adminEmail);
        // An empty owner tag or address means that mail is off: its box starts unticked.
        platform::SetCheck(d, kIdRuleOwnerBox,
                           rule.ownerTag[0] ? platform::kChecked : platform::kUnchecked);
        platform::SetCheck(d, kIdRuleAdminBox,
                           rule.adminEmail[0] ? platform::kChecked : platform::kUnchecked);
        ApplyBox(d, kIdRuleOwnerBox, kIdRuleOwnerTag);
        ApplyBox(d, kIdRuleAdminBox, kIdRuleAdminEmail);
        return 1;
      case platform::kMsgPaint: {
        platform::Canvas& dc = *platform::PaintCanvas(lparam);
        PaintSkin(dc, columns, rows, kSkinColumn);
        const platform::TextStyle style{FontMain, ColourMain, true};
        // One line at a time: the intro breaks where its text says, not where a box would.
        std::string_view intro = review ? kReviewIntro : kExpiryIntro;
        for (int y = 12; !intro.empty(); y += 18) {
          const size_t end = intro.find('\n');
          dc.Text({10, y}, intro.substr(0, end), style);
          intro = end == std::string_view::npos ? std::string_view() : intro.substr(end + 1);
        }
        dc.Text({20, 60},
                review ? "Select the Metatag containing the Document Review Date"
                       : "Select the Metatag containing the Document Expiry Date",
                style);
        dc.Text({20, 113}, "Email if fewer than", style);
        dc.Text({220, 113}, "days remain", style);
        dc.Text({42, 147}, "Email the document owner (One email for each document)", style);
        dc.Text({42, 169}, "Select the Metatag containing the Owner's email addr.", style);
        dc.Text({42, 222}, "Email the Web Administrator (One email lists ALL documents)", style);
        dc.Text({42, 244}, "Enter the email address of the Administrator", style);
        return 1;
      }
      case platform::kMsgCommand: {
        const int id = static_cast<int>(platform::LowWord(wparam));
        switch (id) {
          case kIdRuleOwnerBox:
            ApplyBox(d, kIdRuleOwnerBox, kIdRuleOwnerTag);
            return 1;
          case kIdRuleAdminBox:
            ApplyBox(d, kIdRuleAdminBox, kIdRuleAdminEmail);
            return 1;
          case platform::kCommandOk:
            platform::CopyText(rule.tag, platform::ControlText(d, kIdRuleDateTag));
            rule.days = DaysFieldValue(platform::ControlText(d, kIdRuleDays));
            platform::CopyText(rule.ownerTag, platform::ControlText(d, kIdRuleOwnerTag));
            platform::CopyText(rule.adminEmail, platform::ControlText(d, kIdRuleAdminEmail));
            platform::EndDialog(d, platform::kCommandOk);
            return 1;
          case platform::kCommandCancel:
            platform::EndDialog(d, platform::kCommandCancel);
            return 1;
        }
        return 0;
      }
    }
    return 0;
  };
  return platform::RunDialog(owner, t, proc, 0);
}
