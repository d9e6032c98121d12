// The internet facility and the environment: a root handle opens and closes, an address no
// one answers at fails to open, a served page reads back whole, bad and closed handles are
// refused, and variables read back as set.
#include <string>

#include "platform/internet.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

// Port 9 (discard) has no listener on a test machine, so the connection is refused at once.
constexpr wchar_t kNobodyListens[] = L"http://127.0.0.1:9/velmar/update.htm";

class InternetConformance : public Conformance {
 protected:
  void TearDown() override {
    for (const auto& name : variables_) backend().SetEnvironment(name, std::nullopt);
    Conformance::TearDown();
  }
  void Set(const std::wstring& name, const std::wstring& value) {
    variables_.push_back(name);
    backend().SetEnvironment(name, value);
  }
  platform::Internet& net() { return host().internet; }

  std::vector<std::wstring> variables_;
};

TEST_F(InternetConformance, ARootOpensWithThePreconfiguredAccessAndCloses) {
  const platform::InternetHandle root = net().Open(L"HTTP Generic", platform::inet::kPreconfigured);
  ASSERT_NE(root, 0u);
  EXPECT_TRUE(net().Close(root));
}

TEST_F(InternetConformance, AnAddressNobodyAnswersAtFailsToOpen) {
  const platform::InternetHandle root = net().Open(L"HTTP Generic", platform::inet::kPreconfigured);
  ASSERT_NE(root, 0u);
  EXPECT_EQ(net().OpenUrl(root, kNobodyListens), 0u);
  EXPECT_TRUE(net().Close(root));
}

TEST_F(InternetConformance, ARootHandleIsNoFileToReadFrom) {
  const platform::InternetHandle root = net().Open(L"HTTP Generic", platform::inet::kPreconfigured);
  ASSERT_NE(root, 0u);
  std::uint8_t buffer[16];
  std::uint32_t read = 99;
  EXPECT_FALSE(net().Read(root, buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);
  EXPECT_FALSE(net().Read(0, buffer, sizeof buffer, read));
  EXPECT_TRUE(net().Close(root));
}

TEST_F(InternetConformance, AClosedHandleCannotBeClosedAgain) {
  const platform::InternetHandle root = net().Open(L"HTTP Generic", platform::inet::kPreconfigured);
  ASSERT_NE(root, 0u);
  ASSERT_TRUE(net().Close(root));
  EXPECT_FALSE(net().Close(root));
  EXPECT_FALSE(net().Close(0));
}

// The program's way of reading: 1000-byte pieces until a read brings nothing.
std::string ReadToEnd(platform::Internet& net, platform::InternetHandle file) {
  std::string page;
  std::uint8_t buffer[1000];
  for (;;) {
    std::uint32_t read = 0;
    if (!net.Read(file, buffer, sizeof buffer, read)) return "(read failed)";
    if (read == 0) return page;
    page.append(reinterpret_cast<const char*>(buffer), read);
  }
}

TEST_F(InternetConformance, AServedPageComesBackWholeInPieces) {
  std::string page = "<html><body>Version 3.2.1</body></html>";
  page += std::string(2600, '.');
  const std::wstring address = backend().ServePage(page);
  ASSERT_FALSE(address.empty());
  const platform::InternetHandle root = net().Open(L"HTTP Generic", platform::inet::kPreconfigured);
  const platform::InternetHandle file = net().OpenUrl(root, address);
  ASSERT_NE(file, 0u);
  EXPECT_EQ(ReadToEnd(net(), file), page);
  EXPECT_TRUE(net().Close(file));
  EXPECT_TRUE(net().Close(root));
}

TEST_F(InternetConformance, ClosingTheRootClosesTheRequestsOpenedFromIt) {
  const std::wstring address = backend().ServePage("page");
  ASSERT_FALSE(address.empty());
  const platform::InternetHandle root = net().Open(L"HTTP Generic", platform::inet::kPreconfigured);
  const platform::InternetHandle file = net().OpenUrl(root, address);
  ASSERT_NE(file, 0u);
  EXPECT_TRUE(net().Close(root));
  EXPECT_FALSE(net().Close(file));
}

TEST_F(InternetConformance, AVariableThatIsNotSetReadsAsNothing) {
  EXPECT_EQ(host().processes.EnvironmentVariable(L"VELMAR_CONFORMANCE_UNSET"), std::nullopt);
}

TEST_F(InternetConformance, AVariableReadsBackAsSetWhateverTheCaseOfItsName) {
  Set(L"VELMAR_CONFORMANCE_SITE", L"http://127.0.0.1:8123");
  EXPECT_EQ(host().processes.EnvironmentVariable(L"VELMAR_CONFORMANCE_SITE"),
            L"http://127.0.0.1:8123");
  EXPECT_EQ(host().processes.EnvironmentVariable(L"velmar_conformance_site"),
            L"http://127.0.0.1:8123");
}

TEST_F(InternetConformance, AVariableSetToNothingIsSetButEmpty) {
  Set(L"VELMAR_CONFORMANCE_EMPTY", L"");
  EXPECT_EQ(host().processes.EnvironmentVariable(L"VELMAR_CONFORMANCE_EMPTY"), L"");
}

TEST_F(InternetConformance, ALongValueComesBackWhole) {
  const std::wstring value(3000, L'v');
  Set(L"VELMAR_CONFORMANCE_LONG", value);
  EXPECT_EQ(host().processes.EnvironmentVariable(L"VELMAR_CONFORMANCE_LONG"), value);
}

}  // namespace
}  // namespace conformance
