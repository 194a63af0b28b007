#include "plugins/host.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "config/settings.h"
#include "tests/support/site_fixture.h"
#include "tree/tasks.h"
#include "ui/main_window.h"

using namespace platform;
using testing_support::ReadFile;

namespace {

class PluginHostTest : public testing_support::SiteFixture {
 protected:
  void TearDown() override {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    ResetPluginHost();
    SetDateRulesDialog(nullptr);
    SiteFixture::TearDown();
  }
  // Puts the built test plug-in `built` into the start-up directory as `as`.
  void Install(const std::string& built, const std::string& as) {
    std::filesystem::copy_file(std::string(std::getenv("TS_TEST_BIN_DIR")) + "/" + built + ".TSP",
                               home_ / as);
  }
  // Creates the main window, shows it and lets the deferred start-up run.
  void Start() {
    window_ = CreateMainWindow();
    ASSERT_NE(nullptr, window_);
    ShowWindow(window_, ShowState::kShow);
    UpdateWindow(window_);
    for (int i = 0; i < 100 && PumpOneMessage(window_); ++i) {
    }
  }
  static std::string Log(int index) {
    auto log = reinterpret_cast<const char* (*)()>(FindExport(Plugins[index].module, "TpLog"));
    return log ? log() : "";
  }
  // The Plugins popup as "text=id" items ("text[WxH]=id" with an image), "-" for a separator;
  // "" when there is none.
  std::string PluginsMenuText() const {
    std::vector<MenuItem> bar = MenuItems(WindowMenu(window_));
    if (bar.size() < 5 || bar[4].text != "Plugins") return "";
    std::string text;
    for (const MenuItem& item : MenuItems(bar[4].submenu))
      text += item.separator
                  ? "-,"
                  : item.text +
                        (item.image.empty() ? ""
                                            : "[" + std::to_string(item.image.width) + "x" +
                                                  std::to_string(item.image.height) + "]") +
                        "=" + std::to_string(item.id) + ",";
    return text;
  }
  LResult Request(WParam sender, CpiBlock block) {
    return SendMessage(window_, TSP_MSG_PLUGIN_REQUEST, sender, reinterpret_cast<LParam>(&block));
  }
  WindowHandle window_ = nullptr;
};

TEST_F(PluginHostTest, LoadsTheStartUpDirectorysPlugins) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> installs;  // built, installed as
    int options;
    std::string box;  // the start of the first box shown
    std::string got;  // "caption:id," per slot, the timer's slot, menu items, plug-in 0's log
  };
  const Case cases[] = {
      {{{"TestPlain", "Plain.TSP"}, {"FakeTimers", "Timers.TSP"}}, kOptNoPlugins, "", " -1  "},
      {{{"TestPlain", "A.TSP"}, {"FakeTimers", "B.TSP"}},
       0,
       "Error loading plugin - A.TSP|",
       "Timed events for tests:1001, 0 Timed events for tests=8000, "
       "cpi 0 1 0;cpi 5 1 2;context;timer started;entry;"},
      {{{"TestPlain", "plain.tsp"}}, 0, "", "Plain:-1, -1 Plain=8000, entry;"},
      {{{"TestSilent", "Silent.TSP"}},
       0,
       "CRITICAL ERROR!|M016:Tagsteward could not locate the Plugin entry point",
       "Silent:-1, -1 Silent=8000, cpi 0 1 0;"},
      {{{"TestHost", "Host.TSP"}},
       0,
       "",
       "Claims the host:-1, -1 Claims the host=8000, cpi 0 1 0;entry;"},
  };
  for (const Case& c : cases) {
    for (const auto& [built, as] : c.installs)
      Install(built, as);
    if (c.installs[0].second == "A.TSP") testing_support::WriteFile(home_ / "A.TSP", "not ELF");
    // Neither a directory nor a link that never ends is a plug-in.
    std::filesystem::create_directory(home_ / "Dir.TSP");
    std::filesystem::create_symlink("Loop.TSP", home_ / "Loop.TSP");
    AppOptions = c.options;
    ui_.Clear();
    Start();
    SendMessage(window_, kMsgCommand, MakeWParam(kCmdOpenPlugin, 0), 0);
    std::string got;
    for (int i = 0; i < PluginCount; ++i)
      got += std::string(Plugins[i].caption) + ":" + std::to_string(Plugins[i].id) + ",";
    got += " " + std::to_string(timerenabled) + " " + PluginsMenuText() + " " +
           (PluginCount ? Log(0) : "");
    EXPECT_EQ(c.got, got);
    std::vector<std::string> boxes = BoxLines();
    EXPECT_EQ(c.box, boxes.empty() ? "" : boxes[0].substr(0, c.box.size())) << c.got;
    EXPECT_EQ(boxes.empty(), c.box.empty()) << c.got;
    DestroyWindow(window_);
    for (const auto& [built, as] : c.installs)
      std::filesystem::remove(home_ / as);
    std::filesystem::remove(home_ / "Dir.TSP");
    std::filesystem::remove(home_ / "Loop.TSP");
  }
}

