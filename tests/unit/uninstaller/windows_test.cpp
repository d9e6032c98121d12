// The uninstaller's windows as the program's logic drives them: captions in English and after
// a language change, the option questions, the progress rows, the About window's version and
// language menu, the details window's layout rule, the splash placement and the ways out.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/sim/windows_programs.h"
#include "platform/text.h"
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

// A real Uninstall press on a machine whose programs answer: the window while the run is on.
class RunningPress : public Windows {
 protected:
  void SetUp() override {
    platform::sim::InstallWindowsPrograms(server);
    server.InstallProgram(L"C:\\Tools\\kill.exe", platform::sim::KillProgram());
    server.InstallProgram(L"C:\\Tools\\PelletSetup.exe", platform::sim::RunsFor(3000));
  }
  void Questions() {
    for (std::uint32_t id : {2012u, 2002u, 2003u, 2004u})
      server.boxes.Expect(EnglishTable().at(id), mb::kIdYes);
  }
  // Presses Uninstall and, one second into the TSP step, acts as the user; true when the
  // program ended.
  bool PressAndMeanwhile(std::function<void()> act) {
    bool acted = false;
    server.At(server.now_ms() + 1000, [&, act] {
      acted = true;
      act();
    });
    bool ended = false;
    try {
      app->main.OnClick("cmdUninstall");
    } catch (const platform::ProgramEnd&) {
      ended = true;
    }
    EXPECT_TRUE(acted) << "the run was over before the user acted";
    return ended;
  }
  std::size_t BoxesShown(std::uint32_t id) const {
    const auto& shown = server.boxes.shown();
    return static_cast<std::size_t>(std::count_if(shown.begin(), shown.end(), [&](const auto& box) {
      return box.text == EnglishTable().at(id);
    }));
  }
};

TEST_F(RunningPress, NothingButExitCanBeClickedWhileTheSequenceRuns) {
  StartIdle();
  Questions();
  server.boxes.ExpectAny(mb::kIdCancel);  // the closing summary
  const bool ended = PressAndMeanwhile([&] {
    EXPECT_FALSE(app->main.Enabled("cmdUninstall"));
    EXPECT_FALSE(app->main.Enabled("mnuFile"));
    EXPECT_FALSE(app->main.Enabled("mnuHelp"));
    EXPECT_TRUE(app->main.Enabled("cmdExit"));
    EXPECT_EQ(views.Of("frmMain")->busy_changes, std::vector<bool>{true}) << "hourglass";
    for (const char* control : {"cmdUninstall", "mnuExit", "Help", "About"}) {
      app->main.OnClick(control);  // must do nothing: a nested run, an exit or a window
    }
  });
  EXPECT_TRUE(ended) << "the run goes on to its own end";
  EXPECT_EQ(BoxesShown(2012), 1u) << "a second press asked its first question again";
  EXPECT_EQ(server.Started(L"C:\\Tools\\PelletSetup.exe").size(), 1u);
  EXPECT_EQ(views.loads["frmAbout"], 0);
  EXPECT_EQ(views.loads["frmDetails"], 0);
}

TEST_F(RunningPress, ExitAndTheCloseBoxEndTheRunAfterTheClosingLine) {
  for (const char* way : {"cmdExit", "close box"}) {
    StartIdle();
    Questions();
    const bool ended = PressAndMeanwhile([&] {
      if (std::string_view(way) == "close box") {
        app->main.OnClose();
      } else {
        app->main.OnClick(way);
      }
    });
    EXPECT_TRUE(ended) << way;
    const std::string log = Log();
    const std::size_t tsp = log.rfind("   removing TSP information\r\n");
    const std::size_t last = log.rfind("\r\n", log.size() - 3) + 2;
    ASSERT_NE(tsp, std::string::npos) << way;
    EXPECT_GT(last, tsp) << way;
    EXPECT_EQ(log.substr(last, 23), "Exiting Application at:") << way;
    EXPECT_EQ(log.find("\r\n", last), log.size() - 2) << way << ": nothing after it";
    EXPECT_TRUE(server.Started(L"Net Stop TomCat").empty()) << way;
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

TEST_F(Windows, TheOnlyEntryWithoutLibrariesSwitchesToEnglish) {
  server.locale.user_lang_id = 1031;  // a German server, but no language library beside us
  StartIdle();
  OpenAbout();
  EXPECT_EQ(app->localize.current_language(), 1031u);
  app->about.OnMenuItem("mnuLanguageList", 0);  // "No languages loaded"
  EXPECT_EQ(app->localize.current_language(), 1033u);
  ExpectCaptions(app->main, EnglishTable());
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

TEST_F(Windows, TheWarningsAboutOpensAboutOverIt) {
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  views.WhenShown("frmFailoverWarning", [](ui::Form& f) {
    f.OnClick("About");
    f.OnClick("cmdProceed");
  });
  views.WhenShown("frmAbout", [](ui::Form& f) { f.OnClick("cmdOK"); });
  StartIdle();
  EXPECT_EQ(views.modal_order, (std::vector<std::string>{"frmFailoverWarning", "frmAbout"}));
  EXPECT_EQ(app->about.Caption("lblVersion"), L" 4.0 Build 34");
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

// The committed files the About window and the help menu show, read from the source tree.
std::filesystem::path SourceFile(const char* relative) {
  return std::filesystem::path(VELMAR_GOLDEN_DIR).parent_path().parent_path().parent_path() /
         relative;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ShippedPictures, TheLogosHaveTheirSizesAtBothResolutions) {
  const struct {
    const char* file;
    int width, height;
  } logos[] = {
      {"uninstaller/ui/res/velmar_logo.bmp", 146, 58},
      {"uninstaller/ui/res/brannock_logo.bmp", 92, 52},
      {"uninstaller/ui/res/velmar_logo_144.bmp", 219, 87},
      {"uninstaller/ui/res/brannock_logo_144.bmp", 138, 78},
  };
  for (const auto& logo : logos) {
    const std::string bytes = ReadAll(SourceFile(logo.file));
    ASSERT_GE(bytes.size(), 26u) << logo.file;
    EXPECT_EQ(bytes.substr(0, 2), "BM") << logo.file;
    const auto int32_at = [&](std::size_t at) {
      std::uint32_t value = 0;
      for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
      return static_cast<std::int32_t>(value);
    };
    EXPECT_EQ(int32_at(18), logo.width) << logo.file;
    EXPECT_EQ(std::abs(int32_at(22)), logo.height) << logo.file;
  }
}

TEST(HelpPage, HasTheRemovalDetailsTheNotRunningMessagePointsTo) {
  const std::string page = ReadAll(SourceFile("companions/VelmarUninstall3xandUp.htm"));
  ASSERT_FALSE(page.empty());
  const std::string english = platform::Utf8FromWide(EnglishTable().at(2067));
  ASSERT_NE(english.find("\"Removal Details\""), std::string::npos);
  EXPECT_NE(page.find("<a name=\"details\">Removal Details</a>"), std::string::npos);
  for (const char* section : {"The log file", "(error)", "(warning)"}) {
    EXPECT_NE(page.find(section), std::string::npos) << section;
  }
}

}  // namespace
}  // namespace uninstaller::testing
