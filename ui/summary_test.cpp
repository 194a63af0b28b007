#include "ui/summary.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"
#include "ui/app_fonts.h"
#include "ui/main_window.h"

using namespace platform;

namespace {

class SummaryTest : public testing_support::ProgramFixture {
 protected:
  void TearDown() override {
    if (hwndMain) DestroyWindow(hwndMain);
    hwndMain = nullptr;
    ProgramFixture::TearDown();
  }

  // Paints the summary in a window of its own and returns the texts drawn, by position.
  std::map<std::pair<int, int>, CanvasCall> PaintSummary() {
    WindowSpec spec;
    spec.className = "panel";
    spec.rect = RectAt(0, 0, 640, 480);
    spec.style = kWindowVisible;
    WindowHandle w = CreateWindow(spec, [](WindowHandle h, unsigned m, WParam wp, LParam lp) {
      if (m == kMsgPaint) {
        DrawSummary(*PaintCanvas(lp), MakeFont("Title", 14, 700), MakeFont("Working", 12));
        return LResult{0};
      }
      return DefaultWindowProc(h, m, wp, lp);
    });
    ui_.ClearCanvas();
    UpdateWindow(w);
    std::map<std::pair<int, int>, CanvasCall> texts;
    for (const CanvasCall& c : ui_.canvasCalls()) {
      if (c.op == CanvasCall::Op::kText) {
        EXPECT_TRUE(c.style.transparent) << c.text;
        EXPECT_TRUE(texts.emplace(std::make_pair(c.from.x, c.from.y), c).second)
            << "two texts at " << c.from.x << "," << c.from.y;
      } else {
        frames_.push_back(c);
      }
    }
    DestroyWindow(w);
    return texts;
  }

