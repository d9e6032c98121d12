// The update check: the page fetched, its version read, padded and compared with 4.0.34, the
// three outcomes, the page opened only on OK, and the address's site taken from the variable.
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/ui/mod_update_check.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;

const std::wstring kPage = L"http://tools.brannocksystems.example/App_UninstallVelmar30.htm";
const std::wstring kOffered = L"Updated version is available";

std::string PageWith(const std::string& version) {
  return "<html><body><table><tr><td>Uninstaller</td><td>version</td>"
         "<td><font face=\"Helvetica\">" +
         version + "</font></td></tr></table></body></html>";
}

class UpdateCheck : public UninstallerTest {
 protected:
  void SetUp() override { ASSERT_FALSE(Start()); }
  void Choose() { app->main.OnClick("mnuCheckForUpdatedVersion"); }
  void Serve(const std::string& version) { server.web.Serve(kPage, PageWith(version)); }
  const platform::sim::ShownBox& LastBox() const { return server.boxes.shown().back(); }
};

TEST_F(UpdateCheck, ANewerBuildIsOfferedAndOkOpensThePage) {
  Serve("4.0.40");
  server.boxes.Expect(EnglishTable().at(2054), mb::kIdOk);
  Choose();
  EXPECT_EQ(LastBox().caption, kOffered);
  EXPECT_EQ(LastBox().style & mb::kButtonMask, mb::kOkCancel);
  ASSERT_EQ(server.web.shell_opens.size(), 1u);
  const auto& open = server.web.shell_opens[0];
  EXPECT_EQ(open.file, kPage);
  EXPECT_EQ(open.directory, L"C:\\Tools");
  EXPECT_EQ(open.show, 0);
  EXPECT_NE(open.owner, 0u);
  ASSERT_EQ(server.web.requests.size(), 1u);
  EXPECT_EQ(server.web.requests[0].agent, L"HTTP Generic");
  EXPECT_EQ(server.web.requests[0].access_type, 0u);
  EXPECT_EQ(server.web.OpenHandles(), 0u);
  EXPECT_EQ(views.Of("frmMain")->busy_changes, (std::vector<bool>{true, false}));
}

TEST_F(UpdateCheck, CancelOpensNothing) {
  Serve("4.1.0");
  server.boxes.Expect(EnglishTable().at(2054), mb::kIdCancel);
  Choose();
  EXPECT_TRUE(server.web.shell_opens.empty());
}

TEST_F(UpdateCheck, TheSameVersionIsUpToDate) {
  Serve("4.0.34");
  server.boxes.Expect(EnglishTable().at(2053), mb::kIdOk);
  Choose();
  EXPECT_EQ(LastBox().style & mb::kButtonMask, mb::kOk);
}

TEST_F(UpdateCheck, NothingUsableOnThePageOrNoPageGives2052) {
  const std::string pages[] = {
      PageWith("4.1"),  // three characters: no padded version
      "<b>4.0</b",      // nine characters: too short to be read at all
      "<html><td>v</td><td><font face=\"Helvetica\">4.0.40</font></td></html>",    // no marker
      "<html><td>version</td><td><font face=\"Arial\">4.0.40</font></td></html>",  // no font
  };
  for (const std::string& page : pages) {
    server.web.Serve(kPage, page);
    server.boxes.Expect(EnglishTable().at(2052), mb::kIdOk);
    Choose();
  }
  server.web.Withdraw(kPage);  // the host does not answer
  server.boxes.Expect(EnglishTable().at(2052), mb::kIdOk);
  Choose();
  EXPECT_TRUE(server.web.shell_opens.empty());
  EXPECT_EQ(server.web.OpenHandles(), 0u);
}

// Both words are found whatever their letter case on the page.
TEST_F(UpdateCheck, TheMarkersAreFoundInAnyLetterCase) {
  for (const std::string page :
       {"<td>Version</td><td><font face=\"helvetica\">4.0.40</font></td>",
        "<TD>VERSION</TD><TD><FONT FACE=\"HELVETICA\">4.0.40</FONT></TD>",
        "<td>vErSiOn</td><td><font face=\"HelVetica\">4.0.40</font></td>"}) {
    server.web.Serve(kPage, page);
    server.boxes.Expect(EnglishTable().at(2054), mb::kIdCancel);
    Choose();
    EXPECT_EQ(LastBox().caption, kOffered) << page;
  }
}

TEST_F(UpdateCheck, APageReadInSmallPiecesIsReadWhole) {
  server.web.Serve(kPage, std::string(1500, 'x') + PageWith("4.0.40")).piece_size = 7;
  server.boxes.Expect(EnglishTable().at(2054), mb::kIdCancel);
  Choose();
}

TEST_F(UpdateCheck, ADroppedConnectionKeepsWhatWasReadBefore) {
  server.web.Serve(kPage, PageWith("4.0.40") + std::string(3000, 'x')).fails_after_reads = 1;
  server.web.PageAt(kPage)->piece_size = 500;
  server.boxes.Expect(EnglishTable().at(2054), mb::kIdCancel);
  Choose();
}

TEST_F(UpdateCheck, TheSiteComesFromTheVariableButThePathNever) {
  server.environment[L"VELMAR_UPDATE_SITE"] = L"http://127.0.0.1:8080/elsewhere/page.htm";
  const std::wstring mirrored = L"http://127.0.0.1:8080/App_UninstallVelmar30.htm";
  server.web.Serve(mirrored, PageWith("4.0.40"));
  server.boxes.Expect(EnglishTable().at(2054), mb::kIdOk);
  Choose();
  ASSERT_EQ(server.web.requests.size(), 1u);
  EXPECT_EQ(server.web.requests[0].url, mirrored);
  EXPECT_EQ(server.web.shell_opens.at(0).file, mirrored);
}

TEST_F(UpdateCheck, TheSecondMarkerFlagReadsThePagesSecondVersion) {
  server.web.Serve(kPage, PageWith("4.0.20") + PageWith("4.0.50"));
  EXPECT_EQ(GetWebVersion(*app, kPage, false), L"0004.0000.0020");
  EXPECT_EQ(GetWebVersion(*app, kPage, true), L"0004.0000.0050");
}

TEST_F(UpdateCheck, PaddingKeepsLongComponentsAndReportsAVersionWithoutDots) {
  EXPECT_EQ(PadVersionString(*app, L"4.0.123456"), L"0004.0000.123456");
  EXPECT_EQ(PadVersionString(*app, L"10.2.3"), L"0010.0002.0003");
  EXPECT_LT(PadVersionString(*app, L"4.0.34"), PadVersionString(*app, L"4.0.40"));
  EXPECT_LT(PadVersionString(*app, L"4.0.34"), PadVersionString(*app, L"4.1.0"));
  server.boxes.Expect(
      L"(error):5 (Invalid procedure call or argument) in procedure PadVersionString of Module "
      L"modUpdateCheck",
      mb::kIdOk);
  EXPECT_EQ(PadVersionString(*app, L"40034"), L"");
  EXPECT_EQ(PadVersionString(*app, L"4.0"), L"");  // too short: no box
}

}  // namespace
}  // namespace uninstaller::testing
