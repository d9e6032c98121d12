// The Windows backend's reading of automation values and failures for the directory objects:
// each VARIANT kind the server may give back, and which error text a failure carries.
#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/win32_automation_values.h"

namespace {

using platform::doh::PropertyValue;
using platform::win32::CheckResult;
using platform::win32::PropertyValueOf;

// A VARIANT cleared when the case ends.
struct TestVariant {
  TestVariant() { ::VariantInit(&value); }
  ~TestVariant() { ::VariantClear(&value); }
  VARIANT value;
};

TEST(Win32AutomationValues, EachKindBecomesItsPropertyValue) {
  TestVariant empty;
  EXPECT_EQ(PropertyValueOf(empty.value), PropertyValue());
  TestVariant null;
  null.value.vt = VT_NULL;
  EXPECT_EQ(PropertyValueOf(null.value), PropertyValue());

  TestVariant small;
  small.value.vt = VT_I2;
  small.value.iVal = -6;
  EXPECT_EQ(PropertyValueOf(small.value), PropertyValue(-6));
  TestVariant unsigned_tag;
  unsigned_tag.value.vt = VT_UI4;
  unsigned_tag.value.ulVal = 0x80040102u;
  EXPECT_EQ(PropertyValueOf(unsigned_tag.value),
            PropertyValue(static_cast<std::int32_t>(0x80040102u)))
      << "kept bit for bit, not refused as an overflow";

  TestVariant text;
  text.value.vt = VT_BSTR;
  text.value.bstrVal = ::SysAllocString(L"OBJ-1");
  EXPECT_EQ(PropertyValueOf(text.value), PropertyValue(L"OBJ-1"));

  TestVariant bytes;
  bytes.value.vt = VT_ARRAY | VT_UI1;
  bytes.value.parray = ::SafeArrayCreateVector(VT_UI1, 0, 3);
  void* data = nullptr;
  ASSERT_EQ(::SafeArrayAccessData(bytes.value.parray, &data), S_OK);
  const std::uint8_t raw[] = {0, 0, 0x41};
  std::memcpy(data, raw, 3);
  ::SafeArrayUnaccessData(bytes.value.parray);
  EXPECT_EQ(PropertyValueOf(bytes.value), PropertyValue(std::vector<std::uint8_t>{0, 0, 0x41}));
  EXPECT_EQ(PropertyValueOf(bytes.value), PropertyValue(std::vector<std::uint8_t>{0, 0, 0x41}))
      << "the array is unlocked again after reading";
}

TEST(Win32AutomationValues, AFailureCarriesItsHresultAndNoStaleText) {
  EXPECT_NO_THROW(CheckResult(S_FALSE, nullptr, IID_IDispatch));
  ICreateErrorInfo* create = nullptr;
  ASSERT_EQ(::CreateErrorInfo(&create), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(L"left over from an earlier call"));
  IErrorInfo* info = nullptr;
  create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
  ::SetErrorInfo(0, info);
  info->Release();
  create->Release();
  try {
    CheckResult(static_cast<std::int32_t>(0x80040102), nullptr, IID_IDispatch);
    ADD_FAILURE() << "a failure must raise";
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), static_cast<std::int32_t>(0x80040102));
    EXPECT_EQ(error.description(), L"Automation error") << "no object vouched for that text";
  }
  IErrorInfo* left = nullptr;
  EXPECT_EQ(::GetErrorInfo(0, &left), S_FALSE) << "the stale error object was taken away";
  if (left) left->Release();
}

}  // namespace
