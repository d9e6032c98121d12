// IIS administration facility: objects bound by their ADSI path, with the container operation
// Delete(class name, object name) and the Path property the programs read.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class IisObject {
 public:
  virtual ~IisObject() = default;
  // Deletes the child object of that class and name; raises when there is none.
  virtual void Delete(std::wstring_view class_name, std::wstring_view name) = 0;
  virtual std::wstring Path() = 0;  // the object's Path property (a site root's home folder)
};

class IisAdmin {
 public:
  virtual ~IisAdmin() = default;
  // Binds "IIS://LocalHost/..."; raises when the object cannot be bound (no IIS, no object).
  virtual std::unique_ptr<IisObject> Bind(std::wstring_view adsi_path) = 0;
};

}  // namespace platform
