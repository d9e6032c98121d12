// Stage C run on a started uninstaller: the install tree, work folder, registry table, shares,
// shortcuts with their skip rules, web folder, system-folder files and installed-programs
// entries; and the footprint fence, where hostile registry values must not cost one file or
// key outside the product's footprint.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/sequence/completion.h"
#include "uninstaller/sequence/footprint.h"
#include "uninstaller/sequence/stage_b.h"
#include "uninstaller/sequence/stage_c.h"

namespace uninstaller::testing {
namespace {

namespace reg = platform::reg;
using platform::sim::FileNode;
using platform::sim::RegNode;

constexpr wchar_t kSetupKey[] = L"Software\\Quillon\\Corvane Setup\\1.0\\Properties";
constexpr wchar_t kShell[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kTree[] = L"C:\\Program Files\\Corvane";
constexpr wchar_t kStartup[] =
    L"C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup";
constexpr wchar_t kPrograms[] = L"C:\\Documents and Settings\\All Users\\Start Menu\\Programs";
constexpr wchar_t kDesktop[] = L"C:\\Documents and Settings\\Administrator\\Desktop";
constexpr wchar_t kAllDesktop[] = L"C:\\Documents and Settings\\All Users\\Desktop";
constexpr wchar_t kSys[] = L"C:\\WINDOWS\\system32\\";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class StageC : public UninstallerTest {
 protected:
  // A typical server: both install-path values agree, the shell folders and web root are set.
  void SetUp() override {
    auto& r = server.registry;
    r.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath", kTree);
    r.SetString(reg::kLocalMachine, kShell, L"Common Startup", kStartup);
    r.SetString(reg::kLocalMachine, kShell, L"Common Programs", kPrograms);
    r.SetString(reg::kCurrentUser, kShell, L"Desktop", kDesktop);
    r.SetString(reg::kLocalMachine, kShell, L"Common Desktop", kAllDesktop);
    r.SetString(reg::kLocalMachine, L"Software\\Microsoft\\InetStp", L"PathWWWRoot",
                L"C:\\Inetpub\\wwwroot");
    r.SetString(reg::kLocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                L"SystemRoot", L"C:\\WINDOWS");
    auto& f = server.files;
    f.WriteFile(L"C:\\Program Files\\Corvane\\readme.txt", "x");
    f.WriteFile(L"C:\\Program Files\\Corvane\\Bin\\zqsvc.exe", "x");
    f.MakeFolders(L"C:\\Inetpub\\wwwroot");
    for (const auto* folder : {kStartup, kPrograms, kDesktop, kAllDesktop}) f.MakeFolders(folder);
  }

  bool StartWith(const std::wstring& args, const std::wstring& program = kProgram) {
    process = std::make_unique<platform::sim::Process>(server, program, args, EnglishTable(),
                                                       std::array<std::uint16_t, 4>{4, 0, 0, 34});
    app = std::make_unique<UninstallerApp>(process->host(), views);
    try {
      app->Start();
    } catch (const platform::ProgramEnd&) {
      return true;
    }
    return false;
  }

  // Runs the stage as the sequence hands it over (reporting mode) and returns its log lines.
  std::string Run(const std::wstring& root = kTree) {
    const std::string before = Log();
    velmar::ProcessRunner runner(app->host, app->log);
    ErrorTrap trap(app->log);
    FileHelpers helpers(app->host, app->log, runner);
    RunStageC(*app, runner, trap, helpers, root);
    EXPECT_EQ(trap.mode(), ErrorMode::kSilent) << "completion follows in silent mode";
    return Log().substr(before.size());
  }

  bool HasKey(platform::RegHandle root, const std::wstring& path) {
    return server.registry.Find(root, path) != nullptr;
  }
};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

TEST_F(StageC, TypicalRunWritesEveryHeadlineAndTicksItsRows) {
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_EQ(log, Lines({"Path to Velmar install=C:\\Program Files\\Corvane",
                        "    Removing C:\\Program Files\\Corvane\\Bin",
                        "Corvane directory removal attempt complete.", "All shares removed",
                        "Path to the startup folder=C:\\Documents and Settings\\All Users\\Start "
                        "Menu\\Programs\\Startup",
                        "Path to the program group=C:\\Documents and Settings\\All Users\\Start "
                        "Menu\\Programs",
                        "Path to the 'Administrator' desktop=C:\\Documents and "
                        "Settings\\Administrator\\Desktop",
                        "Path to the 'all users' desktop=C:\\Documents and Settings\\All "
                        "Users\\Desktop",
                        "Links and program groups removed", "Path to wwwroot=C:\\Inetpub\\wwwroot",
                        "IIS directories removed", "System32 path=C:\\WINDOWS\\system32\\",
                        "DLLs removed",
                        "Removed message store configuration wizard from 'add remove programs'"}));
  EXPECT_FALSE(server.files.Exists(kTree));
  EXPECT_TRUE(server.files.Exists(L"C:\\Program Files"));
  for (const char* row : {"chkDeleteCorvaneDirectory", "chkRegistrySettings", "chkShortCuts",
                          "chkWebDirectories", "chkDLLs"}) {
    EXPECT_TRUE(app->main.Checked(row)) << row;
  }
}

TEST_F(StageC, InstallPathsAgreeingButForCaseAndTrailingBackslashWriteNoWarning) {
  server.registry.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath",
                            L"c:\\program files\\CORVANE\\");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run(L"C:\\Program Files\\Corvane");
  EXPECT_EQ(log.find("(warning)"), std::string::npos) << log;
  EXPECT_FALSE(server.files.Exists(kTree));
}

TEST_F(StageC, DifferentUsableInstallPathsDeleteCorvaneRootPathWithAWarning) {
  server.registry.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath",
                            L"C:\\Velmar\\Corvane");
  server.files.WriteFile(L"C:\\Velmar\\Corvane\\a.dll", "x");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_NE(log.find("Path to Velmar install=C:\\Velmar\\Corvane\r\n(warning) "
                     "CorvaneRootPath=C:\\Velmar\\Corvane and Root Path=C:\\Program "
                     "Files\\Corvane name different folders; removing CorvaneRootPath\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(server.files.Exists(L"C:\\Velmar\\Corvane"));
  EXPECT_TRUE(server.files.Exists(L"C:\\Program Files\\Corvane\\readme.txt"));
}

TEST_F(StageC, RefusedCorvaneRootPathFallsBackToRootPath) {
  server.registry.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath", L"C:\\");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run(L"C:\\Program Files\\Corvane\\");
  EXPECT_NE(log.find("Path to Velmar install=C:\\\r\n(warning) CorvaneRootPath=C:\\ is not a "
                     "folder of the product; removing Root Path=C:\\Program Files\\Corvane\\ "
                     "instead\r\n    Removing C:\\Program Files\\Corvane\\Bin\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(server.files.Exists(kTree));
  EXPECT_TRUE(server.files.Exists(L"C:\\WINDOWS\\system32"));
}

TEST_F(StageC, BothInstallPathsRefusedDeleteNoTree) {
  server.registry.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath", L"");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run(L"C:\\WINDOWS\\");
  EXPECT_NE(log.find("Path to Velmar install=\r\n(warning) CorvaneRootPath= and Root "
                     "Path=C:\\WINDOWS\\ are not folders of the product; install tree not "
                     "removed\r\nCorvane directory removal attempt complete.\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(server.files.Exists(L"C:\\WINDOWS\\system32"));
  EXPECT_TRUE(server.files.Exists(kTree)) << "neither value is used";
}

TEST_F(StageC, WorkFolderGoesWithItsLineAndAMissingOneWritesNothing) {
  ASSERT_FALSE(StartWith(L""));
  EXPECT_EQ(Run().find("WYCA.tmp"), std::string::npos);
  server.files.WriteFile(L"C:\\WYCA.tmp\\sub\\cfg.xml", "x");
  const std::string log = Run();
  EXPECT_NE(log.find("Corvane directory removal attempt complete.\r\nc:\\WYCA.tmp folder "
                     "removed\r\nAll shares removed\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(server.files.Exists(L"C:\\WYCA.tmp"));
}

TEST_F(StageC, RegistryTableInstalledProgramsAndShares) {
  auto& r = server.registry;
  const std::wstring profile =
      L".Default\\Software\\Microsoft\\Windows NT\\Current Version\\Windows Messaging "
      L"System\\Profiles\\Velmar System Profile";
  const std::wstring look_alike =
      L".Default\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
      L"Subsystem\\Profiles\\Velmar System Profile";
  r.SetString(reg::kUsers, profile + L"\\13dbb0c8", L"x", L"y");
  r.SetString(reg::kUsers, look_alike, L"x", L"y");
  for (const auto* key : {L"Software\\Phrase Server Classes\\A", L"Software\\Brannock Systems\\B",
                          L"Software\\Brannock Systems, Inc.\\C"}) {
    r.SetString(reg::kLocalMachine, key, L"x", L"y");
  }
  const std::wstring tcp = L"System\\CurrentControlSet\\Services\\TCPIP\\Parameters";
  r.SetDword(reg::kLocalMachine, tcp, L"DisableUserTOSSetting", 0);
  r.SetDword(reg::kLocalMachine, tcp, L"EnableDHCP", 1);
  r.SetString(reg::kLocalMachine, L"System\\CurrentControlSet\\Services\\ZQAudio\\Enum", L"0",
              L"x");
  const std::wstring shares = L"System\\CurrentControlSet\\Services\\lanmanServer\\Shares";
  const wchar_t* names[] = {L"Reports",      L"IntLib",  L"Prompts",
                            L"Stream Files", L"Support", L"DefaultConfiguration",
                            L"VelmarMta"};
  for (const auto* name : names) {
    r.SetString(reg::kLocalMachine, shares, name, L"Path=C:\\x");
    r.SetString(reg::kLocalMachine, shares + L"\\Security", name, L"sd");
  }
  r.SetString(reg::kLocalMachine, shares, L"Public", L"Path=C:\\Public");
  for (const auto* entry :
       {L"Brannock Velmar Message Store Configuration Wizard", L"Brannock Velmar Configuration",
        L"Velmar Configuration", L"{6E376BAB-01BB-4F53-B0B8-7E5B89AB1706}", L"Other Product"}) {
    r.SetString(reg::kLocalMachine, kUninstallKey + std::wstring(entry), L"DisplayName", entry);
  }
  ASSERT_FALSE(StartWith(L""));
  Run();
  EXPECT_FALSE(HasKey(reg::kLocalMachine, L"Software\\Quillon"));
  EXPECT_FALSE(HasKey(reg::kUsers, profile)) << "row 3's key, blank and all";
  EXPECT_TRUE(HasKey(reg::kUsers,
                     L".Default\\Software\\Microsoft\\Windows NT\\Current Version\\"
                     L"Windows Messaging System\\Profiles"));
  EXPECT_TRUE(HasKey(reg::kUsers, look_alike));
  EXPECT_FALSE(HasKey(reg::kLocalMachine, L"Software\\Phrase Server Classes"));
  EXPECT_FALSE(HasKey(reg::kLocalMachine, L"Software\\Brannock Systems"));
  EXPECT_FALSE(HasKey(reg::kLocalMachine, L"Software\\Brannock Systems, Inc."));
  EXPECT_EQ(r.Value(reg::kLocalMachine, tcp, L"DisableUserTOSSetting"), nullptr);
  EXPECT_NE(r.Value(reg::kLocalMachine, tcp, L"EnableDHCP"), nullptr);
  EXPECT_TRUE(HasKey(reg::kLocalMachine, L"System\\CurrentControlSet\\Services\\ZQAudio"))
      << "a key with a subkey left stays";
  for (const auto* name : names) {
    EXPECT_EQ(r.Value(reg::kLocalMachine, shares, name), nullptr);
    EXPECT_EQ(r.Value(reg::kLocalMachine, shares + L"\\Security", name), nullptr);
  }
  EXPECT_NE(r.Value(reg::kLocalMachine, shares, L"Public"), nullptr);
  for (const auto* entry :
       {L"Brannock Velmar Message Store Configuration Wizard", L"Brannock Velmar Configuration",
        L"Velmar Configuration", L"{6E376BAB-01BB-4F53-B0B8-7E5B89AB1706}"}) {
    EXPECT_FALSE(HasKey(reg::kLocalMachine, kUninstallKey + std::wstring(entry)));
  }
  EXPECT_TRUE(HasKey(reg::kLocalMachine, kUninstallKey + std::wstring(L"Other Product")));
}

TEST_F(StageC, ZQAudioWithoutSubkeysGoes) {
  server.registry.SetString(reg::kLocalMachine, L"System\\CurrentControlSet\\Services\\ZQAudio",
                            L"Type", L"1");
  ASSERT_FALSE(StartWith(L""));
  Run();
  EXPECT_FALSE(HasKey(reg::kLocalMachine, L"System\\CurrentControlSet\\Services\\ZQAudio"));
}

TEST_F(StageC, ShortcutPatternsMatchFromTheStartOfTheName) {
  auto& f = server.files;
  const std::wstring desk = kDesktop;
  for (const auto* name :
       {L"\\Velmar-Verwaltung.lnk", L"\\Statusmonitor.lnk", L"\\Moniteur d'\u00e9tat.lnk",
        L"\\Velmar Administration.lnk", L"\\Brannock Velmar Help.lnk", L"\\WYICA Client.lnk"}) {
    f.WriteFile(desk + name, "lnk");
  }
  f.WriteFile(desk + L"\\My status monitor.lnk", "lnk");
  f.WriteFile(desk + L"\\Notes.txt", "x");
  f.WriteFile(std::wstring(kStartup) + L"\\zqAgent.lnk", "lnk");
  f.WriteFile(std::wstring(kStartup) + L"\\Antivirus.lnk", "lnk");
  f.WriteFile(std::wstring(kPrograms) + L"\\Velmar\\Tools\\Status Monitor.lnk", "lnk");
  f.WriteFile(std::wstring(kPrograms) + L"\\Velmar Help.lnk", "lnk");
  f.WriteFile(std::wstring(kAllDesktop) + L"\\Gearloft Console.lnk", "lnk");
  f.WriteFile(std::wstring(kAllDesktop) + L"\\Configuration Setup.lnk", "lnk");
  f.WriteFile(std::wstring(kAllDesktop) + L"\\Mail.lnk", "lnk");
  ASSERT_FALSE(StartWith(L""));
  Run();
  for (const auto* name :
       {L"\\Velmar-Verwaltung.lnk", L"\\Statusmonitor.lnk", L"\\Moniteur d'\u00e9tat.lnk",
        L"\\Velmar Administration.lnk", L"\\Brannock Velmar Help.lnk", L"\\WYICA Client.lnk"}) {
    EXPECT_FALSE(f.Exists(desk + name)) << platform::Utf8FromWide(name);
  }
  EXPECT_TRUE(f.Exists(desk + L"\\My status monitor.lnk"));
  EXPECT_TRUE(f.Exists(desk + L"\\Notes.txt"));
  EXPECT_FALSE(f.Exists(std::wstring(kStartup) + L"\\zqAgent.lnk"));
  EXPECT_TRUE(f.Exists(std::wstring(kStartup) + L"\\Antivirus.lnk"));
  EXPECT_FALSE(f.Exists(std::wstring(kPrograms) + L"\\Velmar"));
  EXPECT_TRUE(f.Exists(std::wstring(kPrograms) + L"\\Velmar Help.lnk"))
      << "the program group is the folder, not a pattern";
  EXPECT_FALSE(f.Exists(std::wstring(kAllDesktop) + L"\\Gearloft Console.lnk"));
  EXPECT_FALSE(f.Exists(std::wstring(kAllDesktop) + L"\\Configuration Setup.lnk"));
  EXPECT_TRUE(f.Exists(std::wstring(kAllDesktop) + L"\\Mail.lnk"));
}

TEST_F(StageC, SkipDesktopInAnyCaseOrJapaneseSkipsTheShortcutStep) {
  for (const std::wstring args : {L"SkipDesktop", L"skipdesktop", L"/q SKIPDESKTOP now"}) {
    SCOPED_TRACE(platform::Utf8FromWide(args));
    InstallProduct(0x00040000, 0x00030032, kTree);  // the run before took the product keys
    server.files.WriteFile(std::wstring(kDesktop) + L"\\Statusmonitor.lnk", "lnk");
    ASSERT_FALSE(StartWith(args));
    const std::string log = Run();
    EXPECT_NE(log.find("All shares removed\r\nPath to wwwroot="), std::string::npos) << log;
    EXPECT_EQ(log.find("Links and program groups removed"), std::string::npos);
    EXPECT_FALSE(app->main.Checked("chkShortCuts"));
    EXPECT_TRUE(server.files.Exists(std::wstring(kDesktop) + L"\\Statusmonitor.lnk"));
  }
  InstallProduct(0x00040000, 0x00030032, kTree);
  ASSERT_FALSE(StartWith(L""));
  app->localize.set_current_language(0x411);
  const std::string log = Run();
  EXPECT_NE(log.find("All shares removed\r\nPath to wwwroot="), std::string::npos) << log;
  EXPECT_FALSE(app->main.Checked("chkShortCuts"));
}

TEST_F(StageC, AOneCharacterCommandLineKeepsTheShortcutStep) {
  ASSERT_FALSE(StartWith(L"S"));
  const std::string log = Run();
  EXPECT_NE(log.find("Links and program groups removed\r\n"), std::string::npos);
  EXPECT_TRUE(app->main.Checked("chkShortCuts"));
}

TEST_F(StageC, WebFolderGoesWhenPresentInAnyCase) {
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\ZQXML\\index.xml", "x");
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\default.htm", "x");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_NE(log.find("Path to wwwroot=C:\\Inetpub\\wwwroot\r\n    Removing ZqXML directory\r\nIIS "
                     "directories removed\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\ZQXML"));
  EXPECT_TRUE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\default.htm"));
}

// IIS 7 and later keep the web root unexpanded: the folder test fails like a missing folder,
// and a ZqXML that exists where the fence refuses to delete it is the one case for a warning.
TEST_F(StageC, AWebRootThatNamesNoFolderWritesOnlyItsTwoLines) {
  server.registry.SetString(reg::kLocalMachine, L"Software\\Microsoft\\InetStp", L"PathWWWRoot",
                            L"%SystemDrive%\\inetpub\\wwwroot");
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\ZqXML\\index.xml", "x");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_NE(log.find("All shares removed\r\n"), std::string::npos);
  EXPECT_NE(log.find("Links and program groups removed\r\n"
                     "Path to wwwroot=%SystemDrive%\\inetpub\\wwwroot\r\n"
                     "IIS directories removed\r\n"
                     "System32 path="),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("(warning)"), std::string::npos) << log;
  EXPECT_TRUE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\ZqXML\\index.xml"))
      << "the variable is not put in";
}

TEST_F(StageC, AZqXmlTheFenceRefusesIsTheWarning) {
  server.registry.SetString(reg::kLocalMachine, L"Software\\Microsoft\\InetStp", L"PathWWWRoot",
                            L"C:\\Documents and Settings\\..");
  server.files.WriteFile(L"C:\\ZqXML\\keep.xml", "x");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_NE(log.find("Path to wwwroot=C:\\Documents and Settings\\..\r\n"
                     "(warning) PathWWWRoot=C:\\Documents and Settings\\.. is not a usable web "
                     "root; no web folder removed\r\n"
                     "IIS directories removed\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(server.files.Exists(L"C:\\ZqXML\\keep.xml"));
}

// An administrator may start the uninstaller from the desktop: the shortcuts there still go,
// and none of the toolkit's own files beside it.
TEST_F(StageC, StartedFromTheDesktopTheShortcutsThereStillGo) {
  const std::wstring desk = kDesktop;
  const std::wstring program = desk + L"\\VelmarUninstall3xandUp.exe";
  const wchar_t* toolkit[] = {L"VelmarUninstall3xandUp.exe",
                              L"VelmarUninstall3xandUp.htm",
                              L"VelmarUninstall3xandUp_DEU.dll",
                              L"VelmarUninstall3xandUp_FRA.dll",
                              L"DirscrubVelmar30.exe",
                              L"PelletSetup.exe",
                              L"mypause.exe",
                              L"kill.exe",
                              L"tomcatuninstall.bat",
                              L"VelmarClean.bat",
                              L"README.txt",
                              L"SHA256SUMS"};
  for (const auto* name : toolkit) server.files.WriteFile(desk + L"\\" + name, "toolkit");
  for (const auto* name : {L"Statusmonitor.lnk", L"Velmar-Verwaltung.lnk", L"WYICA Client.lnk",
                           L"Brannock Velmar Help.lnk"}) {
    server.files.WriteFile(desk + L"\\" + name, "lnk");
  }
  ASSERT_FALSE(StartWith(L"", program));
  const std::string log = Run();
  EXPECT_EQ(log.find("(warning)"), std::string::npos) << log;
  for (const auto* name : {L"Statusmonitor.lnk", L"Velmar-Verwaltung.lnk", L"WYICA Client.lnk",
                           L"Brannock Velmar Help.lnk"}) {
    EXPECT_FALSE(server.files.Exists(desk + L"\\" + name)) << platform::Utf8FromWide(name);
  }
  for (const auto* name : toolkit) {
    EXPECT_TRUE(server.files.Exists(desk + L"\\" + name)) << platform::Utf8FromWide(name);
  }
}

TEST_F(StageC, APatternThatCouldMatchTheToolkitIsRefusedInItsFolderOnly) {
  const ProtectedFolders fence({L"C:\\WINDOWS"}, {}, L"C:\\Desk\\Remover.exe");
  for (const auto* pattern :
       {L"\\Velmar*", L"\\velmaru*.dll", L"\\Pellet?etup.exe", L"\\*.bat", L"\\kill*.*", L"\\READ*",
        L"\\SHA256SUMS*", L"\\Rem*", L"\\Dirscrub*"}) {
    EXPECT_FALSE(fence.SparesToolkit(L"c:\\desk\\", pattern)) << platform::Utf8FromWide(pattern);
    EXPECT_TRUE(fence.SparesToolkit(L"C:\\Other", pattern)) << platform::Utf8FromWide(pattern);
  }
  for (const auto* pattern : {L"\\zq*.*", L"\\WYICA*", L"\\status monitor*",
                              L"\\velmar administration*", L"\\Velmar-Verwaltung*",
                              L"\\brannock velmar*", L"\\gearloft*", L"\\Configuration Setup*"}) {
    EXPECT_TRUE(fence.SparesToolkit(L"C:\\Desk", pattern)) << platform::Utf8FromWide(pattern);
  }
  EXPECT_FALSE(fence.Holds(L"C:\\Desk")) << "patterns may run in the program's folder";
  EXPECT_TRUE(fence.Covers(L"C:\\Desk")) << "the folder itself is never deleted";
  EXPECT_TRUE(fence.Holds(L"C:\\WINDOWS"));
}

// The install tree as the product's setup wrote it: a folder whose name ends in a dot (Windows
// drops it) or a path in short names is judged by the folder it names.
TEST_F(StageC, AnInstallTreeInShortNamesOrWithATrailingDotIsRemoved) {
  const std::wstring tree = L"C:\\Program Files\\Brannock Systems, Inc\\Corvane";
  for (const std::wstring value :
       {L"C:\\Program Files\\Brannock Systems, Inc.\\Corvane\\", L"C:\\PROGRA~1\\BRANNO~1\\Corvane",
        L"C:\\PROGRA~1\\BRANNO~1.\\CORVAN~1"}) {
    SCOPED_TRACE(platform::Utf8FromWide(value));
    InstallProduct(0x00040000, 0x00030032, tree + L"\\");
    server.registry.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath", value);
    server.files.WriteFile(tree + L"\\Bin\\zqsvc.exe", "x");
    server.files.SetShortName(L"C:\\Program Files", L"PROGRA~1");
    server.files.SetShortName(L"C:\\Program Files\\Brannock Systems, Inc", L"BRANNO~1");
    server.files.SetShortName(tree, L"CORVAN~1");
    ASSERT_FALSE(StartWith(L""));
    const std::string log = Run(tree + L"\\");
    EXPECT_EQ(log.find("(warning)"), std::string::npos) << log;
    EXPECT_NE(log.find("    Removing "), std::string::npos) << log;
    EXPECT_FALSE(server.files.Exists(tree));
    EXPECT_TRUE(server.files.Exists(L"C:\\Program Files"));
  }
}

TEST_F(StageC, AShortNameOfAProtectedFolderOrOfNothingIsRefused) {
  server.files.SetShortName(L"C:\\Program Files", L"PROGRA~1");
  server.files.WriteFile(L"C:\\Program Files\\Other\\app.exe", "keep");
  for (const std::wstring value : {L"C:\\PROGRA~1", L"c:\\progra~1\\", L"C:\\NOSUCH~1\\Corvane"}) {
    SCOPED_TRACE(platform::Utf8FromWide(value));
    InstallProduct(0x00040000, 0x00030032, kTree);
    server.registry.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath", value);
    server.files.WriteFile(L"C:\\Program Files\\Corvane\\Bin\\zqsvc.exe", "x");
    ASSERT_FALSE(StartWith(L""));
    const std::string log = Run();
    EXPECT_NE(log.find("(warning) CorvaneRootPath=" + platform::Utf8FromWide(value) +
                       " is not a folder of the product; removing Root Path=C:\\Program "
                       "Files\\Corvane instead\r\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(server.files.Exists(L"C:\\Program Files\\Other\\app.exe"));
    EXPECT_FALSE(server.files.Exists(kTree));
  }
}

TEST_F(StageC, SystemFolderFilesInOrderWithOnePauseBeforeThePrograms) {
  const char* names[] = {"zqwmfree.dll",
                         "zqwm.dll",
                         "zqWmDom.dll",
                         "zqWmEx.dll",
                         "zqtsm.dll",
                         "zqsio.dll",
                         "zqmiustring.dll",
                         "zqlogmgrperfapi.dll",
                         "zqlogmgrperf.dll",
                         "zqcoral.dll",
                         "velmarZQWav.dll",
                         "ZqResLoaderSvrSL.DLL",
                         "ZqResSvr.dll",
                         "velmarsipstack.dll",
                         "ZqTrapConnectionHolder.exe",
                         "ZqTrapConnectionHolderSvr.exe"};
  for (const char* name : names) {
    server.files.WriteFile(kSys + platform::WideFromUtf8(name), "x");
  }
  server.files.WriteFile(std::wstring(kSys) + L"zqother.dll", "x");
  server.files.WriteFile(std::wstring(kSys) + L"zqwm.dll", "x").in_use = 1;
  ASSERT_FALSE(StartWith(L""));
  const auto before = server.now_ms();
  // Every 50 ms of the stage: are the libraries gone yet, and the programs?
  std::vector<std::pair<bool, bool>> samples;
  const std::wstring last_library = std::wstring(kSys) + L"velmarsipstack.dll";
  const std::wstring first_program = std::wstring(kSys) + L"ZqTrapConnectionHolder.exe";
  for (std::uint64_t at = before + 50; at < before + 2000; at += 50) {
    server.At(at, [&] {
      samples.emplace_back(!server.files.Exists(last_library), !server.files.Exists(first_program));
    });
  }
  const std::string log = Run();
  const auto elapsed = server.now_ms() - before;
  std::string expected = "System32 path=C:\\WINDOWS\\system32\\\r\n";
  for (const char* name : names) {
    const std::string path = "C:\\WINDOWS\\system32\\" + std::string(name);
    expected += std::string(name) == "zqwm.dll"
                    ? "    renamed file: " + path + " to: " + path + ".old\r\n"
                    : "    removed file: " + path + "\r\n";
  }
  expected += "DLLs removed\r\n";
  EXPECT_NE(log.find(expected), std::string::npos) << log;
  EXPECT_TRUE(server.files.Exists(std::wstring(kSys) + L"zqother.dll"));
  EXPECT_GE(elapsed, 1000u);
  EXPECT_LT(elapsed, 2000u) << "one pause of one second";
  const auto paused = std::count(samples.begin(), samples.end(), std::pair(true, false));
  EXPECT_GE(paused, 15) << "the second passes with the libraries gone and the programs still there";
  EXPECT_EQ(std::count(samples.begin(), samples.end(), std::pair(false, false)), 0)
      << "no time passes before the libraries";
}

TEST_F(StageC, FailuresAreReportedFromTheWebFolderOnAndSilentBefore) {
  auto& f = server.files;
  f.WriteFile(L"C:\\WYCA.tmp\\busy.tmp", "x").in_use = 1;
  f.WriteFile(std::wstring(kDesktop) + L"\\Statusmonitor.lnk", "lnk").in_use = 1;
  f.WriteFile(L"C:\\Program Files\\Corvane\\Bin\\busy.exe", "x").in_use = 1;
  f.WriteFile(L"C:\\Inetpub\\wwwroot\\ZqXML\\busy.xml", "x").in_use = 1;
  server.registry.SetString(reg::kLocalMachine, L"Software\\Phrase Server Classes\\A", L"x", L"y");
  server.registry.Find(reg::kLocalMachine, L"Software\\Phrase Server Classes\\A")->deny_write =
      true;
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_EQ(Count(log, "(error)"), 1u) << log;
  EXPECT_NE(log.find("Path to wwwroot=C:\\Inetpub\\wwwroot\r\n    Removing ZqXML directory\r\n"
                     "(error) Description:Permission denied number: 70\r\nIIS directories "
                     "removed\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("c:\\WYCA.tmp folder removed\r\n"), std::string::npos)
      << "the line follows a silent failure";
  EXPECT_TRUE(f.Exists(std::wstring(kDesktop) + L"\\Statusmonitor.lnk"));
  EXPECT_TRUE(HasKey(reg::kLocalMachine, L"Software\\Phrase Server Classes\\A"));
}

TEST_F(StageC, EmptySystemRootFallsBackToThePlatformsWindowsFolder) {
  server.registry.SetString(reg::kLocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                            L"SystemRoot", L"");
  server.machine.windows_folder = L"C:\\WINNT";
  server.files.WriteFile(L"C:\\WINNT\\system32\\zqwm.dll", "x");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_NE(log.find("System32 path=C:\\WINNT\\system32\\\r\n    removed file: "
                     "C:\\WINNT\\system32\\zqwm.dll\r\n"),
            std::string::npos)
      << log;
}

// ---- The footprint fence ---------------------------------------------------------------

void CollectFiles(const FileNode& node, const std::wstring& path, std::set<std::wstring>& out) {
  for (const auto& child : node.children) {
    const std::wstring full = path + L"\\" + platform::Upcase(child->name);
    out.insert(full);
    if (child->is_folder) CollectFiles(*child, full, out);
  }
}

void CollectKeys(const RegNode& node, const std::wstring& path, std::set<std::wstring>& out) {
  for (const auto& value : node.values) out.insert(path + L" = " + platform::Upcase(value.name));
  for (const auto& child : node.subkeys) {
    if (child->deleted) continue;
    const std::wstring full = path + L"\\" + platform::Upcase(child->name);
    out.insert(full);
    CollectKeys(*child, full, out);
  }
}

struct Snapshot {
  std::set<std::wstring> items;
};

// Product items the stage may take: the install tree and the registry entries it names.
constexpr const wchar_t* kFootprint[] = {
    L"C:\\PROGRAM FILES\\CORVANE\\",
    L"HKLM\\SOFTWARE\\QUILLON",
    L"HKLM\\SOFTWARE\\PHRASE SERVER CLASSES",
    L"HKLM\\SOFTWARE\\BRANNOCK SYSTEMS",
    L"HKLM\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\LANMANSERVER\\SHARES",
    L"HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\",
    L"HKU\\.DEFAULT\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENT VERSION\\WINDOWS MESSAGING",
};

bool InFootprint(const std::wstring& item) {
  if (item == L"C:\\PROGRAM FILES\\CORVANE") return true;
  for (const auto* prefix : kFootprint) {
    if (item.starts_with(prefix)) return true;
  }
  return false;
}

// What the completion may add outside the footprint: the batch on drive C: and, for a usable
// "Root Path", the RunOnce value that starts it.
bool WrittenByCompletion(const std::wstring& item) {
  return item == L"C:\\VELMARCLEAN.BAT" ||
         item == L"HKCU\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE = 1";
}

class Footprint : public StageC {
 protected:
  // Things of the machine every hostile value below could reach if it were obeyed.
  void SetUp() override {
    StageC::SetUp();
    platform::sim::InstallWindowsPrograms(server);
    auto& f = server.files;
    for (const auto* path : {L"C:\\boot.ini",
                             L"C:\\zqconfig.sys",
                             L"C:\\WYICA.txt",
                             L"C:\\status monitor.txt",
                             L"C:\\Velmar\\keep.txt",
                             L"C:\\ZqXML\\keep.xml",
                             L"C:\\Dat\\keep.doc",
                             L"C:\\Data\\important.doc",
                             L"C:\\gearloft.ini",
                             L"C:\\Configuration Setup.txt",
                             L"C:\\WINDOWS\\win.ini",
                             L"C:\\WINDOWS\\system32\\kernel32.dll",
                             L"C:\\WINDOWS\\system32\\zqsystem.dll",
                             L"C:\\Program Files\\Other\\app.exe",
                             L"C:\\Documents and Settings\\Administrator\\ntuser.dat",
                             L"C:\\Tools\\VelmarUninstall3xandUp.exe",
                             L"C:\\Tools\\PelletSetup.exe",
                             L"C:\\Users\\Public\\x.txt",
                             L"C:\\Localize\\PhraseServers\\enu\\phrases.dll",
                             L"C:\\Components\\zqcore.dll"}) {
      f.WriteFile(path, "keep");
    }
    f.WriteFile(L"C:\\Tools\\VelmarClean.bat", "@rd /s /q %*\r\n");
    server.registry.SetString(reg::kLocalMachine, L"Software\\Other", L"x", L"y");
    server.registry.SetString(reg::kCurrentUser, L"Software\\Other", L"x", L"y");
    server.registry.Ensure(reg::kCurrentUser, kRunOnceKey);
  }

  std::set<std::wstring> Take() {
    std::set<std::wstring> items;
    CollectFiles(*server.files.Root(L'C'), L"C:", items);
    CollectKeys(*server.registry.Root(reg::kLocalMachine), L"HKLM", items);
    CollectKeys(*server.registry.Root(reg::kCurrentUser), L"HKCU", items);
    CollectKeys(*server.registry.Root(reg::kUsers), L"HKU", items);
    return items;
  }

  // Stages B and C and the completion as the press runs them, to the end of the program, on
  // the "Root Path" given; the log lines of the run.
  std::string RunToTheEnd(const std::wstring& root_path) {
    const std::string before = Log();
    velmar::ProcessRunner runner(app->host, app->log);
    ErrorTrap trap(app->log);
    FileHelpers helpers(app->host, app->log, runner);
    RunStageB(*app, runner, trap, helpers, root_path);
    RunStageC(*app, runner, trap, helpers, root_path);
    server.boxes.ExpectAny(platform::mb::kIdCancel);
    EXPECT_THROW(RunCompletion(*app, runner, root_path, L"\r\nSubscribers:\r\n"),
                 platform::ProgramEnd);
    return Log().substr(before.size());
  }

  // Every value the sequence reads set to the same hostile text, "Root Path" to another; the
  // whole run ends the program, and not one file or key outside the footprint may be gone or
  // added but what the completion writes. The run's log lines go to *log_out.
  void RunHostile(const std::wstring& value, const std::wstring& root_path,
                  std::string* log_out = nullptr, bool root_usable = false) {
    SCOPED_TRACE("value=" + platform::Utf8FromWide(value) +
                 " root=" + platform::Utf8FromWide(root_path));
    auto& r = server.registry;
    r.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath", value);
    for (const auto* name : {L"Common Startup", L"Common Programs", L"Common Desktop"}) {
      r.SetString(reg::kLocalMachine, kShell, name, value);
    }
    r.SetString(reg::kCurrentUser, kShell, L"Desktop", value);
    r.SetString(reg::kLocalMachine, L"Software\\Microsoft\\InetStp", L"PathWWWRoot", value);
    r.SetString(reg::kLocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                L"SystemRoot", value);
    std::erase_if(r.Ensure(reg::kCurrentUser, kRunOnceKey).values,
                  [](const auto& stored) { return stored.name == L"1"; });
    // An earlier run took the product keys and its services.
    InstallProduct(0x00040000, 0x00030032, root_path);
    for (const auto* name : kServices) server.services.Install(name, platform::svc::kRunning);
    ASSERT_FALSE(StartWith(L"")) << "start-up accepts this Root Path";
    const auto before = Take();
    const std::string log = RunToTheEnd(root_path);
    const auto after = Take();
    for (const auto& item : before) {
      if (after.count(item) == 0 && !InFootprint(item)) {
        ADD_FAILURE() << "lost " << platform::Utf8FromWide(item) << "\n" << log;
      }
    }
    for (const auto& item : after) {
      if (before.count(item) == 0 && !InFootprint(item) && !WrittenByCompletion(item)) {
        ADD_FAILURE() << "added " << platform::Utf8FromWide(item) << "\n" << log;
      }
    }
    EXPECT_NE(log.find("(warning) CorvaneRootPath="), std::string::npos) << log;
    EXPECT_NE(log.find("Removed message store configuration wizard"), std::string::npos);
    EXPECT_TRUE(log.ends_with("\r\n") &&
                log.rfind("\r\nExiting Application at:") == log.rfind("\r\n", log.size() - 3))
        << "the run ends the program\n"
        << log;
    const bool registered = r.Value(reg::kCurrentUser, kRunOnceKey, L"1") != nullptr;
    const bool refused = log.find("(warning) Root Path=" + platform::Utf8FromWide(root_path) +
                                  " is not a folder of the product; the clean-up at the next "
                                  "logon is not registered\r\n") != std::string::npos;
    EXPECT_EQ(registered, root_usable);
    EXPECT_EQ(refused, !root_usable);
    if (log_out != nullptr) *log_out = log;
  }

  // The four shortcut folders refused, each with its warning line; the web root with its
  // warning when it is empty or a ZqXML folder exists under it, otherwise with only its lines.
  static void ExpectFoldersSkipped(const std::string& log, const std::wstring& value,
                                   bool web_warning) {
    const std::string text = platform::Utf8FromWide(value);
    for (const char* name : {"Common Startup", "Common Programs", "Desktop", "Common Desktop"}) {
      EXPECT_NE(log.find("(warning) " + std::string(name) + "=" + text +
                         " is not a usable shortcut folder; its shortcuts were not removed\r\n"),
                std::string::npos)
          << name << "\n"
          << log;
    }
    EXPECT_EQ(Count(log, "is not a usable shortcut folder"), 4u);
    const std::string warning =
        "(warning) PathWWWRoot=" + text + " is not a usable web root; no web folder removed\r\n";
    EXPECT_NE(log.find("Path to wwwroot=" + text + "\r\n" + (web_warning ? warning : "") +
                       "IIS directories removed\r\n"),
              std::string::npos)
        << log;
  }
};

TEST_F(Footprint, EmptyValues) {
  std::string log;
  RunHostile(L"", L"C:\\WINDOWS\\", &log);
  ExpectFoldersSkipped(log, L"", /*web_warning=*/true);
}

// The uninstaller runs in C:\Tools: only "..\.." reaches a ZqXML folder (C:\ZqXML).
TEST_F(Footprint, RelativeValues) {
  const std::pair<std::wstring, bool> values[] = {
      {L"Corvane", false}, {L"\\", false},        {L"\\\\", false},
      {L"..\\..", true},   {L"C:Corvane", false}, {L"\\Program Files\\Corvane", false}};
  for (const auto& [value, web_warning] : values) {
    std::string log;
    RunHostile(value, L"Tools\\Corvane", &log);
    ExpectFoldersSkipped(log, value, web_warning);
  }
}

// Each names C:\ZqXML but the last, whose "*" names no folder.
TEST_F(Footprint, DriveRootsInEveryDisguise) {
  const std::pair<std::wstring, bool> values[] = {{L"C:\\", true},
                                                  {L"c:", true},
                                                  {L"C:\\\\\\", true},
                                                  {L"C:\\.", true},
                                                  {L"C:\\WINDOWS\\..", true},
                                                  {L"C:\\ ", true},
                                                  {L"C:/", true},
                                                  {L"C:\\*", false}};
  for (const auto& [value, web_warning] : values) {
    std::string log;
    RunHostile(value, L"C:\\\\\\\\", &log);
    ExpectFoldersSkipped(log, value, web_warning);
  }
}

TEST_F(Footprint, SystemFoldersAndTheUninstallersOwn) {
  const std::wstring folders[] = {L"c:\\windows\\",
                                  L"C:\\WINDOWS\\system32",
                                  L"C:\\WINDOWS.",
                                  L"C:\\Program Files",
                                  L"C:\\PROGRA~1",
                                  L"C:\\Documents and Settings",
                                  L"C:\\Users",
                                  L"C:\\Tools",
                                  L"C:\\Program Files\\..\\WINDOWS"};
  for (const auto& value : folders) {
    for (const auto& root : folders) RunHostile(value, root);
  }
}

TEST_F(Footprint, AProfilesFolderNamedThroughTheSystemDriveIsRefused) {
  const std::wstring profiles = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
  server.registry.SetString(reg::kLocalMachine, profiles, L"ProfilesDirectory",
                            L"%SystemDrive%\\Profiles");
  for (auto& value : server.registry.Ensure(reg::kLocalMachine, profiles).values) {
    value.type = reg::kExpandSz;  // as Windows stores it
  }
  server.files.WriteFile(L"C:\\Profiles\\jdoe\\ntuser.dat", "keep");
  server.registry.SetString(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath", L"c:\\profiles");
  ASSERT_FALSE(StartWith(L""));
  const std::string log = Run();
  EXPECT_NE(log.find("(warning) CorvaneRootPath=c:\\profiles is not a folder of the product; "
                     "removing Root Path=C:\\Program Files\\Corvane instead\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(server.files.Exists(L"C:\\Profiles\\jdoe\\ntuser.dat"));
}

// The folders the clean-up batch refuses by their environment names are refused here too, so a
// root the batch would refuse at the next logon is never deleted now nor registered for it.
TEST_F(Footprint, FoldersTheEnvironmentNamesAreRefused) {
  const std::pair<const wchar_t*, const wchar_t*> variables[] = {
      {L"ProgramData", L"C:\\ProgramData"},
      {L"PUBLIC", L"C:\\Users\\Public"},
      {L"ALLUSERSPROFILE", L"C:\\Documents and Settings\\All Users"},
      {L"ProgramFiles(x86)", L"D:\\Apps (x86)"},
      {L"USERPROFILE", L"E:\\Home\\administrator"},
  };
  for (const auto& [name, folder] : variables) {
    server.environment.Set(name, folder);
    server.files.WriteFile(std::wstring(folder) + L"\\Vendor\\keep.dat", "keep");
  }
  server.files.WriteFile(L"C:\\WINDOWS\\SysWOW64\\keep.dll", "keep");
  for (const auto& [name, folder] : variables) {
    RunHostile(folder, folder);
    EXPECT_TRUE(server.files.Exists(std::wstring(folder) + L"\\Vendor\\keep.dat")) << name;
  }
  RunHostile(L"C:\\WINDOWS\\SysWOW64", L"c:\\windows\\syswow64\\");
  EXPECT_TRUE(server.files.Exists(L"C:\\WINDOWS\\SysWOW64\\keep.dll"));
}

TEST_F(Footprint, FoldersHoldingTheUninstallerOrTheSystemAreRefusedToo) {
  const ProtectedFolders fence({L"C:\\WINDOWS", L"C:\\Apps\\Tools", L"C:\\"});
  EXPECT_FALSE(IsDeletableTree(L"C:\\Apps", fence)) << "holds a protected folder";
  EXPECT_FALSE(IsDeletableTree(L"c:\\apps\\TOOLS\\", fence));
  EXPECT_TRUE(IsDeletableTree(L"C:\\Apps\\Corvane", fence)) << "a drive root protects nothing";
  EXPECT_TRUE(IsDeletableTree(L"C:\\WINDOWSX", fence));
  EXPECT_FALSE(IsDeletableTree(L"C:\\WINDOWS\\System32\\..", fence));
}

TEST_F(Footprint, AProgramGroupHoldingTheUninstallerStays) {
  const std::wstring program = L"C:\\Setup\\Velmar\\VelmarUninstall3xandUp.exe";
  server.files.WriteFile(program, "exe");
  server.files.WriteFile(L"C:\\Setup\\zqtool.exe", "exe");
  server.registry.SetString(reg::kLocalMachine, kShell, L"Common Programs", L"C:\\Setup");
  server.registry.SetString(reg::kLocalMachine, kShell, L"Common Startup", L"C:\\Setup\\");
  ASSERT_FALSE(StartWith(L"", program));
  const std::string log = Run();
  EXPECT_TRUE(server.files.Exists(program));
  EXPECT_FALSE(server.files.Exists(L"C:\\Setup\\zqtool.exe")) << "a startup folder may hold it";
  EXPECT_NE(log.find("Path to the program group=C:\\Setup\r\n(warning) Common Programs=C:\\Setup "
                     "is not a usable shortcut folder; its shortcuts were not removed\r\n"),
            std::string::npos)
      << log;
}

TEST_F(Footprint, OverlongAndNonAsciiValues) {
  const std::wstring overlong = L"C:\\" + std::wstring(300, L'a');
  std::string log;
  RunHostile(overlong, L"C:\\Program Files", &log);
  ExpectFoldersSkipped(log, overlong, /*web_warning=*/false);
  RunHostile(L"C:\\\u65e5\u672c\u8a9e", L"C:\\\u0414\u0430\u0442", nullptr,
             /*root_usable=*/true);
}

}  // namespace
}  // namespace uninstaller::testing
