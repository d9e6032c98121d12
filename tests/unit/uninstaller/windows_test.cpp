// The uninstaller's windows as the program's logic drives them: captions in English and after
// a language change, the option questions, the progress rows, the About window's version and
// language menu, the details window's layout rule, the splash placement and the ways out.
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/languages/language_tables.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;
using ui::Kind;

constexpr wchar_t kFolder[] = L"C:\\Tools";

class Windows : public UninstallerTest {
 protected:
  void SetUp() override {}
  void StartIdle() { ASSERT_FALSE(Start()); }
  void InstallLibrary(const std::wstring& code, platform::sim::StringTable table) {
    server.InstallLanguageLibrary(
        std::wstring(kFolder) + L"\\VelmarUninstall3xandUp_" + code + L".dll", std::move(table));
  }
  static platform::sim::StringTable German() {
    platform::sim::StringTable table;
    for (const auto& [id, text] : GermanStrings()) table[id] = text;
    return table;
  }
  // Every control with a caption identifier shows that identifier's text from the table.
  static void ExpectCaptions(const ui::Form& form, const platform::sim::StringTable& table) {
    for (const ui::ControlRow& control : form.table().controls) {
      if (control.caption_id == 0) continue;
      EXPECT_EQ(form.Caption(control.name), table.at(control.caption_id))
          << form.name() << "." << control.name;
    }
  }
  void OpenAbout() {
    views.WhenShown("frmAbout", [](ui::Form&) {});
    app->main.OnClick("About");
  }
};

TEST_F(Windows, MainWindowCaptionsInEnglish) {
  StartIdle();
  ExpectCaptions(app->main, EnglishTable());
  EXPECT_EQ(app->main.Caption(""), L"Velmar Uninstaller");
  for (std::string_view row : ui::kProgressRows) EXPECT_FALSE(app->main.Checked(row));
  EXPECT_FALSE(app->main.RemoveSubscriberInfo());
}

TEST_F(Windows, OptionKeptOnlyAfterNoYesNo) {
  StartIdle();
  const auto answer = [&](std::initializer_list<std::pair<std::uint32_t, int>> boxes) {
    app->main.SetChecked("chkRemoveSubscriberInfo", true);
    for (const auto& [id, button] : boxes) server.boxes.Expect(EnglishTable().at(id), button);
    app->main.OnClick("chkRemoveSubscriberInfo");
    return app->main.RemoveSubscriberInfo();
  };
  EXPECT_TRUE(answer({{2058, mb::kIdNo}, {2059, mb::kIdYes}, {2060, mb::kIdNo}}));
  EXPECT_FALSE(answer({{2058, mb::kIdYes}, {2062, mb::kIdOk}}));
  EXPECT_FALSE(answer({{2058, mb::kIdNo}, {2059, mb::kIdNo}, {2061, mb::kIdOk}}));
  EXPECT_FALSE(
      answer({{2058, mb::kIdNo}, {2059, mb::kIdYes}, {2060, mb::kIdYes}, {2062, mb::kIdOk}}));
  app->main.SetChecked("chkRemoveSubscriberInfo", false);
  app->main.OnClick("chkRemoveSubscriberInfo");  // clearing by hand: no question
  EXPECT_EQ(server.boxes.shown().back().text, EnglishTable().at(2062));
  EXPECT_EQ(server.boxes.shown().back().caption, L"Velmar Uninstaller");
}

TEST_F(Windows, ProgressRowsAndTheRunningSequence) {
  StartIdle();
  app->main.TickRow(3);
  EXPECT_TRUE(app->main.Checked("chkStopServices"));
  EXPECT_EQ(views.Of("frmMain")->refreshes["chkStopServices"], 1);
  app->main.TickRow(12);  // no such row
  app->main.SetSequenceRunning(true);
  EXPECT_FALSE(app->main.Enabled("cmdUninstall"));
  EXPECT_FALSE(app->main.Enabled("mnuHelp"));
  EXPECT_TRUE(app->main.Enabled("cmdExit")) << "Exit still ends the program";
  EXPECT_EQ(views.Of("frmMain")->busy_changes, std::vector<bool>{true});
  app->main.SetSequenceRunning(false);
  EXPECT_TRUE(app->main.Enabled("cmdUninstall"));
}

