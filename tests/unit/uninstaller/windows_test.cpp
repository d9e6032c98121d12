// The uninstaller's windows as the program's logic drives them: captions in English and after
// a language change, the option questions, the progress rows, the About window's version and
// language menu, the details window's layout rule, the splash placement and the ways out.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/languages/language_tables.h"
#include "uninstaller/sequence/completion.h"
#include "uninstaller/ui/mod_update_check.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;
using ui::Kind;

constexpr wchar_t kFolder[] = L"C:\\Tools";

// The windows as the product has them, written out: every control in layout order with its
// parent, place in twips (relative to its frame) and caption identifier (0: none), and the
// order in which the window's _Auto_Init sets the captions ("" is the window itself).
struct Row {
  std::string_view name, parent;
  ui::Rect rect;
  std::uint32_t id;
};
using CaptionOrder = std::vector<std::pair<std::string_view, std::uint32_t>>;
struct ExpectedWindow {
  std::string_view name;
  int client_width, client_height;
  ui::Border border;
  std::vector<Row> rows;
  CaptionOrder captions;
};

const ExpectedWindow kMain{
    "frmMain",
    7620,
    4485,
    ui::Border::kFixed,
    {{"Frame1", "", {60, 120, 7455, 555}, 2033},
     {"chkRemoveSubscriberInfo", "Frame1", {240, 240, 7095, 195}, 2034},
     {"frmProgress", "", {60, 840, 7455, 2955}, 1008},
     {"chkCustomProperties", "frmProgress", {240, 240, 195, 195}, 0},
     {"lblRemoveCustomProperties", "frmProgress", {540, 240, 6870, 195}, 1009},
     {"chkVelmarObjects", "frmProgress", {240, 480, 195, 195}, 0},
     {"lblRemoveVelmarObjects", "frmProgress", {540, 480, 6870, 195}, 1010},
     {"chkStopServices", "frmProgress", {240, 720, 195, 195}, 0},
     {"lblStopServices", "frmProgress", {540, 720, 6870, 195}, 1012},
     {"chkUnregisterServices", "frmProgress", {240, 960, 195, 195}, 0},
     {"lblUnregisterServices", "frmProgress", {540, 960, 6870, 195}, 1018},
     {"chkUnregisteringDLLs", "frmProgress", {240, 1200, 195, 195}, 0},
     {"Label2", "frmProgress", {540, 1200, 6870, 195}, 2044},
     {"chkRemoveVelmarFromSQL", "frmProgress", {240, 1440, 195, 195}, 0},
     {"Label1", "frmProgress", {540, 1440, 6870, 195}, 2035},
     {"chkDeleteCorvaneDirectory", "frmProgress", {240, 1680, 195, 195}, 0},
     {"lblDeleteCorvaneDirectory", "frmProgress", {540, 1680, 6870, 195}, 1013},
     {"chkRegistrySettings", "frmProgress", {240, 1920, 195, 195}, 0},
     {"lblRemoveRegistrySettings", "frmProgress", {540, 1920, 6870, 195}, 1014},
     {"chkShortCuts", "frmProgress", {240, 2160, 195, 195}, 0},
     {"lblRemoveShortCuts", "frmProgress", {540, 2160, 6870, 195}, 1015},
     {"chkWebDirectories", "frmProgress", {240, 2400, 195, 195}, 0},
     {"lblRemoveWebDirectories", "frmProgress", {540, 2400, 6870, 195}, 1016},
     {"chkDLLs", "frmProgress", {240, 2640, 195, 195}, 0},
     {"lblRemoveDLLs", "frmProgress", {540, 2640, 6870, 195}, 1017},
     {"cmdUninstall", "", {60, 3960, 1455, 495}, 1006},
     {"cmdExit", "", {6300, 3960, 1215, 495}, 1003},
     {"mnuFile", "", {}, 2030},
     {"mnuExit", "mnuFile", {}, 1003},
     {"mnuHelp", "", {}, 1004},
     {"Help", "mnuHelp", {}, 1004},
     {"Seperator", "mnuHelp", {}, 0},
     {"About", "mnuHelp", {}, 1005},
     {"mnuCheckForUpdatedVersion", "mnuHelp", {}, 2051}},
    {{"", 1001},
     {"Frame1", 2033},
     {"chkRemoveSubscriberInfo", 2034},
     {"cmdUninstall", 1006},
     {"frmProgress", 1008},
     {"Label2", 2044},
     {"Label1", 2035},
     {"lblStopServices", 1012},
     {"lblUnregisterServices", 1018},
     {"lblDeleteCorvaneDirectory", 1013},
     {"lblRemoveRegistrySettings", 1014},
     {"lblRemoveShortCuts", 1015},
     {"lblRemoveWebDirectories", 1016},
     {"lblRemoveDLLs", 1017},
     {"lblRemoveVelmarObjects", 1010},
     {"lblRemoveCustomProperties", 1009},
     {"cmdExit", 1003},
     {"mnuFile", 2030},
     {"mnuExit", 1003},
     {"mnuHelp", 1004},
     {"Help", 1004},
     {"About", 1005},
     {"mnuCheckForUpdatedVersion", 2051}}};

