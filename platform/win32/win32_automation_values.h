// Automation values and failures as the directory objects meet them: a VARIANT read as a
// property value, and a failing HRESULT raised with the object's own description.
#pragma once

#include <cstdint>

#include "platform/directory_objects.h"

struct tagVARIANT;
struct tagEXCEPINFO;
struct IUnknown;
struct _GUID;

namespace platform::win32 {

// Nothing for empty and null, numbers as 32 bits (unsigned ones bit for bit), texts, and byte
// arrays; anything else as the number or text automation converts it to.
doh::PropertyValue PropertyValueOf(const tagVARIANT& value);

// Raises RuntimeError(hr, description) when hr is a failure. The description is the one the
// object left for the interface (IErrorInfo), else "Automation error".
void CheckResult(std::int32_t hr, IUnknown* object, const _GUID& iid);

// Raises the failure of an IDispatch::Invoke: the exception the object filled in, if any.
[[noreturn]] void RaiseInvokeFailure(std::int32_t hr, tagEXCEPINFO& exception, IUnknown* object,
                                     const _GUID& iid);

// Error 91, as the run time raises it for a member that gave back no object.
[[noreturn]] void RaiseNoObject();

}  // namespace platform::win32
