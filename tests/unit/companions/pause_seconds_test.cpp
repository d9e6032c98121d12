// mypause.exe's argument: whole seconds within an hour, anything else refused.
#include "companions/mypause/pause_seconds.h"

#include <gtest/gtest.h>

namespace companions {
namespace {

TEST(PauseSecondsTest, TakesWholeSecondsUpToAnHour) {
  EXPECT_EQ(ParsePauseSeconds(L"2"), 2u);
  EXPECT_EQ(ParsePauseSeconds(L"0"), 0u);
  EXPECT_EQ(ParsePauseSeconds(L"007"), 7u);
  EXPECT_EQ(ParsePauseSeconds(L"3600"), kMaxPauseSeconds);
}

TEST(PauseSecondsTest, RefusesWhatIsNotADuration) {
  for (const wchar_t* text :
       {L"", L"3601", L"99999999999999999999", L"-1", L"+2", L"2s", L" 2", L"1.5", L"two"}) {
    EXPECT_FALSE(ParsePauseSeconds(text).has_value()) << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace companions
