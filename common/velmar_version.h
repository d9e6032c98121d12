// VelmarVersion: the installed product's version, read from its two registry numbers and
// turned into four parts and the display text Major.Minor(Build.Revision).
#pragma once

#include <cstdint>
#include <string>

#include "platform/locale.h"
#include "platform/registry.h"

namespace velmar {

struct VelmarVersionInfo {
  std::int16_t Major = 0;
  std::int16_t Minor = 0;
  std::int16_t Build = 0;
  std::int16_t Revision = 0;
  std::wstring Text;
};

// A machine without the values reads as 0.0(0.0).
VelmarVersionInfo GetVelmarVersion(platform::Registry& registry, platform::Locale& locale);

}  // namespace velmar
