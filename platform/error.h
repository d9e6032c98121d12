// The one error model of the toolkit: what the original run time "raises" becomes a RuntimeError
// carrying the run time's number and description; COM and database failures carry the HRESULT.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace platform {

// Numbers of the Visual Basic run time that the uninstall log shows.
enum class VbError : std::int32_t {
  kInvalidProcedureCall = 5,
  kFileNotFound = 53,
  kDiskFull = 61,
  kInputPastEndOfFile = 62,
  kFileAlreadyExists = 58,
  kPermissionDenied = 70,
  kObjectVariableNotSet = 91,
  kPathNotFound = 76,
  kCantCreateObject = 429,
};

// The run time's own wording for each number above.
std::wstring VbErrorDescription(VbError error);

class RuntimeError : public std::exception {
 public:
  RuntimeError(std::int32_t number, std::wstring description);
  explicit RuntimeError(VbError error);

  std::int32_t number() const { return number_; }
  const std::wstring& description() const { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::wstring description_;
  std::string what_;
};

[[noreturn]] void Raise(VbError error);

// An object variable used as the run time uses it: one that holds Nothing (its creation failed
// and the failure was passed over) raises 91 instead of crashing.
template <typename Pointer>
auto& Use(const Pointer& object) {
  if (!object) Raise(VbError::kObjectVariableNotSet);
  return *object;
}
[[noreturn]] void Raise(std::int32_t number, std::wstring description);

// Thrown to end a program at once (the run time's End): unwinds to the program's entry point,
// which returns the exit code. Deliberately not a RuntimeError, so no error guard swallows it.
struct ProgramEnd {
  std::uint32_t exit_code = 0;
};

}  // namespace platform