const ExpectedWindow kAbout{"frmAbout",
                            6090,
                            3285,
                            ui::Border::kFixed,
                            {{"picVelmarLogo", "", {180, 60, 2190, 870}, 0},
                             {"lblVersionTitle", "", {3240, 300, 975, 195}, 2045},
                             {"lblVersion", "", {4260, 300, 1755, 255}, 0},
                             {"lblCopyright", "", {180, 1140, 5835, 195}, 2026},
                             {"lblTrademark", "", {180, 1500, 5835, 195}, 2042},
                             {"lblChangeLanguage", "", {180, 1860, 2895, 195}, 2024},
                             {"picBrannockLogo", "", {150, 2370, 1380, 780}, 0},
                             {"lblBrannockAddress1", "", {1680, 2460, 2835, 195}, 2025},
                             {"lblBrannockAddress2", "", {1680, 2700, 2835, 195}, 2036},
                             {"lblBrannockAddress3", "", {1680, 2940, 2835, 195}, 2040},
                             {"cmdOK", "", {4680, 2760, 1275, 375}, 2032},
                             {"mnuSelectLanguage", "", {}, 2037}},
                            {{"", 1001},
                             {"cmdOK", 2032},
                             {"lblBrannockAddress2", 2036},
                             {"lblBrannockAddress3", 2040},
                             {"lblChangeLanguage", 2024},
                             {"lblTrademark", 2042},
                             {"lblCopyright", 2026},
                             {"lblBrannockAddress1", 2025},
                             {"lblVersionTitle", 2045},
                             {"mnuSelectLanguage", 2037}}};

const ExpectedWindow kDetails{"frmDetails",
                              9915,
                              8205,
                              ui::Border::kSizable,
                              {{"browserHelp", "", {180, 180, 9615, 7995}, 0}},
                              {{"", 1001}}};

const ExpectedWindow kSplash{"frmSplashScreen",
                             7245,
                             945,
                             ui::Border::kNone,
                             {{"frameMain", "", {0, 0, 7215, 915}, 2056},
                              {"ProgressBar1", "frameMain", {60, 540, 7155, 255}, 0}},
                             {{"frameMain", 2056}}};

