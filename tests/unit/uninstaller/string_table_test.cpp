// The uninstaller's built-in English string table: exactly the identifiers the program looks up,
// each once and never empty, and the English wording of the texts administrators see.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "uninstaller/strings_en.h"

namespace uninstaller::testing {
namespace {

std::map<std::uint32_t, std::wstring> EnglishTable() {
  std::map<std::uint32_t, std::wstring> table;
  for (const auto& [id, text] : BuiltInStrings()) table.emplace(id, text);
  return table;
}

// Checks the listed entries word for word; a missing entry reads as "(missing)".
void ExpectTexts(const std::map<std::uint32_t, std::wstring>& expected) {
  const auto table = EnglishTable();
  for (const auto& [id, text] : expected) {
    const auto found = table.find(id);
    EXPECT_EQ(found == table.end() ? L"(missing)" : found->second, text) << "string " << id;
  }
}

TEST(EnglishStrings, HoldExactlyTheProgramsIdentifiersEachOnceWithText) {
  std::set<std::uint32_t> expected;
  for (std::uint32_t id = 1001; id <= 1019; ++id) expected.insert(id);
  for (std::uint32_t id = 2000; id <= 2067; ++id) expected.insert(id);

  const auto entries = BuiltInStrings();
  std::set<std::uint32_t> seen;
  for (const auto& [id, text] : entries) {
    EXPECT_TRUE(seen.insert(id).second) << "string " << id << " appears twice";
    EXPECT_NE(std::wstring(text).find_first_not_of(L' '), std::wstring::npos)
        << "string " << id << " is empty";
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(entries.size(), 87u);
}

TEST(EnglishStrings, StartUpRefusalsAndTheNotRunningQuestion) {
  ExpectTexts({
      {2038,
       L"This version of uninstall only works on Velmar 3.0 or later.  You need to obtain the 2.x "
       L"version of Uninstall for this server.  Exiting..."},
      {2063,
       L"Velmar is not running.  In order to uninstall Velmar properly from your system, Velmar "
       L"must be running."},
      {2064, L"Please click Yes to exit.  Then start Velmar, and re-run the Uninstall utility."},
      {2065, L"If Velmar is not in a state where it can be started, click No to continue."},
      {2066, L"Do you want to exit?"},
  });
}

TEST(EnglishStrings, FailoverWarning) {
  ExpectTexts({
      {2046,
       L"The local system is a primary server in a failover configuration.  You need to disable "
       L"the failover functionality and manually remove SQL replication before proceeding with "
       L"the uninstall process.  Details for this process can be found the failover installation "
       L"guide.  A link to this document can be found in the help file."},
      {2047,
       L"If you have already performed these steps, press \"Proceed with Uninstall\" and continue "
       L"on.  If not, please press \"Cancel Uninstall\", perform the steps and then run the "
       L"Uninstall tool again."},
      {2048, L"Proceed with Uninstall"},
      {2049, L"Cancel Uninstall"},
      {2050, L"Uninstall - WARNING"},
  });
}

TEST(EnglishStrings, UninstallQuestionsAndTheClosingSummary) {
  ExpectTexts({
      {2067,
       L"You have chosen to uninstall Velmar while Velmar is not running.  Be aware that you will "
       L"need to perform manual steps to properly remove Velmar from your system.  Refer to "
       L"\"Removal Details\" section of the Uninstall Help file for this information."},
      {2012,
       L"Please be sure to close all applications before uninstalling Velmar.  Do you want to "
       L"continue?"},
      {2002,
       L"Before uninstalling Velmar you should first remove Dialogic/NMS TSP and WAV drivers (see "
       L"help for more information).  Are you ready to continue?"},
      {2003,
       L"Uninstalling will completely remove Velmar from your system!  Are you sure you want to "
       L"do this?"},
      {2004, L"Are you absolutely sure?"},
      {2018,
       L"Error!  Could not find Dirscrub.exe.  This file is necessary to continue.  Exiting "
       L"application..."},
      {2039,
       L"To complete the uninstall, you must manually remove the following user accounts and "
       L"distribution lists from NT and Exchange or from Active Directory:"},
      {2008,
       L"Uninstall complete.  Please reboot the server before installing a new version of Velmar "
       L"on this server."},
      {2009,
       L"  error(s) encountered during the process.  See the log file for more information on "
       L"these."},
      {2010, L"Press OK to view log file now."},
      {2057,
       L"Error!  VelmarDB database is missing or badly corrupted - skipping parts of uninstall."},
  });
}

TEST(EnglishStrings, SubscriberOptionQuestionsAndNotices) {
  ExpectTexts({
      {2058,
       L"Are any of the subscribers installed on this Velmar server assigned as a subscriber to "
       L"another Velmar server on your network?"},
      {2059,
       L"Are any of the subscribers installed on this Velmar server going to be imported into "
       L"another Velmar server on your network at a later time?"},
      {2060,
       L"Have any of the subscribers on the Velmar server you are uninstalling been imported on "
       L"another Velmar server in your directory using the SA or WYBI?"},
      {2061, L"It is not necessary to remove subscriber properties from user accounts."},
      {2062,
       L"The option to remove Velmar properties from subscribers is not appropriate in this "
       L"case"},
  });
}

TEST(EnglishStrings, WindowAndMenuCaptions) {
  ExpectTexts({
      {1001, L"Velmar Uninstaller"},
      {1003, L"Exit"},
      {1004, L"Help"},
      {1005, L"About"},
      {1006, L"Uninstall"},
      {1008, L"Progress"},
      {1009, L"Removing custom properties from mail users in Exchange directory"},
      {1010, L"Removing Velmar objects from Exchange directory"},
      {1012, L"Stopping all Velmar and related services"},
      {1013, L"Deleting Corvane directory from hard drive"},
      {1014, L"Removing Velmar specific registry settings"},
      {1015, L"Removing Velmar shortcuts and program groups"},
      {1016, L"Removing Velmar web directories"},
      {1017, L"Removing DLLs from System32 directory"},
      {1018, L"Unregistering Velmar specific services"},
      {2024, L"Change Language"},
      {2025, L"Brannock Systems, Inc."},
      {2027, L"Error in FormLoad routine:"},
      {2030, L"File"},
      {2031, L"No languages loaded"},
      {2032, L"OK"},
      {2033, L"Options"},
      {2034, L"Remove subscriber information from mail users in directory"},
      {2035, L"Removing Velmar and Reports database from SQL"},
      {2037, L"Select Language"},
      {2044, L"Unregistering Velmar specific DLLs   (this may take a minute)"},
      {2045, L"Version:"},
      {2051, L"Check for updated version"},
      {2056, L"Removing subscriber properties and custom objects from directory..."},
  });
}

TEST(EnglishStrings, UpdateCheckMessages) {
  ExpectTexts({{2053, L"You have the most up to date version of this tool installed"}});
  const auto table = EnglishTable();
  // Only the first sentence of the unreachable-page message is fixed; a second one points to the
  // tools web site.
  const std::wstring first = L"Unable to contact application home page to check for version.";
  ASSERT_TRUE(table.count(2052));
  EXPECT_EQ(table.at(2052).substr(0, first.size()), first);
  EXPECT_GT(table.at(2052).size(), first.size() + 2);
}

}  // namespace
}  // namespace uninstaller::testing
