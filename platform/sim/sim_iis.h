// The simulated server's IIS: the default web site's virtual directories and its application
// pools as ADSI shows them, or a machine without IIS.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/iis_admin.h"

namespace platform::sim {

struct IisMetabase {
  bool installed = true;
  std::wstring home_folder = L"C:\\Inetpub\\wwwroot";  // the site root's Path
  std::vector<std::wstring> virtual_directories;       // IIsWebVirtualDir below 1/ROOT
  std::vector<std::wstring> application_pools;         // IIsApplicationPool in AppPools
  // Every Delete in call order, as "<class> <name>", whether or not the object was there.
  std::vector<std::wstring> deletions;
  // Every call in order, as the conformance suite's stand-in provider records them: "bind
  // <path>", "Delete <class> <name>", "Path", each with " refused <HRESULT>" when it failed.
  std::vector<std::string> calls;
  int live_objects = 0;  // bound objects not yet released
};

class SimIisAdmin : public IisAdmin {
 public:
  explicit SimIisAdmin(IisMetabase& metabase) : metabase_(metabase) {}
  std::unique_ptr<IisObject> Bind(std::wstring_view adsi_path) override;

 private:
  IisMetabase& metabase_;
};

}  // namespace platform::sim
