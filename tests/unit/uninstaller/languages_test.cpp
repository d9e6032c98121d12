// The German and French string tables against the built-in English one: the same identifiers,
// no empty text, the blanks the program joins texts by, product names and the help section's
// title left as they are, and letters beyond ASCII arriving intact.
#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "uninstaller/languages/language_tables.h"
#include "uninstaller/strings_en.h"

namespace uninstaller::testing {
namespace {

using Entries = std::vector<std::pair<std::uint32_t, const wchar_t*>>;
using Table = std::map<std::uint32_t, std::wstring>;

Table ToTable(const Entries& entries) {
  Table table;
  for (const auto& [id, text] : entries) table.emplace(id, text);
  return table;
}

// Names of products, programs and parts of the server that a translation must not touch.
constexpr const wchar_t* kNames[] = {L"Velmar",
                                     L"Corvane",
                                     L"Brannock Systems",
                                     L"Vantrel",
                                     L"WYBI",
                                     L"SA",
                                     L"Exchange",
                                     L"Dialogic/NMS",
                                     L"TSP",
                                     L"SQL",
                                     L"VelmarDB",
                                     L"System32",
                                     L"Dirscrub.exe",
                                     L"Active Directory",
                                     L"FormLoad"};

// ASCII letters and digits and the accented letters from U+00C0 on; the no-break space French
// puts before ? ! : is no letter.
bool IsWordCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c >= 0xc0;
}

// True when the name stands in the text as a word of its own ("SA" is not in "USA", "Velmar"
// is not in "VelmarDB"); hyphens and apostrophes around it ("Velmar-Dienste", "d'Exchange")
// still count as word boundaries.
bool HasWord(std::wstring_view text, std::wstring_view name) {
  for (auto at = text.find(name); at != std::wstring_view::npos; at = text.find(name, at + 1)) {
    const bool starts = at == 0 || !IsWordCharacter(text[at - 1]);
    const auto end = at + name.size();
    const bool ends = end == text.size() || !IsWordCharacter(text[end]);
    if (starts && ends) return true;
  }
  return false;
}

std::size_t LeadingBlanks(const std::wstring& text) {
  return text.find_first_not_of(L' ');
}
std::size_t TrailingBlanks(const std::wstring& text) {
  return text.size() - 1 - text.find_last_not_of(L' ');
}

// Runs of exactly two blanks: the gap between sentences in every message.
int SentenceGaps(const std::wstring& text) {
  int gaps = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] != L' ') {
      ++at;
      continue;
    }
    const auto run_end = text.find_first_not_of(L' ', at);
    const auto run = (run_end == std::wstring::npos ? text.size() : run_end) - at;
    if (run == 2) ++gaps;
    at += run;
  }
  return gaps;
}

struct Language {
  const char* name;
  Entries (*strings)();
};

void PrintTo(const Language& language, std::ostream* out) {
  *out << language.name;
}

class Translation : public ::testing::TestWithParam<Language> {
 protected:
  const Table english_ = ToTable(BuiltInStrings());
  const Entries entries_ = GetParam().strings();
  const Table table_ = ToTable(entries_);
};

TEST_P(Translation, HasExactlyTheEnglishIdentifiersEachOnce) {
  EXPECT_EQ(entries_.size(), table_.size()) << "an identifier appears twice";
  for (const auto& [id, text] : english_) EXPECT_TRUE(table_.count(id)) << "missing " << id;
  for (const auto& [id, text] : table_) EXPECT_TRUE(english_.count(id)) << "extra " << id;
}

TEST_P(Translation, EveryTextHasContentAndTheEnglishBlankStructure) {
  for (const auto& [id, text] : table_) {
    ASSERT_TRUE(english_.count(id));
    const auto& english = english_.at(id);
    ASSERT_NE(text.find_first_not_of(L' '), std::wstring::npos) << id << " is empty";
    EXPECT_EQ(LeadingBlanks(text), LeadingBlanks(english)) << id;
    EXPECT_EQ(TrailingBlanks(text), TrailingBlanks(english)) << id;
    EXPECT_EQ(SentenceGaps(text), SentenceGaps(english)) << id;
  }
}

// 2009 follows the error count ("3  errors..."); 2044 keeps its wide gap before the remark.
TEST_P(Translation, TheJoinedAndTheSpacedMessagesKeepTheirBlanks) {
  ASSERT_TRUE(table_.count(2009) && table_.count(2044));
  const auto& count_suffix = table_.at(2009);
  EXPECT_EQ(count_suffix.substr(0, 2), L"  ");
  EXPECT_NE(count_suffix[2], L' ');
  const auto& slow_step = table_.at(2044);
  const auto gap = slow_step.find(L"   (");
  ASSERT_NE(gap, std::wstring::npos) << "three blanks before the parenthesis";
  EXPECT_NE(slow_step[gap - 1], L' ');
  EXPECT_EQ(slow_step.back(), L')');
}

TEST_P(Translation, ProductNamesStayWhereverTheEnglishHasThem) {
  for (const auto& [id, english] : english_) {
    if (!table_.count(id)) continue;  // reported by the identifier test
    for (const auto* name : kNames) {
      if (!HasWord(english, name)) continue;
      EXPECT_TRUE(HasWord(table_.at(id), name))
          << id << " lost \"" << std::string(name, name + std::wcslen(name)) << "\"";
    }
  }
}

// The failover warning names its own buttons; the help page exists in English only, so the
// not-running warning points at its section by the English title.
TEST_P(Translation, MessagesQuoteTheButtonsAndTheHelpSectionAsShown) {
  ASSERT_TRUE(table_.count(2047) && table_.count(2048) && table_.count(2049));
  EXPECT_NE(table_.at(2047).find(L"\"" + table_.at(2048) + L"\""), std::wstring::npos);
  EXPECT_NE(table_.at(2047).find(L"\"" + table_.at(2049) + L"\""), std::wstring::npos);
  EXPECT_NE(table_.at(2067).find(L"\"Removal Details\""), std::wstring::npos);
}

INSTANTIATE_TEST_SUITE_P(Languages, Translation,
                         ::testing::Values(Language{"German", &GermanStrings},
                                           Language{"French", &FrenchStrings}),
                         [](const auto& info) { return std::string(info.param.name); });

// The tables are UTF-8 files; a wrong source character set would turn these into two or more
// characters each.
TEST(TranslationLetters, ArriveAsSingleCharacters) {
  const auto german = ToTable(GermanStrings());
  const auto french = ToTable(FrenchStrings());
  EXPECT_EQ(german.at(2024), L"Sprache \u00e4ndern");
  EXPECT_EQ(german.at(2027), L"Fehler in der Routine FormLoad:");
  EXPECT_EQ(french.at(2040), L"\u00c9tats-Unis");
  EXPECT_EQ(french.at(1005), L"\u00c0 propos");
  // French puts a no-break space before the colon.
  EXPECT_EQ(french.at(2045), L"Version\u00a0:");
}

}  // namespace
}  // namespace uninstaller::testing
