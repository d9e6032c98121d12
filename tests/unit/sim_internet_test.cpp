// The simulated web and environment: pages come back whole across pieces, unserved addresses
// fail at opening, failures are injected where asked, and every handle is accounted for.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/sim/process.h"

namespace {

using platform::InternetHandle;
using platform::sim::Process;
using platform::sim::Server;

constexpr wchar_t kPage[] = L"http://updates.example.test:8080/velmar/Uninstall.htm";

class SimInternetTest : public ::testing::Test {
 protected:
  platform::Internet& net() { return process_.host().internet; }
  InternetHandle Root() { return net().Open(L"HTTP Generic", platform::inet::kPreconfigured); }
  // Reads to the end in pieces of `buffer_size`, as the program does; nothing when a read fails.
  std::optional<std::string> ReadAll(InternetHandle file, std::uint32_t buffer_size,
                                     int* reads = nullptr) {
    std::string page;
    std::vector<std::uint8_t> buffer(buffer_size);
    for (int count = 1;; ++count) {
      std::uint32_t read = 0;
      if (!net().Read(file, buffer.data(), buffer_size, read)) return std::nullopt;
      if (reads != nullptr) *reads = count;
      if (read == 0) return page;
      EXPECT_LE(read, buffer_size);
      page.append(buffer.begin(), buffer.begin() + read);
    }
  }

