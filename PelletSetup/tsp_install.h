// The TSP install procedure and its parts: the earlier package removed, the files copied and
// registered, the wave driver, the provider, the registry values and the event-log source.
#pragma once

#include <cstdint>
#include <string>

#include "PelletSetup/setup_app.h"

namespace pellet {

// 0, or 1 when a file could not be copied (the program's exit code).
int InstallTsp(SetupApp& app);

// The wave driver, its kernel-mode service and multimedia entries, the provider and the gains.
void InstallZqTsp(SetupApp& app);

// The provider's message library as the event-log source BrannockVelmar_TSP.
bool RegMC(SetupApp& app);
bool RegisterMC(SetupApp& app, const std::wstring& path);
// The identifier of the message that begins "Last Category", or 0 when there is none.
std::uint32_t GetLastCategory(SetupApp& app, platform::ModuleHandle module);

// The product's version as this program reads it: the high and low words of "Version Number"
// and of "Build Number"; zeros when the key or a value is missing.
struct ProductVersion {
  std::uint32_t major = 0, minor = 0, build = 0, revision = 0;
};
ProductVersion ReadProductVersion(platform::Registry& registry);

}  // namespace pellet
