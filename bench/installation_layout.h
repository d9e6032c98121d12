// Installations of a chosen size laid out on a simulated server: files in the install tree,
// keys under the product's registry trees and subscribers in the product database.
#pragma once

#include <cstddef>
#include <string>

#include "platform/sim/server.h"

namespace velmar::bench {

struct InstallSize {
  int files = 100;           // in the install tree, besides the typical footprint
  int registry_keys = 1000;  // under the product's trees, each with kValuesPerKey values
  int subscribers = 10;      // in the product database, besides the setup's two
};

// Every folder of the install tree and every key of the product's trees holds at most this
// many entries, as a real installation spreads its files and keys over branches.
inline constexpr int kBranchSize = 100;
inline constexpr int kValuesPerKey = 2;
inline constexpr wchar_t kInstallRoot[] = L"C:\\Corvane";
// The product trees the extra keys are spread over (both are removed whole by the uninstall).
inline constexpr const wchar_t* kProductTrees[] = {L"Software\\Quillon\\Velmar",
                                                   L"Software\\Brannock Systems\\Velmar"};

// The product, its services, the programs the sequence starts and the footprint a typical
// installation leaves, with nothing scaled yet.
void LayTypicalInstallation(platform::sim::Server& server);
// The scaled parts, on top of the typical installation.
void LayInstallTree(platform::sim::FileSystemState& files, int count);
void LayProductKeys(platform::sim::RegistryState& registry, int count);
void LaySubscribers(platform::sim::SqlServer& sql, int count);
void LayInstallation(platform::sim::Server& server, const InstallSize& size);

// Keys below a key of the machine's registry, the key itself not counted.
std::size_t KeysBelow(const platform::sim::RegNode& node);
// A leaf key with the bounded values every bench key holds; names must be added in order.
platform::sim::RegNode& AppendKey(platform::sim::RegNode& parent, const std::wstring& name);
// A name that sorts as its number does, so appended keys stay in enumeration order.
std::wstring Numbered(const wchar_t* prefix, int number);

}  // namespace velmar::bench
