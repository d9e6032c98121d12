// The simulated server's contents by name, for the footprint check of the fault runs.
#include "tests/fault/machine_state.h"

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

MachineState Removed(const MachineState& before, const MachineState& after) {
  MachineState removed;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::inserter(removed, removed.end()));
  return removed;
}

}  // namespace velmar::fault
