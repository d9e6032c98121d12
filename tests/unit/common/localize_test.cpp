// modLocalize on the simulated server: choosing the language, the library beside the program,
// string lookup with the built-in fallback, the language list, codes, names and fonts.
#include <gtest/gtest.h>

#include <vector>

#include "common/localize.h"
#include "platform/sim/process.h"

namespace {

using platform::sim::Process;
using platform::sim::Server;
using platform::sim::StringTable;
using velmar::FontTarget;
using velmar::LanguageFont;
using velmar::Localizer;
namespace mb = platform::mb;

const std::wstring kFolder = L"C:\\Program Files\\Velmar Uninstall";
const std::wstring kProgram = kFolder + L"\\VelmarUninstall3xandUp.exe";
const std::wstring kGulim = L"\uAD74\uB9BC";

class LocalizeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& problem : server.Problems()) ADD_FAILURE() << problem;
  }
  void InstallLibrary(const std::wstring& file, StringTable table) {
    server.InstallLanguageLibrary(kFolder + L"\\" + file, std::move(table));
  }
  void SetGerman() {
    server.locale.user_lang_id = 1031;
    server.locale.info[{1031, 3}] = "DEU";
  }

  Server server;
  Process app{server, kProgram, L"",
              StringTable{{1001, L"Uninstall"}, {1002, L"Exit"}, {2000, L"Are you sure?"}}};
  Localizer localizer{app.host(), L"Velmar Uninstall"};
};

TEST_F(LocalizeTest, WithoutALibraryTheBuiltInTableAnswersAndTheListHasOneEmptyEntry) {
  localizer.InitializeLanguages();
  EXPECT_EQ(localizer.current_language(), 1033u) << "the user's default language";
  EXPECT_FALSE(localizer.library_loaded());
  EXPECT_EQ(localizer.available_languages(), std::vector<std::wstring>{L""});
  EXPECT_EQ(localizer.LoadLocalizedString(1001), L"Uninstall");
  EXPECT_EQ(localizer.LoadLocalizedString(2000), L"Are you sure?");
}

TEST_F(LocalizeTest, LibraryStringsWinOverBuiltInOnes) {
  SetGerman();
  InstallLibrary(L"VelmarUninstall3xandUp_DEU.dll", {{1001, L"Deinstallieren"}});
  localizer.InitializeLanguages();
  EXPECT_TRUE(localizer.library_loaded());
  EXPECT_EQ(localizer.LoadLocalizedString(1001), L"Deinstallieren");
  EXPECT_EQ(localizer.LoadLocalizedString(1002), L"Exit") << "missing in the library";
  EXPECT_EQ(localizer.available_languages(), std::vector<std::wstring>{L"DEU"});
}

TEST_F(LocalizeTest, LibraryStringsAreCutToTheLoadBuffer) {
  SetGerman();
  InstallLibrary(L"VelmarUninstall3xandUp_DEU.dll", {{2001, std::wstring(1300, L'x')}});
  localizer.InitializeLanguages();
  EXPECT_EQ(localizer.LoadLocalizedString(2001), std::wstring(1199, L'x'));
}

TEST_F(LocalizeTest, AStringInNeitherTableShowsTheErrorAndGivesAnEmptyText) {
  SetGerman();
  InstallLibrary(L"VelmarUninstall3xandUp_DEU.dll", {{1001, L"Deinstallieren"}});
  localizer.InitializeLanguages();
  server.boxes.Expect(L"error in mymyLoadString: Resource with identifier '9999' not found",
                      mb::kIdOk);
  EXPECT_EQ(localizer.LoadLocalizedString(9999), L"");
  ASSERT_EQ(server.boxes.shown().size(), 1u);
  EXPECT_EQ(server.boxes.shown()[0].caption, L"Velmar Uninstall");
  EXPECT_EQ(server.boxes.shown()[0].style & mb::kButtonMask, mb::kOk);
}

