// IDispatch by member name for the stand-in ADO objects, as strict as a dual interface's type
// information: a property is read or written, a method called, each with its own argument count.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <span>
#include <string>
#include <vector>

#include "platform/database.h"

namespace ado_standin {

// Every object the library hands out, and IClassFactory::LockServer's count.
extern std::atomic<long> live_objects;
extern std::atomic<long> server_locks;

// Appends one line to the record the test reads back (UTF-8).
void Record(const std::string& line);
// Appends the statements the server received since the last time.
void RecordStatements();
std::string Utf8(std::wstring_view text);

enum class Kind {
  kGet,     // a read-only property
  kGetPut,  // a property read and written
  kMethod,  // a method (a property get sent with the method bit is a call too)
};

struct Member {
  const wchar_t* name;
  DISPID id;
  Kind kind;
  UINT min_arguments;  // for a put: the value only
  UINT max_arguments;
};

// An argument of the wrong VARIANT type: Invoke answers DISP_E_TYPEMISMATCH naming it.
struct WrongType {
  UINT position;  // in rgvarg's order: the last argument is 0
};

// The arguments of one call in the order the caller wrote them, by-reference VARIANTs followed.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS& parameters);
  std::size_t size() const { return values_.size(); }
  // Whether the caller left an optional argument out (VT_ERROR DISP_E_PARAMNOTFOUND) or gave
  // fewer arguments than this.
  bool Missing(std::size_t index) const;
  std::wstring Text(std::size_t index) const;        // VT_BSTR only
  std::int32_t Number(std::size_t index) const;      // VT_I2 or VT_I4 only
  platform::DbValue Value(std::size_t index) const;  // EMPTY, NULL, I2, I4, R8, BOOL, BSTR
  bool IsText(std::size_t index) const;

 private:
  const VARIANT& At(std::size_t index) const;
  UINT Position(std::size_t index) const { return static_cast<UINT>(values_.size() - 1 - index); }
  std::vector<const VARIANT*> values_;
};

// A result handed back: a value, a bool as VARIANT_BOOL, or an object (its reference passes).
struct Result {
  enum class Type { kNone, kValue, kBool, kObject } type = Type::kNone;
  platform::DbValue value;
  bool flag = false;
  IDispatch* object = nullptr;
  static Result Of(platform::DbValue value) { return {Type::kValue, std::move(value)}; }
  static Result Bool(bool flag) { return {Type::kBool, {}, flag}; }
  static Result Object(IDispatch* object) { return {Type::kObject, {}, false, object}; }
};

class AutomationObject : public IDispatch {
 public:
  AutomationObject(const char* class_name, std::span<const Member> members);
  virtual ~AutomationObject();
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* wrong_argument) override;

 protected:
  // One call that passed the checks of kind and count; raises platform::RuntimeError as ADO
  // raises its errors, or WrongType.
  virtual Result Get(DISPID id, const Arguments& arguments) = 0;
  virtual void Put(DISPID id, const Arguments& value);
  const char* class_name() const { return class_name_; }

 private:
  const Member* Find(DISPID id) const;
  const char* class_name_;
  std::span<const Member> members_;
  std::atomic<ULONG> references_{1};
};

// ADO's own errors, with its numbers and texts.
[[noreturn]] void RaiseClosed();           // 3704
[[noreturn]] void RaiseOpen();             // 3705
[[noreturn]] void RaiseBadArguments();     // 3001
[[noreturn]] void RaiseNotInCollection();  // 3265

}  // namespace ado_standin
