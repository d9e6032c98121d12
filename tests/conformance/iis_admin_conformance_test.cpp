// The IIS administration objects: the default web site's root and the application pools bound by
// their ADSI paths, their children deleted by class and name, the root's home folder read, and
// every failure raised with its number. Under Wine the suite's stand-in provider answers, and its
// record shows each call and that every object handed out came back.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/iis_admin.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

constexpr wchar_t kRoot[] = L"IIS://LocalHost/W3SVC/1/ROOT";
constexpr wchar_t kPools[] = L"IIS://LocalHost/W3SVC/AppPools";
constexpr std::int32_t kPathNotFound = -2147024893;      // 0x80070003
constexpr std::int32_t kPropertyNotFound = -2147463155;  // 0x8000500D

class IisAdminConformance : public Conformance {
 protected:
  void LayOut() {
    if (!backend().LayOutIis({L"C:\\Inetpub\\wwwroot",
                              {L"VelmarWeb", L"VelmarAdmin"},
                              {L"VelmarPool", L"OtherPool"}})) {
      GTEST_SKIP() << "this machine's own IIS is installed";
    }
  }
  // The number the call raised, or 0 when it raised nothing.
  static std::int32_t Raised(const std::function<void()>& call) {
    try {
      call();
    } catch (const platform::RuntimeError& error) {
      return error.number();
    }
    return 0;
  }
};

TEST_F(IisAdminConformance, BindsTheSiteRootAndThePoolsAndDeletesTheirChildren) {
  LayOut();
  if (IsSkipped()) return;
  {
    const auto root = host().iis.Bind(kRoot);
    EXPECT_EQ(root->Path(), L"C:\\Inetpub\\wwwroot");
    root->Delete(L"IIsWebVirtualDir", L"VelmarWeb");
    EXPECT_EQ(Raised([&] { root->Delete(L"IIsWebVirtualDir", L"VelmarWeb"); }), kPathNotFound)
        << "deleted twice";
    // The server's part of the path ignores case, as do class and object names.
    const auto pools = host().iis.Bind(L"iis://localhost/W3SVC/AppPools");
    pools->Delete(L"iisapplicationpool", L"velmarpool");
  }
  // What was deleted stays deleted for the next bind; the rest is still there.
  const auto pools = host().iis.Bind(kPools);
  EXPECT_EQ(Raised([&] { pools->Delete(L"IIsApplicationPool", L"VelmarPool"); }), kPathNotFound);
  pools->Delete(L"IIsApplicationPool", L"OtherPool");
  host().iis.Bind(kRoot)->Delete(L"IIsWebVirtualDir", L"VelmarAdmin");
  const std::vector<std::string> calls = backend().IisCalls();
  const std::vector<std::string> expected = {
      "bind IIS://LocalHost/W3SVC/1/ROOT",
      "Path",
      "Delete IIsWebVirtualDir VelmarWeb",
      "Delete IIsWebVirtualDir VelmarWeb refused 0x80070003",
      "bind iis://localhost/W3SVC/AppPools",
      "Delete iisapplicationpool velmarpool",
      "bind IIS://LocalHost/W3SVC/AppPools",
      "Delete IIsApplicationPool VelmarPool refused 0x80070003",
      "Delete IIsApplicationPool OtherPool",
      "bind IIS://LocalHost/W3SVC/1/ROOT",
      "Delete IIsWebVirtualDir VelmarAdmin",
      "unreleased 1",  // the pools object above, still held
  };
  EXPECT_EQ(calls, expected);
}

TEST_F(IisAdminConformance, AbsentObjectsAndPropertiesRaiseTheirNumbers) {
  LayOut();
  if (IsSkipped()) return;
  {
    const auto root = host().iis.Bind(kRoot);
    EXPECT_EQ(Raised([&] { root->Delete(L"IIsWebVirtualDir", L"Absent"); }), kPathNotFound);
    // A pool's name below the root, and a directory's name with the wrong class.
    EXPECT_EQ(Raised([&] { root->Delete(L"IIsWebVirtualDir", L"VelmarPool"); }), kPathNotFound);
    EXPECT_EQ(Raised([&] { root->Delete(L"IIsApplicationPool", L"VelmarWeb"); }), kPathNotFound);
    // The pools container has no home folder.
    EXPECT_EQ(Raised([&] { host().iis.Bind(kPools)->Path(); }), kPropertyNotFound);
    EXPECT_EQ(Raised([&] { host().iis.Bind(L"IIS://LocalHost/W3SVC/2/ROOT"); }), kPathNotFound);
  }
  std::vector<std::string> calls = backend().IisCalls();
  // ADSI may try a refused bind again with other flags before it gives up.
  calls.erase(std::unique(calls.begin(), calls.end(),
                          [](const std::string& a, const std::string& b) {
                            return a == b && a.starts_with("bind ") &&
                                   a.find(" refused ") != std::string::npos;
                          }),
              calls.end());
  const std::vector<std::string> expected = {
      "bind IIS://LocalHost/W3SVC/1/ROOT",
      "Delete IIsWebVirtualDir Absent refused 0x80070003",
      "Delete IIsWebVirtualDir VelmarPool refused 0x80070003",
      "Delete IIsApplicationPool VelmarWeb refused 0x80070003",
      "bind IIS://LocalHost/W3SVC/AppPools",
      "Path refused 0x8000500d",
      "bind IIS://LocalHost/W3SVC/2/ROOT refused 0x80070003",
      "released",
  };
  EXPECT_EQ(calls, expected);
}

TEST_F(IisAdminConformance, WithoutIisNothingCanBeBound) {
  if (!backend().MakeIisAbsent()) GTEST_SKIP() << "IIS is installed on this machine";
  for (const std::wstring path : {kRoot, kPools}) {
    try {
      host().iis.Bind(path);
      ADD_FAILURE() << "bound without IIS";
    } catch (const platform::RuntimeError& error) {
      EXPECT_NE(error.number(), 0);
    }
  }
}

}  // namespace
}  // namespace conformance