TEST_F(LocalizeTest, TheLanguageListIgnoresCaseAndKeepsTheFilesSpelling) {
  InstallLibrary(L"VelmarUninstall3xandUp_deu.DLL", {});
  InstallLibrary(L"velmaruninstall3xandup_FRA.dll", {});
  InstallLibrary(L"Dirscrub_ITA.dll", {});
  server.files.WriteFile(kFolder + L"\\VelmarUninstall3xandUp_JPN.txt", "text");
  server.files.WriteFile(kFolder + L"\\VelmarUninstall3xandUp_Sub\\VelmarUninstall3xandUp_NLD.dll",
                         "MZ");
  localizer.InitializeLanguages();
  EXPECT_EQ(localizer.available_languages(), (std::vector<std::wstring>{L"deu", L"FRA"}));
  // Codes match the table exactly, so a lower-case file name stands for US English.
  EXPECT_EQ(velmar::LanguageCodeToId(L"deu"), 1033u);
  EXPECT_EQ(velmar::LanguageCodeToId(L"DEU"), 1031u);
}

TEST_F(LocalizeTest, ChoosingAnotherLanguageSwapsTheLibrary) {
  server.locale.info[{1031, 3}] = "DEU";
  InstallLibrary(L"VelmarUninstall3xandUp_ENU.dll", {{1001, L"Uninstall now"}});
  InstallLibrary(L"VelmarUninstall3xandUp_DEU.dll", {{1001, L"Deinstallieren"}});
  localizer.InitializeLanguages();
  EXPECT_EQ(localizer.LoadLocalizedString(1001), L"Uninstall now");
  localizer.set_current_language(1031);
  localizer.InitializeLanguages();
  EXPECT_EQ(localizer.current_language(), 1031u) << "a chosen language is kept";
  EXPECT_EQ(localizer.LoadLocalizedString(1001), L"Deinstallieren");
  EXPECT_EQ(app.LoadedModules(), 1u) << "the previous library is freed";
  EXPECT_EQ(localizer.available_languages(), (std::vector<std::wstring>{L"DEU", L"ENU"}));
}

TEST_F(LocalizeTest, KoreanGetsItsFontOnEveryWindowWithoutALibrary) {
  server.locale.user_lang_id = 1042;
  server.locale.info[{1042, 3}] = "KOR";
  std::vector<LanguageFont> applied;
  localizer.SetFontHook([&](const LanguageFont& font, FontTarget target) {
    EXPECT_EQ(target, FontTarget::kFontAndNameProperty);
    applied.push_back(font);
  });
  localizer.InitializeLanguages();
  EXPECT_FALSE(localizer.library_loaded());
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0].charset, 129);
  EXPECT_EQ(applied[0].name, kGulim);
  EXPECT_EQ(localizer.LoadLocalizedString(1001), L"Uninstall");
}

TEST_F(LocalizeTest, FailuresWhileInitialisingAreShownAndTheRestStillRuns) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(kFolder));
  server.boxes.Expect(L"Error in InitalizeLanguages: Path not found", mb::kIdOk);
  int fonts_applied = 0;
  localizer.SetFontHook([&](const LanguageFont&, FontTarget) { ++fonts_applied; });
  localizer.InitializeLanguages();
  EXPECT_EQ(localizer.available_languages(), std::vector<std::wstring>{L""});
  EXPECT_EQ(fonts_applied, 1);
  ASSERT_EQ(server.boxes.shown().size(), 1u);
  EXPECT_EQ(server.boxes.shown()[0].caption, L"Velmar Uninstall");
}

