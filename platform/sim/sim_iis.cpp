// The simulated IIS administration objects.
#include "platform/sim/sim_iis.h"

#include <algorithm>

#include "platform/error.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

// What ADSI answers for a path or child that is not there.
constexpr std::int32_t kPathNotFound = -2147024893;  // 0x80070003
constexpr wchar_t kPathNotFoundText[] = L"The system cannot find the path specified.";

class SimIisObject : public IisObject {
 public:
  SimIisObject(IisMetabase& metabase, std::vector<std::wstring>& children, std::wstring child_class,
               bool is_site_root)
      : metabase_(metabase),
        children_(children),
        child_class_(std::move(child_class)),
        is_site_root_(is_site_root) {}

  void Delete(std::wstring_view class_name, std::wstring_view name) override {
    metabase_.deletions.push_back(std::wstring(class_name) + L" " + std::wstring(name));
    const auto it =
        std::find_if(children_.begin(), children_.end(),
                     [&](const std::wstring& child) { return EqualsNoCase(child, name); });
    if (!EqualsNoCase(class_name, child_class_) || it == children_.end()) {
      Raise(kPathNotFound, kPathNotFoundText);
    }
    children_.erase(it);
  }
  std::wstring Path() override {
    if (!is_site_root_) Raise(-2147463155, L"The directory property cannot be found in the cache.");
    return metabase_.home_folder;
  }

 private:
  IisMetabase& metabase_;
  std::vector<std::wstring>& children_;
  std::wstring child_class_;
  bool is_site_root_;
};

}  // namespace

std::unique_ptr<IisObject> SimIisAdmin::Bind(std::wstring_view adsi_path) {
  if (!metabase_.installed) Raise(-2147221020, L"Invalid syntax");  // MK_E_SYNTAX: no IIS provider
  if (EqualsNoCase(adsi_path, L"IIS://LocalHost/W3SVC/1/ROOT")) {
    return std::make_unique<SimIisObject>(metabase_, metabase_.virtual_directories,
                                          L"IIsWebVirtualDir", true);
  }
  if (EqualsNoCase(adsi_path, L"IIS://LocalHost/W3SVC/AppPools")) {
    return std::make_unique<SimIisObject>(metabase_, metabase_.application_pools,
                                          L"IIsApplicationPool", false);
  }
  Raise(kPathNotFound, kPathNotFoundText);
}

}  // namespace platform::sim
