// Late binding to automation objects through IDispatch by ProgID and member names (mingw-w64's
// ADO headers do not compile as C++); free of windows.h: values cross as DbValue.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/database.h"

namespace platform::win32 {

// COM on the calling thread, apartment threaded, entered on first use and left when the owner
// goes (only if this object's entry was the one that initialised it).
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  void Enter();

 private:
  bool entered_ = false;
  bool must_leave_ = false;
};

// One reference to an automation object; copies share the object. Every failure raises
// RuntimeError with the object's error number and text (the provider's, where it gave one).
class DispatchObject {
 public:
  DispatchObject() = default;
  ~DispatchObject();
  DispatchObject(const DispatchObject& other);
  DispatchObject& operator=(const DispatchObject& other);

  // 429 when the class is not registered, else the HRESULT of the failed creation.
  static DispatchObject Create(std::wstring_view prog_id);
  // Takes over one reference to an IDispatch obtained elsewhere (for example by ADsGetObject).
  static DispatchObject Adopt(void* dispatch) { return DispatchObject(dispatch); }

  DbValue Get(std::wstring_view name, const std::vector<DbValue>& arguments = {}) const;
  DispatchObject Object(std::wstring_view name, const std::vector<DbValue>& arguments = {}) const;
  void Put(std::wstring_view name, const DbValue& value) const;
  void Call(std::wstring_view name, const std::vector<DbValue>& arguments = {}) const;

 private:
  explicit DispatchObject(void* dispatch) : dispatch_(dispatch) {}
  void* dispatch_ = nullptr;  // IDispatch*
};

}  // namespace platform::win32
