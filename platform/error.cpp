// Error numbers and texts of the run time, and the exception that carries them.
#include "platform/error.h"

#include "platform/text.h"

namespace platform {

std::wstring VbErrorDescription(VbError error) {
  switch (error) {
    case VbError::kInvalidProcedureCall: return L"Invalid procedure call or argument";
    case VbError::kFileNotFound: return L"File not found";
    case VbError::kDiskFull: return L"Disk full";
    case VbError::kInputPastEndOfFile: return L"Input past end of file";
    case VbError::kFileAlreadyExists: return L"File already exists";
    case VbError::kPermissionDenied: return L"Permission denied";
    case VbError::kPathNotFound: return L"Path not found";
    case VbError::kObjectVariableNotSet: return L"Object variable or With block variable not set";
    case VbError::kCantCreateObject: return L"ActiveX component can't create object";
  }
  return L"Application-defined or object-defined error";
}

RuntimeError::RuntimeError(std::int32_t number, std::wstring description)
    : number_(number),
      description_(std::move(description)),
      what_(std::to_string(number) + " " + Utf8FromWide(description_)) {}

RuntimeError::RuntimeError(VbError error)
    : RuntimeError(static_cast<std::int32_t>(error), VbErrorDescription(error)) {}

void Raise(VbError error) {
  throw RuntimeError(error);
}
void Raise(std::int32_t number, std::wstring description) {
  throw RuntimeError(number, std::move(description));
}

}  // namespace platform
