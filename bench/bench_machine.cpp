// The uninstaller started and pressed through on a benchmark installation, and what a finished
// run must have removed.
#include "bench/bench_machine.h"

#include "uninstaller/strings_en.h"

namespace velmar::bench {
namespace {

namespace mb = platform::mb;
namespace reg = platform::reg;

// The questions the press asks before it starts, each answered yes.
constexpr std::uint32_t kQuestions[] = {2012, 2002, 2003, 2004};

platform::sim::StringTable EnglishTable() {
  platform::sim::StringTable table;
  for (const auto& [id, text] : uninstaller::BuiltInStrings()) table[id] = text;
  return table;
}

// The host the program is handed: the process's own facilities, its registry counted and its
// database timed.
std::unique_ptr<platform::Host> WatchedHost(platform::Host& own, CountingRegistry& registry,
                                            TimedDatabase& database) {
  return std::make_unique<platform::Host>(
      platform::Host{registry, own.files, own.processes, own.services, own.clock, own.boxes,
                     own.trace, own.system, own.locale, own.resources, database, own.com, own.iis,
                     own.libraries, own.file_calls, own.directory, own.internet, own.events});
}

}  // namespace

BenchMachine::BenchMachine() : size{0, 0, 0} {
  LayTypicalInstallation(server);
}

BenchMachine::BenchMachine(const InstallSize& wanted) : size(wanted) {
  LayInstallation(server, size);
}

bool BenchMachine::Start() {
  process = std::make_unique<platform::sim::Process>(server, kProgram, L"", EnglishTable(),
                                                     std::array<std::uint16_t, 4>{4, 0, 0, 34});
  registry = std::make_unique<CountingRegistry>(process->host().registry);
  database = std::make_unique<TimedDatabase>(process->host().database);
  host = WatchedHost(process->host(), *registry, *database);
  app = std::make_unique<uninstaller::UninstallerApp>(*host, views);
  try {
    app->Start();
  } catch (const platform::ProgramEnd&) {
    return false;
  }
  return true;
}

bool BenchMachine::PressUninstall() {
  app->main.SetChecked("chkRemoveSubscriberInfo", true);
  const auto table = EnglishTable();
  for (std::uint32_t id : kQuestions) server.boxes.Expect(table.at(id), mb::kIdYes);
  // An older version asks about the accounts as well, before the summary.
  for (int i = 0; i < (app->IsVelmarVersionAtLeast(4, 0, 2, 50) ? 1 : 2); ++i) {
    server.boxes.ExpectAny(mb::kIdCancel);
  }
  try {
    app->main.OnClick("cmdUninstall");
  } catch (const platform::ProgramEnd&) {
    return true;
  }
  return false;
}

std::vector<std::string> BenchMachine::Leftovers() const {
  std::vector<std::string> left = server.Problems();
  if (server.files.Exists(kInstallRoot)) left.push_back("the install tree is still there");
  for (const wchar_t* tree : {L"Software\\Quillon", L"Software\\Brannock Systems"}) {
    if (server.registry.Find(reg::kLocalMachine, tree)) left.push_back("a product key remains");
  }
  // The setup's two subscribers are removed as well as the ones laid out.
  const auto removed = server.sql.CallsTo(L"sp_DeleteSubscriber").size();
  if (removed != static_cast<std::size_t>(size.subscribers) + 2) {
    left.push_back(std::to_string(removed) + " subscribers removed of " +
                   std::to_string(size.subscribers + 2));
  }
  return left;
}

}  // namespace velmar::bench
