// The stand-in ADO the Windows cases run against, called straight through IDispatch: it must
// refuse what ADO's own type information refuses (a call of the wrong kind, a wrong argument
// count or VARIANT type, a cursor location changed on an open recordset), or a program that
// would fail on a real server passes here; and it must count every object it hands out, or a
// leak in the programs goes unseen.
#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32_com_ptr.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using platform::win32::ComPtr;

constexpr wchar_t kConnection[] = L"{00000514-0000-0010-8000-00AA006D2EA4}";
constexpr wchar_t kRecordset[] = L"{00000535-0000-0010-8000-00AA006D2EA4}";
constexpr wchar_t kCommand[] = L"{00000507-0000-0010-8000-00AA006D2EA4}";
constexpr wchar_t kProduct[] = L"Driver={SQL Server};server=;database=VelmarDb";
constexpr wchar_t kOleDb[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
    L"Data Source=(local)";
constexpr UINT kNoArgument = 0xFFFFFFFF;

// ADO's own errors as they cross IDispatch: FACILITY_CONTROL codes.
constexpr HRESULT AdoCode(int number) {
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
}

VARIANT Text(const wchar_t* text) {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = ::SysAllocString(text);
  return value;
}

VARIANT Number(std::int32_t number, VARTYPE type = VT_I4) {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = type;
  if (type == VT_I2) {
    value.iVal = static_cast<SHORT>(number);
  } else {
    value.lVal = number;
  }
  return value;
}

// What one Invoke gave back.
struct Outcome {
  HRESULT hr = E_FAIL;
  UINT wrong_argument = kNoArgument;
  HRESULT scode = S_OK;  // of the EXCEPINFO, with DISP_E_EXCEPTION
  std::wstring description;
  std::int32_t number = 0;  // a VT_I4 or VT_BOOL result
  std::wstring text;        // a VT_BSTR result
  ComPtr<IDispatch> object;
};

class AdoStandIn : public Conformance {
 protected:
  void SetUp() override {
    Conformance::SetUp();
    entered_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  void TearDown() override {
    if (entered_) ::CoUninitialize();
    Conformance::TearDown();
  }

  static ComPtr<IDispatch> Create(const wchar_t* clsid_text) {
    CLSID clsid;
    ComPtr<IDispatch> object;
    if (FAILED(::CLSIDFromString(clsid_text, &clsid)) ||
        FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  object.ReceiveVoid()))) {
      ADD_FAILURE() << "the stand-in made no object";
    }
    return object;
  }

  static DISPID IdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
  }

  // Calls the member with the arguments in the order a caller writes them; a put passes its
  // one value as DISPID_PROPERTYPUT unless told not to.
  static Outcome Invoke(IDispatch* object, const wchar_t* name, WORD flags,
                        std::vector<VARIANT> arguments = {}, bool named_put = true) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.cArgs = static_cast<UINT>(reversed.size());
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    if ((flags & DISPATCH_PROPERTYPUT) && named_put) {
      parameters.cNamedArgs = 1;
      parameters.rgdispidNamedArgs = &put_id;
    }
    Outcome outcome;
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO exception{};
    outcome.hr = object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags,
                                &parameters, &result, &exception, &outcome.wrong_argument);
    if (outcome.hr == DISP_E_EXCEPTION) {
      outcome.scode = exception.scode;
      if (exception.bstrDescription) outcome.description = exception.bstrDescription;
    }
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    switch (result.vt) {
      case VT_I4: outcome.number = result.lVal; break;
      case VT_BOOL: outcome.number = result.boolVal; break;
      case VT_BSTR: outcome.text = result.bstrVal ? result.bstrVal : L""; break;
      case VT_DISPATCH:
        outcome.object = ComPtr<IDispatch>(result.pdispVal);
        result.vt = VT_EMPTY;
        break;
      default: break;
    }
    ::VariantClear(&result);
    for (VARIANT& argument : arguments) ::VariantClear(&argument);
    return outcome;
  }

  static Outcome Get(IDispatch* object, const wchar_t* name, std::vector<VARIANT> arguments = {}) {
    return Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(arguments));
  }
  static Outcome Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> arguments = {}) {
    return Invoke(object, name, DISPATCH_METHOD, std::move(arguments));
  }
  static Outcome Put(IDispatch* object, const wchar_t* name, VARIANT value) {
    return Invoke(object, name, DISPATCH_PROPERTYPUT, {value});
  }

  bool entered_ = false;
};

