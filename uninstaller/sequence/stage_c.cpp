// Stage C of the sequence as tables of keys, folders, patterns and file names, with every path
// read from the registry held to the product's footprint before anything is deleted.
#include "uninstaller/sequence/stage_c.h"

#include <span>
#include <variant>

#include "common/registry_api.h"
#include "platform/text.h"
#include "uninstaller/sequence/footprint.h"

namespace uninstaller {
namespace {

namespace reg = platform::reg;

// The main window's progress rows this stage ticks.
constexpr int kRowInstallTree = 7;
constexpr int kRowRegistry = 8;
constexpr int kRowShortcuts = 9;
constexpr int kRowWebFolder = 10;
constexpr int kRowSystemFiles = 11;

constexpr wchar_t kSetupKey[] = L"Software\\Quillon\\Corvane Setup\\1.0\\Properties";
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kWorkFolder[] = L"c:\\WYCA.tmp";
constexpr std::uint32_t kJapanese = 0x411;

enum class RegOp { kDeleteTree, kDeleteValue, kDeleteKeyOnly };

struct RegRow {
  RegOp op;
  platform::RegHandle root;
  std::wstring_view key;
  std::wstring_view value;
};

constexpr RegRow kRegistryRows[] = {
    {RegOp::kDeleteTree, reg::kLocalMachine, L"Software\\Quillon", L""},
    {RegOp::kDeleteTree, reg::kLocalMachine, L"Software\\Phrase Server Classes", L""},
    // "Current Version" with its blank is the key the product's setup created.
    {RegOp::kDeleteTree, reg::kUsers,
     L".Default\\Software\\Microsoft\\Windows NT\\Current Version\\Windows Messaging "
     L"System\\Profiles\\Velmar System Profile",
     L""},
    {RegOp::kDeleteTree, reg::kLocalMachine, L"Software\\Brannock Systems", L""},
    {RegOp::kDeleteTree, reg::kLocalMachine, L"Software\\Brannock Systems, Inc.", L""},
    {RegOp::kDeleteValue, reg::kLocalMachine,
     L"System\\CurrentControlSet\\Services\\TCPIP\\Parameters", L"DisableUserTOSSetting"},
    // The key goes only when nothing below it is left.
    {RegOp::kDeleteKeyOnly, reg::kLocalMachine, L"System\\CurrentControlSet\\Services\\ZQAudio",
     L""},
};

constexpr std::wstring_view kShareKeys[] = {
    L"System\\CurrentControlSet\\Services\\lanmanServer\\Shares\\Security",
    L"System\\CurrentControlSet\\Services\\lanmanServer\\Shares"};
constexpr std::wstring_view kShares[] = {L"Reports",      L"IntLib",  L"Prompts",
                                         L"Stream Files", L"Support", L"DefaultConfiguration",
                                         L"VelmarMta"};

// A pattern that starts with "\" names files in the folder; any other names a subfolder that
// goes with everything in it.
constexpr std::wstring_view kStartupPatterns[] = {L"\\zq*.*", L"\\WYICA*"};
constexpr std::wstring_view kProgramsPatterns[] = {L"Velmar"};
constexpr std::wstring_view kDesktopPatterns[] = {
    L"\\status monitor*",        L"\\system administration*",
    L"\\velmar administration*", L"\\Administration de Velmar*",
    L"\\Moniteur d'\u00e9tat*",  L"\\Velmar-Verwaltung*",
    L"\\Statusmonitor*",         L"\\WYICA*",
    L"\\brannock velmar*"};
constexpr std::wstring_view kAllUsersDesktopPatterns[] = {L"\\Configuration Setup*", L"\\WYICA*",
                                                          L"\\gearloft*", L"\\brannock velmar*"};

struct ShortcutFolder {
  platform::RegHandle root;
  std::wstring_view value;
  std::wstring_view log_text;
  std::span<const std::wstring_view> patterns;
};

constexpr ShortcutFolder kShortcutFolders[] = {
    {reg::kLocalMachine, L"Common Startup", L"Path to the startup folder=", kStartupPatterns},
    {reg::kLocalMachine, L"Common Programs", L"Path to the program group=", kProgramsPatterns},
    {reg::kCurrentUser, L"Desktop", L"Path to the 'Administrator' desktop=", kDesktopPatterns},
    {reg::kLocalMachine, L"Common Desktop", L"Path to the 'all users' desktop=",
     kAllUsersDesktopPatterns},
};

// The libraries first; the pause lets whatever still held them let go before the programs.
constexpr std::wstring_view kSystemLibraries[] = {
    L"zqwmfree.dll",     L"zqwm.dll",          L"zqWmDom.dll",     L"zqWmEx.dll",
    L"zqtsm.dll",        L"zqsio.dll",         L"zqmiustring.dll", L"zqlogmgrperfapi.dll",
    L"zqlogmgrperf.dll", L"zqcoral.dll",       L"velmarZQWav.dll", L"ZqResLoaderSvrSL.DLL",
    L"ZqResSvr.dll",     L"velmarsipstack.dll"};
constexpr std::wstring_view kSystemPrograms[] = {L"ZqTrapConnectionHolder.exe",
                                                 L"ZqTrapConnectionHolderSvr.exe"};

constexpr std::wstring_view kInstalledProgramsKeys[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brannock Velmar Message Store "
    L"Configuration Wizard",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brannock Velmar Configuration",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmar Configuration"};
constexpr wchar_t kGuidEntry[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    L"{6E376BAB-01BB-4F53-B0B8-7E5B89AB1706}";

class StageC {
 public:
  StageC(UninstallerApp& app, velmar::ProcessRunner& runner, ErrorTrap& trap, FileHelpers& helpers,
         const std::wstring& root)
      : app_(app),
        runner_(runner),
        trap_(trap),
        helpers_(helpers),
        root_(root),
        registry_(app.host.registry, app.host.locale),
        fence_(ProtectedFolders::OfMachine(app.host)) {}

  void Run() {
    RemoveInstallTree();
    RemoveWorkFolder();
    RemoveRegistryEntries();
    RemoveShares();
    if (!ShortcutsSkipped()) RemoveShortcuts();
    RemoveWebFolder();
    RemoveSystemFiles();
    RemoveInstalledProgramsEntries();
  }

 private:
  std::wstring ReadText(platform::RegHandle root, std::wstring_view key, std::wstring_view name) {
    const auto value = registry_.GetRegValue(root, key, name, velmar::kRegSz, std::wstring());
    const auto* text = std::get_if<std::wstring>(&value);
    return text ? *text : std::wstring();
  }
  void Tick(int row) {
    trap_([&] { app_.main.TickRow(row); });
  }

  // The folder the install tree is taken from: "CorvaneRootPath" as read, or "Root Path" when
  // the first would reach beyond the product; empty when neither is safe to delete.
  std::wstring ChooseInstallTree(const std::wstring& tree) {
    const bool tree_ok = IsDeletableTree(tree, fence_);
    const bool root_ok = IsDeletableTree(root_, fence_);
    if (tree_ok) {
      if (root_ok && !SameFolder(fence_.LongForm(tree), fence_.LongForm(root_))) {
        app_.log.WriteLog(L"(warning) CorvaneRootPath=" + tree + L" and Root Path=" + root_ +
                          L" name different folders; removing CorvaneRootPath");
      }
      return tree;
    }
    if (!root_ok) {
      app_.log.WriteLog(L"(warning) CorvaneRootPath=" + tree + L" and Root Path=" + root_ +
                        L" are not folders of the product; install tree not removed");
      return {};
    }
    app_.log.WriteLog(L"(warning) CorvaneRootPath=" + tree +
                      L" is not a folder of the product; removing Root Path=" + root_ +
                      L" instead");
    std::wstring folder = root_;
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
  }

  void RemoveInstallTree() {
    std::wstring tree;
    trap_([&] { tree = ReadText(reg::kLocalMachine, kSetupKey, L"CorvaneRootPath"); });
    app_.log.WriteLog(L"Path to Velmar install=" + tree);
    Tick(kRowInstallTree);
    trap_.set_mode(ErrorMode::kSilent);
    const std::wstring folder = ChooseInstallTree(tree);
    if (!folder.empty()) helpers_.RemoveInstallTree(folder);
    app_.log.WriteLog(L"Corvane directory removal attempt complete.");
  }

  void RemoveWorkFolder() {
    if (!app_.host.files.FolderExists(kWorkFolder)) return;
    trap_([&] { helpers_.DeleteFolderTree(kWorkFolder); });
    app_.log.WriteLog(L"c:\\WYCA.tmp folder removed");
  }

  void RemoveRegistryEntries() {
    Tick(kRowRegistry);
    for (const RegRow& row : kRegistryRows) {
      trap_([&] {
        switch (row.op) {
          case RegOp::kDeleteTree: registry_.DeleteRegKeyTree(row.key, row.root); break;
          case RegOp::kDeleteValue: registry_.DeleteRegValue(row.root, row.key, row.value); break;
          case RegOp::kDeleteKeyOnly: registry_.DeleteRegKey(row.root, row.key); break;
        }
      });
    }
  }

  void RemoveShares() {
    for (const std::wstring_view key : kShareKeys) {
      for (const std::wstring_view share : kShares) {
        trap_([&] { registry_.DeleteRegValue(reg::kLocalMachine, key, share); });
      }
    }
    app_.log.WriteLog(L"All shares removed");
  }

  bool ShortcutsSkipped() {
    std::wstring args;
    trap_([&] { args = app_.host.processes.CommandArgs(); });
    if (args.size() >= 2 && platform::Upcase(args).find(L"SKIPDESKTOP") != std::wstring::npos) {
      return true;
    }
    return app_.localize.current_language() == kJapanese;
  }

  void RemoveShortcuts() {
    Tick(kRowShortcuts);
    for (const ShortcutFolder& row : kShortcutFolders) {
      std::wstring folder;
      trap_([&] { folder = ReadText(row.root, kShellFolders, row.value); });
      app_.log.WriteLog(std::wstring(row.log_text) + folder);
      // An empty or rootless folder would put the patterns at the top of a drive.
      if (!IsShortcutFolder(folder, row.patterns)) {
        app_.log.WriteLog(L"(warning) " + std::wstring(row.value) + L"=" + folder +
                          L" is not a usable shortcut folder; its shortcuts were not removed");
        continue;
      }
      for (const std::wstring_view pattern : row.patterns) {
        // The uninstaller may run from a desktop: the patterns run there, but none may reach
        // the toolkit's own files.
        if (pattern.starts_with(L'\\') && !fence_.SparesToolkit(folder, pattern)) {
          app_.log.WriteLog(L"(warning) " + folder + std::wstring(pattern) +
                            L" could match the uninstaller's own files; not applied");
          continue;
        }
        trap_([&] {
          if (pattern.starts_with(L'\\')) {
            helpers_.DeleteMatchingFiles(folder + std::wstring(pattern));
          } else {
            helpers_.DeleteFolderTree(folder + L"\\" + std::wstring(pattern));
          }
        });
      }
    }
    app_.log.WriteLog(L"Links and program groups removed");
  }

  // No shortcut folder is a system folder itself, and the program group it holds must not
  // hold one either (the uninstaller may run from there). A folder is judged by its long name.
  bool IsShortcutFolder(const std::wstring& folder, std::span<const std::wstring_view> patterns) {
    const std::wstring judged = fence_.LongForm(folder);
    if (!IsPatternFolder(judged) || fence_.Holds(judged)) return false;
    for (const std::wstring_view pattern : patterns) {
      if (!pattern.starts_with(L'\\') && fence_.Covers(judged + L"\\" + std::wstring(pattern))) {
        return false;
      }
    }
    return true;
  }

  void RemoveWebFolder() {
    trap_.set_mode(ErrorMode::kReporting);
    Tick(kRowWebFolder);
    std::wstring web_root;
    trap_([&] {
      web_root = ReadText(reg::kLocalMachine, L"Software\\Microsoft\\InetStp", L"PathWWWRoot");
    });
    app_.log.WriteLog(L"Path to wwwroot=" + web_root);
    // An empty value would test "\ZqXML" at the top of the current drive. Any other value that
    // names no folder holding ZqXML (IIS 7 stores "%SystemDrive%\inetpub\wwwroot" unexpanded)
    // simply fails the folder test; only a folder that exists and would reach beyond the
    // product is worth a warning.
    bool found = false;
    if (!web_root.empty()) {
      trap_([&] { found = app_.host.files.FolderExists(web_root + L"\\ZqXML"); });
    }
    if (web_root.empty() || (found && !IsUsableWebRoot(web_root))) {
      app_.log.WriteLog(L"(warning) PathWWWRoot=" + web_root +
                        L" is not a usable web root; no web folder removed");
    } else if (found) {
      app_.log.WriteLog(L"    Removing ZqXML directory");
      trap_([&] { helpers_.DeleteFolderTree(web_root + L"\\ZQXml"); });
    }
    app_.log.WriteLog(L"IIS directories removed");
  }

  bool IsUsableWebRoot(const std::wstring& web_root) const {
    const std::wstring judged = fence_.LongForm(web_root);
    return IsPatternFolder(judged) && !fence_.Covers(judged + L"\\ZqXML");
  }

  // The Windows folder from the registry; the platform's own when the value is unusable.
  std::wstring WindowsFolder() {
    std::wstring folder;
    trap_([&] {
      folder = ReadText(reg::kLocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                        L"SystemRoot");
    });
    if (IsAbsoluteLocalPath(folder)) return folder;
    trap_([&] { folder = app_.host.system.WindowsFolder(); });
    return IsAbsoluteLocalPath(folder) ? folder : L"C:\\WINDOWS";
  }

  void RemoveSystemFiles() {
    Tick(kRowSystemFiles);
    const std::wstring folder = WindowsFolder() + L"\\system32\\";
    app_.log.WriteLog(L"System32 path=" + folder);
    for (const std::wstring_view name : kSystemLibraries) {
      trap_([&] { helpers_.RemoveOrRenameFile(folder + std::wstring(name)); });
    }
    runner_.PauseSeconds(1);
    for (const std::wstring_view name : kSystemPrograms) {
      trap_([&] { helpers_.RemoveOrRenameFile(folder + std::wstring(name)); });
    }
    app_.log.WriteLog(L"DLLs removed");
  }

  void RemoveInstalledProgramsEntries() {
    trap_.set_mode(ErrorMode::kSilent);
    for (const std::wstring_view key : kInstalledProgramsKeys) {
      trap_([&] { registry_.DeleteRegKeyTree(key, reg::kLocalMachine); });
    }
    app_.log.WriteLog(L"Removed message store configuration wizard from 'add remove programs'");
    trap_([&] { registry_.DeleteRegKeyTree(kGuidEntry, reg::kLocalMachine); });
  }

  UninstallerApp& app_;
  velmar::ProcessRunner& runner_;
  ErrorTrap& trap_;
  FileHelpers& helpers_;
  const std::wstring& root_;
  velmar::RegistryAPI registry_;
  const ProtectedFolders fence_;
};

}  // namespace

void RunStageC(UninstallerApp& app, velmar::ProcessRunner& runner, ErrorTrap& trap,
               FileHelpers& helpers, const std::wstring& root) {
  StageC(app, runner, trap, helpers, root).Run();
}

}  // namespace uninstaller