  Server server_;
  Process process_{server_, L"C:\\Program Files\\Velmar\\VelmarUninstall.exe"};
};

TEST_F(SimInternetTest, APageDeliveredInPiecesArrivesWholeAndEndsWithAnEmptyRead) {
  std::string body(2500, 'x');
  body.replace(0, 13, "Version 3.2.1");
  server_.web.Serve(kPage, body).piece_size = 300;
  const InternetHandle root = Root();
  const InternetHandle file = net().OpenUrl(root, kPage);
  ASSERT_NE(file, 0u);
  int reads = 0;
  EXPECT_EQ(ReadAll(file, 1000, &reads), body);
  EXPECT_EQ(reads, 10);  // nine pieces of at most 300 bytes, then the empty read
  EXPECT_TRUE(net().Close(file));
  EXPECT_TRUE(net().Close(root));
  EXPECT_EQ(server_.web.OpenHandles(), 0u);
}

TEST_F(SimInternetTest, ABufferSmallerThanThePieceLimitsEachRead) {
  server_.web.Serve(kPage, "0123456789");
  const InternetHandle file = net().OpenUrl(Root(), kPage);
  int reads = 0;
  EXPECT_EQ(ReadAll(file, 4, &reads), "0123456789");
  EXPECT_EQ(reads, 4);
}

TEST_F(SimInternetTest, EveryAddressOpenedIsRecordedWithItsRootsAgentAndAccess) {
  server_.web.Serve(kPage, "page");
  const InternetHandle root = Root();
  net().OpenUrl(root, L"http://nowhere.example.test/");
  net().OpenUrl(root, kPage);
  ASSERT_EQ(server_.web.requests.size(), 2u);
  EXPECT_EQ(server_.web.requests[0].url, L"http://nowhere.example.test/");
  EXPECT_EQ(server_.web.requests[1].agent, L"HTTP Generic");
  EXPECT_EQ(server_.web.requests[1].access_type, platform::inet::kPreconfigured);
  EXPECT_EQ(server_.web.requests[1].url, kPage);
}

TEST_F(SimInternetTest, SchemeAndHostIgnoreCaseButThePathDoesNot) {
  server_.web.Serve(kPage, "page");
  const InternetHandle root = Root();
  EXPECT_NE(net().OpenUrl(root, L"HTTP://Updates.Example.TEST:8080/velmar/Uninstall.htm"), 0u);
  EXPECT_EQ(net().OpenUrl(root, L"http://updates.example.test:8080/VELMAR/Uninstall.htm"), 0u);
  EXPECT_EQ(net().OpenUrl(root, L"http://updates.example.test:8081/velmar/Uninstall.htm"), 0u);
}

TEST_F(SimInternetTest, UnservedAndWithdrawnAddressesFailToOpen) {
  const InternetHandle root = Root();
  EXPECT_EQ(net().OpenUrl(root, kPage), 0u);
  server_.web.Serve(kPage, "page");
  server_.web.Withdraw(kPage);
  EXPECT_EQ(net().OpenUrl(root, kPage), 0u);
  EXPECT_EQ(server_.web.OpenHandles(), 1u);  // only the root
}

TEST_F(SimInternetTest, InjectedFailures) {
  server_.web.Serve(kPage, std::string(50, 'p')).piece_size = 20;
  server_.web.PageAt(kPage)->fails_after_reads = 2;
  const InternetHandle file = net().OpenUrl(Root(), kPage);
  std::uint8_t buffer[1000];
  std::uint32_t read = 0;
  EXPECT_TRUE(net().Read(file, buffer, sizeof buffer, read));
  EXPECT_TRUE(net().Read(file, buffer, sizeof buffer, read));
  EXPECT_FALSE(net().Read(file, buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);

  server_.web.open_fails = true;
  EXPECT_EQ(Root(), 0u);
}

TEST_F(SimInternetTest, HandlesAreCountedUntilClosedAndARootTakesItsRequestsWithIt) {
  server_.web.Serve(kPage, "page");
  const InternetHandle root = Root();
  const InternetHandle file = net().OpenUrl(root, kPage);
  EXPECT_EQ(server_.web.OpenHandles(), 2u);
  EXPECT_TRUE(net().Close(root));
  EXPECT_EQ(server_.web.OpenHandles(), 0u);
  EXPECT_FALSE(net().Close(file));
  std::uint8_t buffer[8];
  std::uint32_t read = 0;
  EXPECT_FALSE(net().Read(file, buffer, sizeof buffer, read));
}

TEST_F(SimInternetTest, HandlesAProcessForgetsAreClosedAndCountedWhenItEnds) {
  server_.web.Serve(kPage, "page");
  {
    Process forgetful(server_, L"C:\\tools\\forgetful.exe");
    auto& net = forgetful.host().internet;
    net.OpenUrl(net.Open(L"HTTP Generic", 0), kPage);
    net.Open(L"HTTP Generic", 0);
  }
  EXPECT_EQ(server_.web.OpenHandles(), 0u);
  EXPECT_EQ(server_.web.handles_left_open, 3u);
}

TEST_F(SimInternetTest, ShellOpensAreRecordedAsAsked) {
  net().ShellOpen(0x1234, kPage, L"C:\\Program Files\\Velmar", 0);
  ASSERT_EQ(server_.web.shell_opens.size(), 1u);
  const auto& open = server_.web.shell_opens[0];
  EXPECT_EQ(open.owner, 0x1234u);
  EXPECT_EQ(open.file, kPage);
  EXPECT_EQ(open.directory, L"C:\\Program Files\\Velmar");
  EXPECT_EQ(open.show, 0);
}

TEST_F(SimInternetTest, AProcesssOwnVariablesComeBeforeTheServersAndNamesIgnoreCase) {
  auto& processes = process_.host().processes;
  server_.environment.Set(L"VELMAR_UPDATE_SITE", L"http://127.0.0.1:8000");
  EXPECT_EQ(processes.EnvironmentVariable(L"velmar_update_site"), L"http://127.0.0.1:8000");
  process_.environment.Set(L"Velmar_Update_Site", L"http://127.0.0.1:9000");
  EXPECT_EQ(processes.EnvironmentVariable(L"VELMAR_UPDATE_SITE"), L"http://127.0.0.1:9000");
  Process other(server_, L"C:\\tools\\other.exe");
  EXPECT_EQ(other.host().processes.EnvironmentVariable(L"VELMAR_UPDATE_SITE"),
            L"http://127.0.0.1:8000");
  server_.environment.Remove(L"velmar_update_site");
  EXPECT_EQ(other.host().processes.EnvironmentVariable(L"VELMAR_UPDATE_SITE"), std::nullopt);
}

}  // namespace