  std::vector<CanvasCall> frames_;
};

std::string At(const std::map<std::pair<int, int>, CanvasCall>& texts, int x, int y) {
  auto it = texts.find({x, y});
  return it == texts.end() ? std::string("<none>") : it->second.text;
}

TEST_F(SummaryTest, ShowsTheSiteRulesAndDateChecksWhereTheyBelong) {
  ColourTitle = Rgb(1, 2, 3);
  ColourWorking = Rgb(4, 5, 6);
  CopyText(RootPath, "/srv/www/");
  CopyText(SiteURL, "www.example.org");
  CopyText(WebBrowser, "/usr/bin/browser");
  CopyText(MailQueue, "/var/queue/");
  CopyText(LogPath, "/var/log/ts/");
  strategy = 1;
  ExpiryRule = DateCheckRule{};
  CopyText(ExpiryRule.tag, "DC.Date.Expiry");
  ExpiryRule.days = 14;
  CopyText(ExpiryRule.adminEmail, "web@example.org");
  ReviewRule = DateCheckRule{};
  CopyText(ReviewRule.tag, "DC.Date.Review");
  ReviewRule.days = 30;
  CopyText(ReviewRule.ownerTag, "DC.Creator");
  CopyText(ReviewRule.adminEmail, "boss@example.org");

  auto texts = PaintSummary();
  EXPECT_EQ("Summary of Settings:", At(texts, 50, 22));
  EXPECT_EQ(Rgb(1, 2, 3), texts[std::make_pair(50, 22)].style.colour);
  EXPECT_STREQ("Title", texts[std::make_pair(50, 22)].style.font.faceName);
  EXPECT_EQ("Select SETUP from the menu to change these settings.", At(texts, 50, 330));
  EXPECT_EQ("SITE:", At(texts, 3, 3));
  EXPECT_EQ(Rgb(4, 5, 6), texts[std::make_pair(3, 3)].style.colour);
  EXPECT_EQ("Document Tree Root.............", At(texts, 50, 40));
  EXPECT_EQ("Expired Document Handling..", At(texts, 50, 185));
  EXPECT_EQ("Document Review Handling..", At(texts, 50, 250));
  EXPECT_STREQ("Working", texts[std::make_pair(50, 250)].style.font.faceName);

  EXPECT_EQ("/srv/www/", At(texts, 200, 40));
  EXPECT_EQ(Colour{0x00323232}, texts[std::make_pair(200, 40)].style.colour);
  EXPECT_EQ("www.example.org", At(texts, 200, 55));
  EXPECT_EQ("/usr/bin/browser", At(texts, 200, 70));
  EXPECT_EQ("/var/queue/", At(texts, 200, 85));
  EXPECT_EQ("/var/log/ts/", At(texts, 200, 100));

  EXPECT_EQ("Inherited tags may be duplicated only when flagged in schema.", At(texts, 200, 120));
  EXPECT_EQ("Page tags are NEVER duplicated.", At(texts, 200, 135));
  EXPECT_EQ("Local tags have priority when resolving duplicates.", At(texts, 200, 150));
  EXPECT_EQ("Existing page tags are NOT preserved.", At(texts, 200, 165));

  // Without an owner tag the administrator takes the owner's line.
  EXPECT_EQ("Page Expiry date is stored in tag <DC.Date.Expiry>", At(texts, 200, 185));
  EXPECT_EQ("Notify the following within 14 days of expiry date:", At(texts, 200, 200));
  EXPECT_EQ("-   Email Administrator at web@example.org", At(texts, 200, 215));
  EXPECT_EQ("<none>", At(texts, 200, 230));

  EXPECT_EQ("Page Review date is stored in tag <DC.Date.Review>", At(texts, 200, 250));
  EXPECT_EQ("Notify the following within 30 days of review date:", At(texts, 200, 265));
  EXPECT_EQ("-   Email Owner at address stored in tag <DC.Creator>", At(texts, 200, 280));
  EXPECT_EQ("-   Email Admin at boss@example.org", At(texts, 200, 295));
  EXPECT_EQ(27u, texts.size());  // 11 headings and labels, 16 values

  ASSERT_EQ(2u, frames_.size());
  EXPECT_EQ(CanvasCall::Op::kFrame, frames_[0].op);
  EXPECT_EQ((Rect{40, 37, 530, 117}), frames_[0].rect);
  EXPECT_EQ(Colour{0x00FAFAFA}, frames_[0].colour);
  EXPECT_EQ((Rect{41, 38, 531, 118}), frames_[1].rect);
  EXPECT_EQ(Colour{0}, frames_[1].colour);
}

TEST_F(SummaryTest, EveryBusinessRuleAndAnEmptyDateCheck) {
  ExpiryRule = DateCheckRule{};
  ReviewRule = DateCheckRule{};
  strategy = 2 | 4 | 16 | 32;
  auto texts = PaintSummary();
  EXPECT_EQ("Inherited tags - ANY may be duplicated.", At(texts, 200, 120));
  EXPECT_EQ("Page tags may be duplicated only when flagged in schema.", At(texts, 200, 135));
  EXPECT_EQ("Root tags have priority when resolving duplicates.", At(texts, 200, 150));
  EXPECT_EQ("Existing page tags are preserved.", At(texts, 200, 165));
  // No one to tell: only the tag and the days.
  EXPECT_EQ("Page Expiry date is stored in tag <>", At(texts, 200, 185));
  EXPECT_EQ("Notify the following within 0 days of expiry date:", At(texts, 200, 200));
  EXPECT_EQ("<none>", At(texts, 200, 215));

  strategy = 3 | 12;
  texts = PaintSummary();
  EXPECT_EQ("Inherited tags - ANY may be duplicated.", At(texts, 200, 120));
  EXPECT_EQ("Page tags - ANY may be duplicated.", At(texts, 200, 135));
  strategy = 0;
  texts = PaintSummary();
  EXPECT_EQ("Inherited tags are NEVER duplicated.", At(texts, 200, 120));
  EXPECT_EQ("Page tags are NEVER duplicated.", At(texts, 200, 135));
}

TEST_F(SummaryTest, ToggleHidesTheRowsWhateverTheWorkingDisplayAndRepaintsAll) {
  std::vector<Rect> painted;
  WindowSpec spec;
  spec.className = "main";
  spec.rect = RectAt(0, 0, 640, 480);
  spec.style = kWindowVisible;
  hwndMain = CreateWindow(spec, [&](WindowHandle h, unsigned m, WParam wp, LParam lp) {
    if (m == kMsgPaint) painted.push_back(PaintCanvas(lp)->area());
    return DefaultWindowProc(h, m, wp, lp);
  });
  ui_.PaintInvalid();
  painted.clear();

  showworking = 0;
  hidingcontrols = 0;
  EXPECT_EQ(1, ToggleSummary(1));
  EXPECT_EQ(1, hidingcontrols);
  EXPECT_EQ(0, showworking);
  ui_.PaintInvalid();
  ASSERT_EQ(1u, painted.size());
  EXPECT_EQ((Rect{0, 0, 640, 480}), painted[0]);

  EXPECT_EQ(0, ToggleSummary(0));
  EXPECT_EQ(0, hidingcontrols);
  EXPECT_EQ(0, showworking);
  ui_.PaintInvalid();
  EXPECT_EQ(2u, painted.size());
}

}  // namespace
