// The simulated IIS administration objects.
#include "platform/sim/sim_iis.h"

#include <algorithm>
#include <cstdio>

#include "platform/error.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

// What ADSI answers for a path or child that is not there.
constexpr std::int32_t kPathNotFound = -2147024893;  // 0x80070003
constexpr wchar_t kPathNotFoundText[] = L"The system cannot find the path specified.";
constexpr std::int32_t kPropertyNotFound = -2147463155;  // 0x8000500D

std::string Refused(std::int32_t number) {
  char text[24];
  std::snprintf(text, sizeof text, " refused 0x%08x", static_cast<unsigned>(number));
  return text;
}

class SimIisObject : public IisObject {
 public:
  SimIisObject(IisMetabase& metabase, std::vector<std::wstring>& children, std::wstring child_class,
               bool is_site_root)
      : metabase_(metabase),
        children_(children),
        child_class_(std::move(child_class)),
        is_site_root_(is_site_root) {
    ++metabase_.live_objects;
  }
  ~SimIisObject() override { --metabase_.live_objects; }
  SimIisObject(const SimIisObject&) = delete;
  SimIisObject& operator=(const SimIisObject&) = delete;

  void Delete(std::wstring_view class_name, std::wstring_view name) override {
    metabase_.deletions.push_back(std::wstring(class_name) + L" " + std::wstring(name));
    const std::string call = "Delete " + Utf8FromWide(class_name) + " " + Utf8FromWide(name);
    const auto it =
        std::find_if(children_.begin(), children_.end(),
                     [&](const std::wstring& child) { return EqualsNoCase(child, name); });
    if (!EqualsNoCase(class_name, child_class_) || it == children_.end()) {
      metabase_.calls.push_back(call + Refused(kPathNotFound));
      Raise(kPathNotFound, kPathNotFoundText);
    }
    metabase_.calls.push_back(call);
    children_.erase(it);
  }
  std::wstring Path() override {
    if (!is_site_root_) {
      metabase_.calls.push_back("Path" + Refused(kPropertyNotFound));
      Raise(kPropertyNotFound, L"The directory property cannot be found in the cache.");
    }
    metabase_.calls.push_back("Path");
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
  const std::string call = "bind " + Utf8FromWide(adsi_path);
  if (EqualsNoCase(adsi_path, L"IIS://LocalHost/W3SVC/1/ROOT")) {
    metabase_.calls.push_back(call);
    return std::make_unique<SimIisObject>(metabase_, metabase_.virtual_directories,
                                          L"IIsWebVirtualDir", true);
  }
  if (EqualsNoCase(adsi_path, L"IIS://LocalHost/W3SVC/AppPools")) {
    metabase_.calls.push_back(call);
    return std::make_unique<SimIisObject>(metabase_, metabase_.application_pools,
                                          L"IIsApplicationPool", false);
  }
  metabase_.calls.push_back(call + Refused(kPathNotFound));
  Raise(kPathNotFound, kPathNotFoundText);
}

}  // namespace platform::sim