TEST_F(Windows, EveryWayOutWritesTheClosingLine) {
  for (const char* way : {"cmdExit", "mnuExit", "close box"}) {
    StartIdle();
    if (std::string_view(way) == "close box") {
      EXPECT_THROW(app->main.OnClose(), platform::ProgramEnd);
    } else {
      EXPECT_THROW(app->main.OnClick(way), platform::ProgramEnd);
    }
    const std::string log = Log();
    EXPECT_EQ(log.substr(log.rfind("\r\n", log.size() - 3) + 2, 23), "Exiting Application at:")
        << way;
  }
}

TEST_F(Windows, AboutShowsTheVersionAndNoLanguages) {
  StartIdle();
  OpenAbout();
  EXPECT_EQ(app->about.Caption("lblVersion"), L" 4.0 Build 34");
  ExpectCaptions(app->about, EnglishTable());
  ASSERT_EQ(app->about.DynamicMenu().size(), 1u);
  EXPECT_EQ(app->about.DynamicMenu()[0].caption, L"No languages loaded");
  EXPECT_EQ(app->about.DynamicMenu()[0].tag, L"1033");
  app->about.OnClick("lblChangeLanguage");
  EXPECT_EQ(views.Of("frmAbout")->popups, std::vector<std::string>{"mnuSelectLanguage"});
}

TEST_F(Windows, OneLibraryStillMeansNoLanguages) {
  InstallLibrary(L"ENU", EnglishTable());
  StartIdle();
  OpenAbout();
  ASSERT_EQ(app->about.DynamicMenu().size(), 1u);
  EXPECT_EQ(app->about.DynamicMenu()[0].caption, L"No languages loaded");
}

TEST_F(Windows, TwoLibrariesAndTheTddEntry) {
  InstallLibrary(L"DEU", German());
  InstallLibrary(L"ENU", EnglishTable());
  InstallLibrary(L"ENX", EnglishTable());
  server.locale.language_names[1031] = "German (Germany)";
  StartIdle();
  OpenAbout();
  const auto& menu = app->about.DynamicMenu();
  ASSERT_EQ(menu.size(), 3u);
  EXPECT_EQ(menu[0].caption, L"German (Germany)");
  EXPECT_EQ(menu[0].tag, L" 1031");
  EXPECT_EQ(menu[1].caption, L"English (United States)");
  EXPECT_EQ(menu[2].caption, L"English (TDD/TTY)");
  EXPECT_EQ(menu[2].tag, L" 33801");
}

TEST_F(Windows, ChangingTheLanguageRelabelsEveryLoadedWindow) {
  InstallLibrary(L"DEU", German());
  InstallLibrary(L"ENU", EnglishTable());
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  views.WhenShown("frmFailoverWarning", [](ui::Form& f) { f.OnClick("cmdProceed"); });
  StartIdle();
  views.WhenShown("frmDetails", [](ui::Form& f) { f.Hide(); });
  app->main.OnClick("Help");
  app->splash.ShowOver(app->main);
  OpenAbout();
  const std::wstring failover_title = app->failover.Caption("");
  app->about.OnMenuItem("mnuLanguageList", 0);  // the German entry
  const auto german = German();
  ExpectCaptions(app->main, german);
  ExpectCaptions(app->about, german);
  EXPECT_EQ(app->details.Caption(""), german.at(1001));
  ExpectCaptions(app->splash, german);
  EXPECT_EQ(app->failover.Caption(""), failover_title) << "the warning is passed over";
  EXPECT_NE(app->main.Caption("cmdUninstall"), EnglishTable().at(1006));
  for (const char* form : {"frmMain", "frmAbout", "frmDetails", "frmSplashScreen"}) {
    EXPECT_GE(views.Of(form)->repaints, 1) << form;
  }
  EXPECT_EQ(views.Of("frmFailoverWarning")->fonts.size(), 0u) << "takes no language fonts";
  EXPECT_EQ(views.Of("frmAbout")->busy_changes, (std::vector<bool>{true, false}));
  EXPECT_EQ(app->localize.current_language(), 1031u);
}

