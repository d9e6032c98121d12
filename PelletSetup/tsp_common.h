// Pieces both procedures use: the gateway check whether the product runs, and renaming the
// provider's files out of the way as ".OLD" files.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "PelletSetup/setup_app.h"

namespace pellet {

// True when the product's gateway server reports a running product (any status but 64 and
// 255); a gateway that cannot be created or read counts as not running.
bool IsVelmarRunning(SetupApp& app);

// What the provider walk found: the permanent identifiers of the product's provider and of the
// d41mt board's provider, the last match of each in list order.
struct ProvidersFound {
  std::optional<std::uint32_t> pellet;
  std::optional<std::uint32_t> d41mt;
};
enum class Purpose { kRemoval, kInstallation };
// Walks the whole TAPI provider list, tracing every entry.
ProvidersFound FindProviders(SetupApp& app, Purpose purpose);

// Renames directory + base + extension to directory + base + ".OLD", replacing an earlier
// backup; 0 when the rename succeeded, else the run time's error number.
int RenameDll(SetupApp& app, std::wstring_view base, std::wstring_view directory,
              std::wstring_view extension);
// The provider, its resource library and its message library; with `all` also the companion
// libraries, the wave library and the wave driver. The result of the last rename.
int RenameDlls(SetupApp& app, bool all);

}  // namespace pellet
