// Text comparison in the user's locale ignoring letter case and character width, as command
// lines are matched against their switches.
#include "platform/locale.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

class LocaleConformance : public Conformance {
 protected:
  bool Equal(std::wstring_view a, std::wstring_view b) {
    return host().locale.EqualIgnoringCaseAndWidth(a, b);
  }
};

TEST_F(LocaleConformance, CaseAndWidthAreIgnored) {
  EXPECT_TRUE(Equal(L"silent", L"silent"));
  EXPECT_TRUE(Equal(L"SiLeNt", L"silent"));
  EXPECT_TRUE(Equal(L"\xFF33\xFF29\xFF2C\xFF25\xFF2E\xFF34", L"silent")) << "full-width capitals";
  EXPECT_TRUE(Equal(L"\xFF55ninstall", L"UNINSTALL"));
}

TEST_F(LocaleConformance, OtherTextsDiffer) {
  EXPECT_FALSE(Equal(L"silenc", L"silent"));
  EXPECT_FALSE(Equal(L"silently", L"silent"));
  EXPECT_FALSE(Equal(L"uninstal", L"uninstall"));
  EXPECT_FALSE(Equal(L"", L"silent"));
}

}  // namespace
}  // namespace conformance
