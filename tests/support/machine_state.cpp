// The simulated server's contents as lines: by name for the fault runs' footprint check, in
// full for the preview's proof that it changes nothing.
#include "tests/support/machine_state.h"

#include <algorithm>
#include <iterator>

#include "platform/text.h"

namespace velmar::fault {
namespace {

using platform::sim::FileNode;
using platform::sim::RegNode;

void AddFiles(const FileNode& node, const std::wstring& path, MachineState& state) {
  for (const auto& child : node.children) {
    const std::wstring child_path = path + L"\\" + platform::Upcase(child->name);
    state.insert((child->is_folder ? L"D " : L"F ") + child_path);
    if (child->is_folder) AddFiles(*child, child_path, state);
  }
}

void AddKeys(const RegNode& node, const std::wstring& path, MachineState& state) {
  for (const auto& value : node.values) {
    state.insert(L"V " + path + L"|" + platform::Upcase(value.name));
  }
  for (const auto& subkey : node.subkeys) {
    if (subkey->deleted) continue;
    const std::wstring key_path = path + L"\\" + platform::Upcase(subkey->name);
    state.insert(L"K " + key_path);
    AddKeys(*subkey, key_path, state);
  }
}

}  // namespace

MachineState Snapshot(const platform::sim::Server& server) {
  MachineState state;
  for (wchar_t drive = L'A'; drive <= L'Z'; ++drive) {
    if (const FileNode* root = server.files.Root(drive)) {
      AddFiles(*root, std::wstring(1, drive) + L":", state);
    }
  }
  const std::pair<platform::RegHandle, const wchar_t*> roots[] = {
      {platform::reg::kLocalMachine, L"HKLM"},
      {platform::reg::kCurrentUser, L"HKCU"},
      {platform::reg::kUsers, L"HKU"}};
  for (const auto& [handle, name] : roots) {
    if (const auto root = server.registry.Root(handle)) AddKeys(*root, name, state);
  }
  for (const auto& [name, entry] : server.services.all()) state.insert(L"S " + name);
  return state;
}

namespace {

std::wstring Hex(const std::string& bytes) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring hex;
  for (const unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 0xF];
  }
  return hex;
}

void AddFileContents(const FileNode& node, const std::wstring& path, MachineState& state) {
  for (const auto& child : node.children) {
    const std::wstring child_path = path + L"\\" + child->name;
    state.insert(L"C " + child_path + L" " + std::to_wstring(child->attributes) + L" " +
                 Hex(child->content()));
    if (child->is_folder) AddFileContents(*child, child_path, state);
  }
}

void AddValueData(const RegNode& node, const std::wstring& path, MachineState& state) {
  for (const auto& value : node.values) {
    const std::string bytes(value.data.begin(), value.data.end());
    state.insert(L"D " + path + L"|" + value.name + L" " + std::to_wstring(value.type) + L" " +
                 Hex(bytes));
  }
  for (const auto& subkey : node.subkeys) {
    if (!subkey->deleted) AddValueData(*subkey, path + L"\\" + subkey->name, state);
  }
}

template <typename List>
void AddAll(const wchar_t* tag, const List& list, MachineState& state) {
  std::size_t at = 0;
  for (const auto& item : list) state.insert(tag + std::to_wstring(at++) + L" " + item);
}

}  // namespace

MachineState Contents(platform::sim::Server& server) {
  MachineState state = Snapshot(server);
  for (wchar_t drive = L'A'; drive <= L'Z'; ++drive) {
    if (const FileNode* root = server.files.Root(drive)) {
      AddFileContents(*root, std::wstring(1, drive) + L":", state);
    }
  }
  for (const platform::RegHandle root :
       {platform::reg::kLocalMachine, platform::reg::kCurrentUser, platform::reg::kUsers}) {
    if (const auto node = server.registry.Root(root)) {
      AddValueData(*node, std::to_wstring(root), state);
    }
  }
  for (const auto& [name, entry] : server.services.all()) {
    state.insert(L"S " + name + L" state " + std::to_wstring(entry.state));
  }
  AddAll(L"task ", server.scheduled_tasks, state);
  AddAll(L"unregistered ", server.unregistered_libraries, state);
  AddAll(L"vdir ", server.iis.virtual_directories, state);
  AddAll(L"pool ", server.iis.application_pools, state);
  for (const auto& subscriber : server.doh.subscribers) {
    if (subscriber.custom_properties_removed) state.insert(L"cleared " + subscriber.alias);
  }
  for (const auto& location : server.doh.locations) state.insert(L"location " + location.alias);
  for (const auto& statement : server.sql.statements()) {
    if (statement.kind != platform::sim::SqlKind::kQuery) {
      state.insert(L"sql " + std::to_wstring(statement.at_ms) + L" " + statement.text);
    }
  }
  AddAll(L"export ", server.export_calls, state);
  state.insert(L"gateway shut-downs " + std::to_wstring(server.com.gateway_shutdowns));
  for (const auto& open : server.web.shell_opens) state.insert(L"shell " + open.file);
  for (const auto& process : server.processes()) {
    state.insert(L"process " + std::to_wstring(process.id) + L" " + process.command_line);
  }
  return state;
}

MachineState Removed(const MachineState& before, const MachineState& after) {
  MachineState removed;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::inserter(removed, removed.end()));
  return removed;
}

}  // namespace velmar::fault