TEST_F(PluginHostTest, ExportedTasksGetMenuItemsAndRunAtTheirOwner) {
  struct Case {
    std::string built;
    int options;
    std::string menu;
  };
  const Case cases[] = {
      {"TestTasks", 0, "Tasks[2x1]=8000,-,Tidy the news=8104,Count the pages=8105,"},
      {"TestTasks", kOptNoCpiExportMenu, "Tasks[2x1]=8000,"},
      {"TestPlain", 0, "Plain=8000,"},  // only the host's four: no separator
  };
  for (const Case& c : cases) {
    const std::string as = c.built + std::to_string(c.options) + ".TSP";  // a fresh module
    Install(c.built, as);
    AppOptions = c.options;
    Start();
    EXPECT_EQ(c.menu, PluginsMenuText()) << c.built << " " << c.options;
    SendMessage(window_, kMsgCommand, MakeWParam(kCmdRunExportedTask + 5, 0), 0);
    EXPECT_EQ(c.built == "TestTasks", Log(0).find("run 1;") != std::string::npos);
    DestroyWindow(window_);
    std::filesystem::remove(home_ / as);
  }
}

TEST_F(PluginHostTest, RequestsAreCheckedAndRegistrationsBounded) {
  Install("TestMany", "Many.TSP");
  Start();
  // Sixty names offered, fifty slots in all, names cut to 31 characters.
  ASSERT_EQ(kMaxExportedTasks, ExportedTaskCount);
  EXPECT_STREQ("Task 00 with a name longer than", ExportedTasks[4].name);
  EXPECT_EQ(9, ExportedTasks[49].owner);
  EXPECT_EQ(45, ExportedTasks[49].command);
  ExportedTaskCount = 4;
  static const char names[] = "One\0Two";
  const intptr_t list = reinterpret_cast<intptr_t>(names);
  const struct {
    WParam sender;
    CpiBlock block;
    int count;
  } requests[] = {
      {9, {2, 9, 15, list, 2, 0}, 4},  // w0 not 1
      {9, {1, 8, 15, list, 2, 0}, 4},  // w1 not the sender
      {9, {1, 9, 16, list, 2, 0}, 4},  // unknown command
      {9, {1, 9, 15, 0, 2, 0}, 4},     // no name list
      {1, {1, 1, 15, list, 2, 0}, 4},  // the host's own id
      {9, {1, 9, 15, list, 2, 0}, 6},
  };
  for (const auto& r : requests) {
    Request(r.sender, r.block);
    EXPECT_EQ(r.count, ExportedTaskCount) << r.block.w0 << r.block.w1 << r.block.w2;
  }
  EXPECT_STREQ("Two", ExportedTasks[5].name);
}

