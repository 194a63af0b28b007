// The summary of settings: a read-only panel drawn in the main window instead of the editor rows.
#include "ui/summary.h"

#include "config/settings.h"
#include "platform/text.h"
#include "ui/app_fonts.h"
#include "ui/main_window.h"
#include "ui/text_fit.h"

using namespace platform;

namespace {

constexpr Colour kValueColour = 0x00323232;
constexpr int kValueX = 200;
constexpr int kValueWidth = 326;  // to the frame's right edge

// A value shortened in the middle to fit the panel, never drawn past its frame.
void Value(Canvas& dc, int y, std::string_view text, const TextStyle& style) {
  DrawFitted(dc, {kValueX, y}, text, style, kValueWidth);
}

TextStyle Transparent(const FontDescription& font, Colour colour) {
  TextStyle style;
  style.font = font;
  style.colour = colour;
  style.transparent = true;
  return style;
}

const char* InheritedRule(int rules) {
  switch (rules & 3) {
    case 0:
      return "Inherited tags are NEVER duplicated.";
    case 1:
      return "Inherited tags may be duplicated only when flagged in schema.";
    default:
      return "Inherited tags - ANY may be duplicated.";
  }
}

const char* PageRule(int rules) {
  switch ((rules >> 2) & 3) {
    case 0:
      return "Page tags are NEVER duplicated.";
    case 1:
      return "Page tags may be duplicated only when flagged in schema.";
    default:
      return "Page tags - ANY may be duplicated.";
  }
}

// One date-check rule: where its date is kept, then who is told, one line each.
void DrawDateRule(Canvas& dc, const TextStyle& style, const DateCheckRule& rule, int top,
                  const char* tagFormat, const char* daysFormat, const char* adminFormat) {
  Value(dc, top, Format(tagFormat, rule.tag), style);
  int y = top + 15;
  Value(dc, y, Format(daysFormat, rule.days), style);
  if (rule.ownerTag[0]) {
    y += 15;
    Value(dc, y, Format("-   Email Owner at address stored in tag <%s>", rule.ownerTag), style);
  }
  if (rule.adminEmail[0]) {
    y += 15;
    Value(dc, y, Format(adminFormat, rule.adminEmail), style);
  }
}

}  // namespace

int ToggleSummary(int show) {
  // The rows are hidden for the summary whatever the user chose for the working display.
  const int keep = showworking;
  showworking = 1;
  ShowEditRows(show == 1 ? 0 : 1);
  showworking = keep;
  if (hwndMain) InvalidateWindow(hwndMain, nullptr);
  return show;
}

void DrawSummary(Canvas& dc, const FontDescription& titleFont, const FontDescription& workingFont) {
  const TextStyle title = Transparent(titleFont, ColourTitle);
  dc.Text({50, 22}, "Summary of Settings:", title);
  dc.Text({50, 330}, "Select SETUP from the menu to change these settings.", title);

  const TextStyle label = Transparent(workingFont, ColourWorking);
  dc.Text({3, 3}, "SITE:", label);
  dc.Text({50, 40}, "Document Tree Root.............", label);
  dc.Text({50, 55}, "Site URL...............................", label);
  dc.Text({50, 70}, "Web Browser.......................", label);
  dc.Text({50, 85}, "Mail Queue..........................", label);
  dc.Text({50, 100}, "Logging Directory................", label);
  dc.Text({50, 120}, "Business Rules...................", label);
  dc.Text({50, 185}, "Expired Document Handling..", label);
  dc.Text({50, 250}, "Document Review Handling..", label);

  const TextStyle value = Transparent(workingFont, kValueColour);
  Value(dc, 40, RootPath, value);
  Value(dc, 55, SiteURL, value);
  Value(dc, 70, WebBrowser, value);
  Value(dc, 85, MailQueue, value);
  Value(dc, 100, LogPath, value);

  Value(dc, 120, InheritedRule(strategy), value);
  Value(dc, 135, PageRule(strategy), value);
  dc.Text({kValueX, 150},
          (strategy & 16) ? "Root tags have priority when resolving duplicates."
                          : "Local tags have priority when resolving duplicates.",
          value);
  dc.Text({kValueX, 165},
          (strategy & 32) ? "Existing page tags are preserved."
                          : "Existing page tags are NOT preserved.",
          value);

  DrawDateRule(
      dc, value, ExpiryRule, 185, "Page Expiry date is stored in tag <%s>",
      "Notify the following within %d days of expiry date:", "-   Email Administrator at %s");
  DrawDateRule(dc, value, ReviewRule, 250, "Page Review date is stored in tag <%s>",
               "Notify the following within %d days of review date:", "-   Email Admin at %s");

  // The etched frame around the site block.
  dc.FrameRect(Rect{40, 37, 530, 117}, Rgb(0xFA, 0xFA, 0xFA), 1);
  dc.FrameRect(Rect{41, 38, 531, 118}, Rgb(0, 0, 0), 1);
}