TEST_F(LocalizeTest, TheProductsOwnEnglishAndLocaleFailures) {
  EXPECT_EQ(localizer.LanguageAbbreviation(33801), L"ENX");
  EXPECT_EQ(localizer.LanguageDisplayName(33801), L"English (TDD/TTY)");
  EXPECT_EQ(localizer.LanguageNameFromCode(L"ENX"), L"English (TDD/TTY)");
  EXPECT_EQ(velmar::LanguageCodeToId(L"ENX"), 33801u);

  server.locale.info[{1031, 3}] = " DE";  // trimmed to its letters
  server.locale.language_names[1031] = "German (Standard)";
  server.locale.language_names[1066] = "";  // VerLanguageName failing
  EXPECT_EQ(localizer.LanguageAbbreviation(1033), L"ENU");
  EXPECT_EQ(localizer.LanguageAbbreviation(1031), L"DE");
  EXPECT_EQ(localizer.LanguageAbbreviation(1066), L"ERR");
  EXPECT_EQ(localizer.LanguageNameFromCode(L"DEU"), L"German (Standard)");
  EXPECT_EQ(localizer.LanguageNameFromCode(L"XYZ"), L"English (United States)");
  EXPECT_EQ(localizer.LanguageDisplayName(1066), L"(error)");
}

TEST_F(LocalizeTest, TheProductsOwnEnglishNamesItsLibrary) {
  localizer.set_current_language(33801);
  InstallLibrary(L"VelmarUninstall3xandUp_ENX.dll", {{1001, L"Uninstall (TTY)"}});
  localizer.InitializeLanguages();
  EXPECT_EQ(localizer.LoadLocalizedString(1001), L"Uninstall (TTY)");
}

}  // namespace

namespace {

// Dirscrub's copy of the module: its own code table, buffer, error text and font target.
TEST(DirscrubLocalize, CodesComeFromItsFixedTable) {
  Server server;
  Process process{server, L"C:\\Tools\\DirscrubVelmar30.exe"};
  platform::Locale& locale = process.host().locale;
  EXPECT_EQ(velmar::AbbreviationFromFixedTable(locale, 0), L"ENU");
  EXPECT_EQ(velmar::AbbreviationFromFixedTable(locale, 1033), L"ENU");
  EXPECT_EQ(velmar::AbbreviationFromFixedTable(locale, 1031), L"DEU");
  EXPECT_EQ(velmar::AbbreviationFromFixedTable(locale, 2070), L"PTG");
  for (std::uint32_t left_out : {velmar::kTddTtyLanguage, 1028u, 3076u, 2052u, 4100u, 1042u}) {
    EXPECT_EQ(velmar::AbbreviationFromFixedTable(locale, left_out), L"ERROR") << left_out;
  }
  EXPECT_EQ(velmar::AbbreviationFromFixedTable(locale, 0x10000 + 1031), L"DEU")
      << "identifiers are 16-bit";
}

TEST(DirscrubLocalize, ItsLibraryItsBufferAndItsErrorText) {
  Server server;
  server.locale.user_lang_id = 1031;
  server.InstallLanguageLibrary(L"C:\\Tools\\DirscrubVelmar30_DEU.dll",
                                {{1001, std::wstring(300, L'x')}});
  Process process{server, L"C:\\Tools\\DirscrubVelmar30.exe", L"", StringTable{{1005, L"Title"}}};
  Localizer localizer{process.host(), L"DirscrubVelmar30", velmar::DirscrubLocalizeVariant()};
  localizer.InitializeLanguages();
  EXPECT_TRUE(localizer.library_loaded());
  EXPECT_EQ(localizer.LoadLocalizedString(1001), std::wstring(199, L'x'));
  EXPECT_EQ(localizer.LoadLocalizedString(1005), L"Title");
  EXPECT_EQ(localizer.font_target(), FontTarget::kFontObjectOnly);
  server.boxes.Expect(L"error in myLoadResString: Resource with identifier '1009' not found",
                      mb::kIdOk);
  EXPECT_EQ(localizer.LoadLocalizedString(1009), L"");
  for (const auto& problem : server.Problems()) ADD_FAILURE() << problem;
}

}  // namespace
