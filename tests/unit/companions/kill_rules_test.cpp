// kill.exe's rules on made-up process snapshots: which patterns it takes, what they match, and
// the processes it spares whatever the pattern.
#include "companions/kill/kill_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace companions {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

ImagePattern Pattern(std::wstring_view text) {
  const auto pattern = ImagePattern::Parse(text);
  EXPECT_TRUE(pattern.has_value()) << "not a pattern";
  return pattern.value_or(*ImagePattern::Parse(L"never-matches.exe"));
}

std::vector<std::wstring> Names(const std::vector<ProcessEntry>& entries) {
  std::vector<std::wstring> names;
  for (const auto& entry : entries) names.push_back(entry.image_name);
  return names;
}

TEST(KillPatternTest, PrefixPatternMatchesNamesStartingWithItInAnyCase) {
  const auto zq = Pattern(L"zq*");
  EXPECT_TRUE(zq.Matches(L"ZQSVC.EXE"));
  EXPECT_TRUE(zq.Matches(L"zq.exe"));
  EXPECT_TRUE(zq.Matches(L"Zq"));
  EXPECT_FALSE(zq.Matches(L"azq.exe"));
  EXPECT_FALSE(zq.Matches(L"z.exe"));
  EXPECT_FALSE(zq.Matches(L""));
}

TEST(KillPatternTest, FullNameMatchesOnlyThatNameInAnyCase) {
  const auto name = Pattern(L"ctbbserv.exe");
  EXPECT_TRUE(name.Matches(L"ctbbserv.exe"));
  EXPECT_TRUE(name.Matches(L"CtbbServ.EXE"));
  EXPECT_FALSE(name.Matches(L"ctbbserv.exe2"));
  EXPECT_FALSE(name.Matches(L"ctbbserv"));
  EXPECT_FALSE(name.Matches(L"xctbbserv.exe"));
}

TEST(KillPatternTest, StarAloneMatchesEveryName) {
  const auto all = Pattern(L"*");
  EXPECT_TRUE(all.Matches(L"notepad.exe"));
  EXPECT_TRUE(all.Matches(L""));
}

TEST(KillPatternTest, TextThatCannotNameAnImageIsAUsageError) {
  for (const wchar_t* text : {L"", L"**", L"z*q", L"*.exe", L"zq?.exe", L"C:\\zq.exe", L"a/b",
                              L"\"zq*\"", L"zq|more", L"a\tb"}) {
    EXPECT_FALSE(ImagePattern::Parse(text).has_value())
        << "accepted: " << testing::PrintToString(text);
  }
  // Blanks and dots are part of ordinary image names.
  EXPECT_TRUE(ImagePattern::Parse(L"my service.exe").has_value());
}

TEST(KillProtectionTest, SystemProcessesAreCriticalByIdOrByNameInAnyCase) {
  EXPECT_TRUE(IsSystemCritical(0, L"[System Process]"));
  EXPECT_TRUE(IsSystemCritical(4, L"System"));
  EXPECT_TRUE(IsSystemCritical(0, L"anything.exe"));
  EXPECT_TRUE(IsSystemCritical(4, L"anything.exe"));
  for (const wchar_t* name :
       {L"System", L"smss.exe", L"csrss.exe", L"wininit.exe", L"winlogon.exe", L"services.exe",
        L"lsass.exe", L"svchost.exe", L"SVCHOST.EXE", L"Csrss.Exe"}) {
    EXPECT_TRUE(IsSystemCritical(1000, name)) << testing::PrintToString(name);
  }
  EXPECT_FALSE(IsSystemCritical(1000, L"zqsvc.exe"));
  EXPECT_FALSE(IsSystemCritical(1000, L"svchost.exe.bak"));
  EXPECT_FALSE(IsSystemCritical(8, L"explorer.exe"));
}

