// Escaping marker text so that it matches literally, and the chained replacement under it.
#include "regex/escape.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

TEST(EscapeRegexText, PutsOneBackslashBeforeEachMark) {
  struct Case {
    const char* label;
    Text text;
    Text want;
  } cases[] = {
      {"option left marker", "<option value=\"", "<option value=\""},
      {"option right marker", "</option>", "</option>"},
      {"lazy group", "(.*?)", "\\(.\\*\\?\\)"},
      {"all ten marks", "?*+[](){}", "\\?\\*\\+\\[\\]\\(\\)\\{\\}"},
      {"marks in another order", "}{)(][+*?", "\\}\\{\\)\\(\\]\\[\\+\\*\\?"},
      {"repeated mark", "a??b", "a\\?\\?b"},
      {"backslash is not doubled", "\\?", "\\\\?"},
      {"lone backslash", "a\\b", "a\\b"},
      {"other pattern marks stay", ".^$|", ".^$|"},
      {"empty", "", ""},
      // Two-byte characters whose trail byte equals a mark are copied whole.
      {"trail bytes [ ] { }", "\x81[\x81]\x81{\x81}", "\x81[\x81]\x81{\x81}"},
      {"mark after a character", "\xD5\xBD(", "\xD5\xBD\\("},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeRegexText(c.text), c.want) << c.label;
  EXPECT_EQ(EscapeRegexText("(.*?)").size(), 9u);
}

TEST(EscapeRegexText, LeavesEveryTwoByteCharacterAlone) {
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const Text character{static_cast<char>(lead), static_cast<char>(trail)};
      ASSERT_EQ(EscapeRegexText(character), character) << lead << " " << trail;
    }
  }
}

TEST(ReplaceFivePairs, AppliesPairsInTurn) {
  struct Case {
    const char* label;
    Text got;
    Text want;
  } cases[] = {
      {"later pair sees earlier output", ReplaceFivePairs("a", false, {"a", "b"}, {"b", "c"}), "c"},
      {"earlier pair does not see later output",
       ReplaceFivePairs("a", false, {"b", "c"}, {"a", "b"}), "b"},
      {"all five pairs",
       ReplaceFivePairs("abcde", false, {"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}),
       "12345"},
      {"ignoring case", ReplaceFivePairs("xAx", false, {"a", "b"}), "xbx"},
      {"exact case", ReplaceFivePairs("xAx", true, {"a", "b"}), "xAx"},
      {"empty find leaves text", ReplaceFivePairs("abc", false, {"", "z"}), "abc"},
      {"empty text", ReplaceFivePairs("", false, {"a", "b"}), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.label;
}

}  // namespace
}  // namespace pelmora