TEST_F(Windows, KoreanSetsItsFontOnEveryWindowThatTakesFonts) {
  server.locale.user_lang_id = 1042;
  StartIdle();
  const auto& fonts = views.Of("frmMain")->fonts;
  ASSERT_FALSE(fonts.empty());
  EXPECT_EQ(fonts.back().charset, 129);
  EXPECT_EQ(fonts.back().name, L"\uAD74\uB9BC");
}

TEST_F(Windows, OkOnlyHidesAboutTheCloseBoxUnloadsIt) {
  StartIdle();
  OpenAbout();
  views.WhenShown("frmAbout", [](ui::Form& f) { f.OnClick("cmdOK"); });
  app->main.OnClick("About");
  app->main.OnClick("About");  // nobody acts: the stand-in closes it with the close box
  EXPECT_EQ(views.loads["frmAbout"], 1) << "OK keeps it loaded";
  EXPECT_FALSE(app->about.loaded());
  OpenAbout();
  EXPECT_EQ(views.loads["frmAbout"], 2) << "the next opening loads it anew";
}

TEST_F(Windows, DetailsLayoutRule) {
  EXPECT_EQ(ui::LayOutDetails({0, 0, 9000, 8000}).browser, (ui::Rect{100, 1, 8800, 7600}));
  const auto small = ui::LayOutDetails({10, 20, 1000, 1000});
  EXPECT_EQ(small.window, (ui::Rect{10, 20, 2500, 2400}));
  EXPECT_EQ(small.browser, (ui::Rect{100, 1, 2300, 2000}));
}

TEST_F(Windows, DetailsWindowNavigatesAndFollowsResizes) {
  StartIdle();
  views.WhenShown("frmDetails", [](ui::Form&) {});
  app->main.OnClick("Help");
  EXPECT_EQ(app->details.Address(), L"file://C:\\Tools\\VelmarUninstall3xandUp.htm");
  FakeView& view = *views.Of("frmDetails");
  view.outer = {0, 0, 1200, 900};
  app->details.OnResize();
  EXPECT_EQ(view.outer, (ui::Rect{0, 0, 2500, 2400}));
  EXPECT_EQ(app->details.Place("browserHelp"), (ui::Rect{100, 1, 2300, 2000}));
  view.minimized = true;
  view.outer = {0, 0, 500, 300};
  app->details.OnResize();
  EXPECT_EQ(app->details.Place("browserHelp"), (ui::Rect{100, 1, 2300, 2000}))
      << "a minimised window keeps the browser's size";
}

TEST_F(Windows, SplashSitsOnTopOfTheMainWindow) {
  StartIdle();
  views.Of("frmMain")->outer = {3000, 1500, 7740, 5100};
  app->splash.ShowOver(app->main);
  FakeView& splash = *views.Of("frmSplashScreen");
  EXPECT_TRUE(splash.visible);
  EXPECT_TRUE(splash.topmost);
  EXPECT_EQ(splash.outer.left, 3200);
  EXPECT_EQ(splash.outer.top, 2000);
  EXPECT_EQ(app->splash.Caption("frameMain"), EnglishTable().at(2056));
  app->splash.SetProgress(0, 10, 4);
  EXPECT_EQ(splash.refreshes["ProgressBar1"], 1);
}

}  // namespace
}  // namespace uninstaller::testing