TEST_F(AdoStandIn, ACallOfTheWrongKindIsRefusedAndChangesNothing) {
  backend().LayOutSql({});
  ComPtr<IDispatch> recordset = Create(kRecordset);
  ASSERT_TRUE(recordset);
  EXPECT_EQ(Invoke(recordset.get(), L"CursorLocation", DISPATCH_METHOD, {Number(3)}).hr,
            DISP_E_MEMBERNOTFOUND)
      << "a property put sent as a method call";
  EXPECT_EQ(Invoke(recordset.get(), L"MoveNext", DISPATCH_PROPERTYPUT, {Number(1)}).hr,
            DISP_E_MEMBERNOTFOUND)
      << "a method called as a property put";
  EXPECT_EQ(Invoke(recordset.get(), L"State", DISPATCH_PROPERTYPUT, {Number(1)}).hr,
            DISP_E_MEMBERNOTFOUND)
      << "a read-only property put";
  EXPECT_EQ(Invoke(recordset.get(), L"CursorLocation", DISPATCH_PROPERTYPUT, {Number(3)}, false).hr,
            DISP_E_PARAMNOTOPTIONAL)
      << "a put without its DISPID_PROPERTYPUT value";
  EXPECT_EQ(Get(recordset.get(), L"CursorLocation").number, 2) << "still on the server";

  ASSERT_EQ(Put(recordset.get(), L"CursorLocation", Number(3)).hr, S_OK);
  EXPECT_EQ(Get(recordset.get(), L"CursorLocation").number, 3);

  DISPID id = 0;
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Requery")};
  EXPECT_EQ(recordset->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
}

TEST_F(AdoStandIn, ArgumentCountsAndTypesAreCheckedBeforeTheObjectActs) {
  backend().LayOutSql(
      {L"location\tHQ\tHeadquarters\tHQ_A\t{22222222-0000-0000-0000-000000000001}\t"
       L"CN=HQ"});
  ComPtr<IDispatch> recordset = Create(kRecordset);
  ComPtr<IDispatch> connection = Create(kConnection);
  ASSERT_TRUE(recordset && connection);
  EXPECT_EQ(Call(recordset.get(), L"MoveNext", {Number(1)}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(connection.get(), L"Execute").hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(recordset.get(), L"Open",
                 {Text(L"select Alias from vw_Location"), Text(kProduct), Number(1), Number(1),
                  Number(2), Number(0)})
                .hr,
            DISP_E_BADPARAMCOUNT);

  // The position counts from the last argument, as rgvarg holds them.
  const Outcome cursor_as_text =
      Call(recordset.get(), L"Open",
           {Text(L"select Alias from vw_Location"), Text(kProduct), Text(L"1"), Number(1)});
  EXPECT_EQ(cursor_as_text.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(cursor_as_text.wrong_argument, 1u);
  const Outcome connection_as_number =
      Call(recordset.get(), L"Open", {Text(L"select Alias from vw_Location"), Number(42)});
  EXPECT_EQ(connection_as_number.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(connection_as_number.wrong_argument, 0u);
  const Outcome location_as_text = Put(recordset.get(), L"CursorLocation", Text(L"3"));
  EXPECT_EQ(location_as_text.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(location_as_text.wrong_argument, 0u);
  EXPECT_EQ(Get(recordset.get(), L"State").number, 0) << "no refused open opened it";
  EXPECT_TRUE(backend().SqlStatements().empty()) << "nor reached the server";

  // A short integer is as good as a long one.
  ASSERT_EQ(Call(recordset.get(), L"Open",
                 {Text(L"select Alias from vw_Location"), Text(kProduct), Number(1, VT_I2),
                  Number(1, VT_I2)})
                .hr,
            S_OK);
  EXPECT_EQ(Get(recordset.get(), L"State").number, 1);
  EXPECT_EQ(Get(recordset.get(), L"RecordCount").number, 1);
}

TEST_F(AdoStandIn, AnOpenRecordsetRefusesANewCursorLocationAndASecondOpen) {
  backend().LayOutSql({});
  ComPtr<IDispatch> recordset = Create(kRecordset);
  ASSERT_TRUE(recordset);
  ASSERT_EQ(Call(recordset.get(), L"Open",
                 {Text(L"select Alias from vw_Location"), Text(kProduct), Number(3), Number(1)})
                .hr,
            S_OK);
  const Outcome moved = Put(recordset.get(), L"CursorLocation", Number(3));
  ASSERT_EQ(moved.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(moved.scode, AdoCode(3705));
  EXPECT_EQ(moved.description, L"Operation is not allowed when the object is open.");
  EXPECT_EQ(Get(recordset.get(), L"CursorLocation").number, 2);
  EXPECT_EQ(Call(recordset.get(), L"Open",
                 {Text(L"select Alias from vw_Location"), Text(kProduct), Number(3), Number(1)})
                .scode,
            AdoCode(3705));

  ASSERT_EQ(Call(recordset.get(), L"Close").hr, S_OK);
  EXPECT_EQ(Put(recordset.get(), L"CursorLocation", Number(3)).hr, S_OK) << "closed again";
  const Outcome closed = Call(recordset.get(), L"Close");
  EXPECT_EQ(closed.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(closed.scode, AdoCode(3704));
  EXPECT_EQ(closed.description, L"Operation is not allowed when the object is closed.");
}

TEST_F(AdoStandIn, EveryObjectHandedOutIsCountedUntilItsLastRelease) {
  backend().LayOutSql(
      {L"location\tHQ\tHeadquarters\tHQ_A\t{22222222-0000-0000-0000-000000000001}\t"
       L"CN=HQ"});
  ComPtr<IDispatch> field;
  ComPtr<IDispatch> parameter;
  {
    ComPtr<IDispatch> connection = Create(kConnection);
    ASSERT_TRUE(connection);
    ASSERT_EQ(Call(connection.get(), L"Open", {Text(kOleDb)}).hr, S_OK);
    const Outcome executed = Call(connection.get(), L"Execute", {Text(L"use master")});
    ASSERT_EQ(executed.hr, S_OK);
    ASSERT_TRUE(executed.object) << "Execute hands back a recordset";
    EXPECT_EQ(Get(executed.object.get(), L"State").number, 0) << "closed: no rows";

    ComPtr<IDispatch> recordset = Create(kRecordset);
    ASSERT_EQ(Call(recordset.get(), L"Open",
                   {Text(L"select Alias from vw_Location"), Text(kProduct), Number(1), Number(1)})
                  .hr,
              S_OK);
    const Outcome fields = Get(recordset.get(), L"Fields");
    ASSERT_TRUE(fields.object);
    field = Get(fields.object.get(), L"Item", {Text(L"Alias")}).object;
    ASSERT_TRUE(field);

    ComPtr<IDispatch> command = Create(kCommand);
    ASSERT_EQ(Put(command.get(), L"ActiveConnection", Text(kProduct)).hr, S_OK);
    ASSERT_EQ(Put(command.get(), L"CommandType", Number(4)).hr, S_OK);
    ASSERT_EQ(Put(command.get(), L"CommandText", Text(L"sp_DeleteDirectorySyncTicket")).hr, S_OK);
    const Outcome parameters = Get(command.get(), L"Parameters");
    ASSERT_TRUE(parameters.object);
    ASSERT_EQ(Call(parameters.object.get(), L"Refresh").hr, S_OK);
    EXPECT_EQ(Get(parameters.object.get(), L"Count").number, 2) << "the return value and @Ticket";
    parameter = Get(parameters.object.get(), L"Item", {Number(1)}).object;
    ASSERT_TRUE(parameter);
  }
  // A field holds its recordset and a parameter its command: four objects are alive.
  EXPECT_EQ(Get(field.get(), L"Value").text, L"HQ");
  EXPECT_EQ(Get(parameter.get(), L"Name").text, L"@Ticket");
  EXPECT_EQ(backend().SqlHoldings(), (std::vector<std::string>{"unreleased 4"}));
  field.Reset();
  parameter.Reset();
  EXPECT_EQ(backend().SqlHoldings(),
            (std::vector<std::string>{"database\tReportDB", "database\tVelmarDB", "released"}));
}

}  // namespace
}  // namespace conformance