TEST_F(PluginHostTest, TimedReviewRunsAsTheMenuDoesWithoutDialogOrQuestions) {
  static int dialogs = 0;
  SetDateRulesDialog([](WindowHandle, int) {
    ++dialogs;
    return 1;
  });
  Put("page.htm", Doc({{"AD.Review Date", "19990501"}, {"DC.Creator.Contact", "o@x"}}));
  Start();
  ui_.SetAnswerYes(true);  // "Proceed?"
  SendMessage(window_, kMsgCommand, MakeWParam(kTaskReview, 0), 0);
  const std::string byMenu = ReadFile(home_ / "Review.htm");
  ASSERT_EQ(1, dialogs);
  std::filesystem::remove(home_ / "Review.htm");
  ui_.Clear();
  ui_.SetAnswerYes(false);
  testing_support::WriteFile(home_ / "META.INI", "[MAILER]\nMail Queue=/queue/\n");
  ASSERT_TRUE(TakeBusyWord(TSP_TIMER_ID));
  gPluginContext.requestPending = 1;
  Request(TSP_TIMER_ID, {1, TSP_TIMER_ID, 4, 1, kTaskReview, 0});
  EXPECT_EQ(byMenu, ReadFile(home_ / "Review.htm"));
  EXPECT_EQ(0, gPluginContext.requestPending);
  std::filesystem::remove(home_ / "Review.htm");
  gPluginContext.requestPending = 1;  // the timer's own menu command
  SendMessage(window_, kMsgCommand, MakeWParam(kTaskReview, 0), 0);
  EXPECT_EQ(byMenu, ReadFile(home_ / "Review.htm"));
  EXPECT_EQ(1, dialogs);
  SendMessage(window_, TSP_MSG_RELOAD_MAIL_QUEUE, 0, 0);
  EXPECT_TRUE(BoxLines().empty());  // nobody is there to answer
  EXPECT_EQ(TSP_TIMER_ID, gPluginContext.busy);
  ReleaseBusyWord(TSP_TIMER_ID);
  SendMessage(window_, TSP_MSG_RELOAD_MAIL_QUEUE, 0, 0);
  EXPECT_STREQ("/queue/", MailQueue);
  EXPECT_EQ(std::vector<std::string>{"NOTE|Tagsteward has reloaded the Mail Queue Path."},
            BoxLines());
}

TEST_F(PluginHostTest, TheExamplePluginGreetsAndRunsItsTask) {
  Install("Example", "Example.TSP");
  Start();
  ASSERT_EQ("Hello example=8000,-,Write the hello line=8104,", PluginsMenuText());
  EXPECT_TRUE(ui_.ChooseMenuCommand(window_, kCmdOpenPlugin));
  EXPECT_TRUE(ui_.ChooseMenuCommand(window_, kCmdRunExportedTask + 4));
  for (int i = 0; i < 10 && PumpOneMessage(window_); ++i) {
  }
  EXPECT_EQ(std::vector<std::string>{"Example plug-in|Hello from the example plug-in.\n\nThe "
                                     "current site is Test Site"},
            BoxLines());
  EXPECT_NE(
      std::string::npos,
      ReadFile(home_ / "Example.log").find(" hello from the example plug-in, site Test Site\n"));
}

TEST(PluginBitmap, DecodesTheBmpsPluginsGive) {
  // 2 x 2, 24 bits, bottom-up: rows padded to 8 bytes.
  std::vector<unsigned char> bmp(54 + 16, 0);
  bmp[0] = 'B', bmp[1] = 'M', bmp[10] = 54, bmp[14] = 40, bmp[18] = 2, bmp[22] = 2, bmp[26] = 1;
  bmp[28] = 24;
  const unsigned char pixels[16] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 1, 2, 3, 0, 0};
  std::copy(pixels, pixels + 16, bmp.begin() + 54);
  Bitmap out;
  ASSERT_TRUE(DecodeBmp(bmp.data(), bmp.size(), &out));
  EXPECT_EQ((std::vector<Colour>{Rgb(0, 0, 255), Rgb(3, 2, 1), Rgb(255, 0, 0), Rgb(0, 255, 0)}),
            out.pixels);
  EXPECT_FALSE(DecodeBmp(bmp.data(), bmp.size() - 1, &out));  // rows cut short
  EXPECT_TRUE(out.empty());
  bmp[22] = 0xFF, bmp[23] = 0xFF, bmp[24] = 0xFF, bmp[25] = 0x7F;  // absurd height
  EXPECT_FALSE(DecodeBmp(bmp.data(), bmp.size(), &out));
}

}  // namespace