// A machine as kill.exe might find it, started from cmd.exe by the uninstaller.
std::vector<ProcessEntry> Machine() {
  return {
      {0, 0, L"[System Process]"},  {4, 0, L"System"},          {300, 4, L"smss.exe"},
      {400, 300, L"csrss.exe"},     {500, 300, L"wininit.exe"}, {600, 500, L"services.exe"},
      {610, 500, L"lsass.exe"},     {700, 600, L"svchost.exe"}, {800, 300, L"winlogon.exe"},
      {900, 850, L"explorer.exe"},  {1000, 600, L"ZQSVC.EXE"},  {1010, 1000, L"zqworker.exe"},
      {1100, 900, L"zquninst.exe"}, {1200, 1100, L"cmd.exe"},   {1300, 1200, L"kill.exe"},
      {1400, 600, L"ctbbserv.exe"}, {1500, 900, L"azq.exe"},
  };
}

TEST(KillChoiceTest, PrefixPatternEndsMatchingProcessesButNeverItsOwnLineage) {
  // zquninst.exe started cmd.exe, which started kill.exe: it must survive its own "zq*".
  EXPECT_THAT(Names(ProcessesToEnd(Pattern(L"zq*"), Machine(), 1300)),
              ElementsAre(L"ZQSVC.EXE", L"zqworker.exe"));
}

TEST(KillChoiceTest, FullNameEndsEveryProcessOfThatName) {
  auto machine = Machine();
  machine.push_back({1600, 900, L"CTBBSERV.exe"});
  const auto chosen = ProcessesToEnd(Pattern(L"ctbbserv.exe"), machine, 1300);
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].pid, 1400u);
  EXPECT_EQ(chosen[1].pid, 1600u);
}

TEST(KillChoiceTest, StarEndsEverythingButTheSystemAndTheWholeLineage) {
  // explorer.exe started the uninstaller, so it is spared like cmd.exe and the uninstaller.
  EXPECT_THAT(Names(ProcessesToEnd(Pattern(L"*"), Machine(), 1300)),
              ElementsAre(L"ZQSVC.EXE", L"zqworker.exe", L"ctbbserv.exe", L"azq.exe"));
}

TEST(KillChoiceTest, NamingItsOwnImageOrTheSystemEndsNothing) {
  EXPECT_THAT(ProcessesToEnd(Pattern(L"kill.exe"), Machine(), 1300), IsEmpty());
  EXPECT_THAT(ProcessesToEnd(Pattern(L"cmd.exe"), Machine(), 1300), IsEmpty());
  EXPECT_THAT(ProcessesToEnd(Pattern(L"svchost.exe"), Machine(), 1300), IsEmpty());
  EXPECT_THAT(ProcessesToEnd(Pattern(L"System"), Machine(), 1300), IsEmpty());
  EXPECT_THAT(ProcessesToEnd(Pattern(L"nothing-like-it.exe"), Machine(), 1300), IsEmpty());
}

TEST(KillChoiceTest, AnotherCopyOfKillIsNotSparedOnlyItsOwnProcessIs) {
  auto machine = Machine();
  machine.push_back({1700, 900, L"kill.exe"});
  const auto chosen = ProcessesToEnd(Pattern(L"kill.exe"), machine, 1300);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].pid, 1700u);
}

TEST(KillChoiceTest, LineageWalkSurvivesMissingParentsAndIdLoops) {
  // The parent is gone (id 77 in no entry); two processes name each other as parent.
  const std::vector<ProcessEntry> machine = {
      {20, 77, L"zqself.exe"}, {30, 40, L"zqa.exe"}, {40, 30, L"zqb.exe"}};
  EXPECT_THAT(Names(ProcessesToEnd(Pattern(L"zq*"), machine, 20)),
              ElementsAre(L"zqa.exe", L"zqb.exe"));
  // Started from inside the loop: both loop members are its lineage.
  EXPECT_THAT(Names(ProcessesToEnd(Pattern(L"zq*"), machine, 30)), ElementsAre(L"zqself.exe"));
  // A self missing from the snapshot still keeps the walk finite.
  EXPECT_THAT(ProcessesToEnd(Pattern(L"zq*"), machine, 99).size(), 3u);
}

}  // namespace
}  // namespace companions