const ExpectedWindow& ExpectedOf(std::string_view form) {
  for (const ExpectedWindow* expected : {&kMain, &kAbout, &kDetails, &kSplash}) {
    if (expected->name == form) return *expected;
  }
  throw std::invalid_argument(std::string(form));
}

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
  // Every caption the window's _Auto_Init sets shows its identifier's text from the table.
  static void ExpectCaptions(const ui::Form& form, const platform::sim::StringTable& table) {
    for (const auto& [control, id] : ExpectedOf(form.name()).captions) {
      EXPECT_EQ(form.Caption(control), table.at(id)) << form.name() << "." << control;
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

// Every control of the four windows that take a language, in layout order, and the captions
// their _Auto_Init sets, seen through a library whose every text is its own identifier.
TEST_F(Windows, TheFourWindowsControlsPlacesAndCaptionOrder) {
  platform::sim::StringTable numbers;
  for (const auto& [id, text] : EnglishTable()) numbers[id] = L"#" + std::to_wstring(id);
  InstallLibrary(L"DEU", numbers);
  InstallLibrary(L"ENU", EnglishTable());
  StartIdle();
  app->splash.ShowOver(app->main);
  views.WhenShown("frmDetails", [](ui::Form& f) { f.Hide(); });
  app->main.OnClick("Help");
  OpenAbout();
  std::map<std::string, std::size_t> before;
  for (const char* form : {"frmMain", "frmAbout", "frmDetails", "frmSplashScreen"})
    before[form] = views.Of(form)->refresh_order.size();
  app->about.OnMenuItem("mnuLanguageList", 0);  // the numbers' library
  for (const ui::Form* form : std::initializer_list<const ui::Form*>{&app->main, &app->about,
                                                                     &app->details, &app->splash}) {
    const ExpectedWindow& expected = ExpectedOf(form->name());
    SCOPED_TRACE(std::string(expected.name));
    EXPECT_EQ(form->table().client_width, expected.client_width);
    EXPECT_EQ(form->table().client_height, expected.client_height);
    EXPECT_EQ(form->table().border, expected.border);
    ASSERT_EQ(form->table().controls.size(), expected.rows.size());
    for (std::size_t i = 0; i < expected.rows.size(); ++i) {
      const Row& want = expected.rows[i];
      const ui::ControlRow& have = form->table().controls[i];
      EXPECT_EQ(have.name, want.name) << "row " << i;
      EXPECT_EQ(have.parent, want.parent) << want.name;
      EXPECT_EQ(have.rect, want.rect) << want.name;
      EXPECT_EQ(have.caption_id, want.id) << want.name;
    }
    const auto& refreshed = views.Of(expected.name)->refresh_order;
    std::vector<std::string> order(refreshed.begin() + before[std::string(expected.name)],
                                   refreshed.end());
    std::vector<std::string> wanted;
    for (const auto& [control, id] : expected.captions) {
      wanted.emplace_back(control);
      EXPECT_EQ(form->Caption(control), L"#" + std::to_wstring(id)) << control;
    }
    EXPECT_EQ(order, wanted);
  }
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

// The German library names the window in German; the boxes keep the program's own title.
TEST_F(Windows, EveryBoxKeepsTheApplicationTitleInGerman) {
  InstallLibrary(L"DEU", German());
  InstallLibrary(L"ENU", EnglishTable());
  server.locale.user_lang_id = 1031;
  InstallProduct(0x00040000, 0x00020031, L"C:\\Corvane\\");  // 4.0(2.49): the accounts box
  const auto german = German();
  server.boxes.otherwise = [&](const platform::sim::ShownBox& box) {
    return box.text.starts_with(german.at(2008)) ? mb::kIdCancel : mb::kIdOk;
  };
  server.boxes.Expect(german.at(2058), mb::kIdYes);  // the option's first question...
  server.boxes.Expect(german.at(2062), mb::kIdOk);   // ...and its notice
  server.boxes.Expect(german.at(2052), mb::kIdOk);   // the update page cannot be reached
  server.boxes.Expect(german.at(2053), mb::kIdOk);   // the page names this very version
  ASSERT_FALSE(Start());
  ASSERT_EQ(app->main.Caption(""), german.at(1001));
  app->main.SetChecked("chkRemoveSubscriberInfo", true);
  app->main.OnClick("chkRemoveSubscriberInfo");
  app->main.OnClick("mnuCheckForUpdatedVersion");
  server.web.Serve(UpdatePageAddress(process->host().processes),
                   "<td>version</td><td><font face=\"Helvetica\">4.0.34</font></td>");
  app->main.OnClick("mnuCheckForUpdatedVersion");
  velmar::ProcessRunner runner(process->host(), app->log);
  EXPECT_THROW(RunCompletion(*app, runner, L"C:\\Corvane\\", L"\r\nSubscribers:\r\n"),
               platform::ProgramEnd);
  const auto& shown = server.boxes.shown();
  ASSERT_EQ(shown.size(), 6u);  // 2058, 2062, 2052, 2053, accounts, summary
  EXPECT_TRUE(shown[4].text.starts_with(german.at(2039))) << "the accounts box";
  EXPECT_TRUE(shown[5].text.starts_with(german.at(2008))) << "the summary";
  for (const auto& box : shown) EXPECT_EQ(box.caption, L"Velmar Uninstaller") << box.text;
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

// A modal window disables the window it was opened from, whichever that is.
TEST_F(Windows, HelpAndAboutOverTheWarningDisableTheWarning) {
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  views.WhenShown("frmFailoverWarning", [](ui::Form& f) {
    f.OnClick("About");
    f.OnClick("Help");
    f.OnClick("cmdProceed");
  });
  std::vector<std::string> disabled;  // the windows disabled while each one was up
  const auto note = [&](ui::Form& f) {
    for (const auto& [name, view] : views.views) {
      if (!view->enabled) disabled.push_back(std::string(f.name()) + ": " + name);
    }
  };
  views.WhenShown("frmAbout", [&](ui::Form& f) {
    note(f);
    f.OnClick("cmdOK");
  });
  views.WhenShown("frmDetails", [&](ui::Form& f) {
    note(f);
    f.Hide();
  });
  StartIdle();
  EXPECT_EQ(views.modal_over, (std::vector<std::string>{"frmFailoverWarning over frmMain",
                                                        "frmAbout over frmFailoverWarning",
                                                        "frmDetails over frmFailoverWarning"}));
  EXPECT_EQ(disabled,
            (std::vector<std::string>{"frmAbout: frmFailoverWarning", "frmAbout: frmMain",
                                      "frmDetails: frmFailoverWarning", "frmDetails: frmMain"}));
  EXPECT_EQ(app->about.Caption("lblVersion"), L" 4.0 Build 34");

  // From the idle main window they are opened over the main window.
  views.modal_over.clear();
  disabled.clear();
  views.WhenShown("frmAbout", [&](ui::Form& f) {
    note(f);
    f.OnClick("cmdOK");
  });
  app->main.OnClick("About");
  EXPECT_EQ(views.modal_over, std::vector<std::string>{"frmAbout over frmMain"});
  EXPECT_EQ(disabled, std::vector<std::string>{"frmAbout: frmMain"});
  EXPECT_TRUE(views.Of("frmMain")->enabled) << "enabled again when the display ends";
}

TEST_F(Windows, KoreanSetsItsFontOnEveryWindowThatTakesFonts) {
  server.locale.user_lang_id = 1042;
  StartIdle();
  const auto& fonts = views.Of("frmMain")->fonts;
  ASSERT_FALSE(fonts.empty());
  EXPECT_EQ(fonts.back().charset, 129);
  EXPECT_EQ(fonts.back().name, L"\uAD74\uB9BC");
}

TEST_F(Windows, ALanguageWithoutAFaceKeepsTheFaceTheControlsHave) {
  InstallLibrary(L"DEU", German());
  InstallLibrary(L"ENU", EnglishTable());
  server.locale.user_lang_id = 1042;  // Korean, with no library of its own
  StartIdle();
  OpenAbout();
  app->about.OnMenuItem("mnuLanguageList", 0);  // German: character set 1, no face named
  for (const char* form : {"frmMain", "frmAbout"}) {
    const auto& fonts = views.Of(form)->fonts;
    ASSERT_FALSE(fonts.empty()) << form;
    EXPECT_EQ(fonts.back().charset, 1) << form;
    EXPECT_EQ(fonts.back().name, L"\uAD74\uB9BC") << form << ": the Korean face stays";
  }
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
