// Cutting fields out of a page between markers, and adding up the combat power.
#include "lookup/page_fields.h"

#include <gtest/gtest.h>

#include "encoding/codepage.h"

namespace pelmora {
namespace {

TEST(TextBetween, MarkerRules) {
  struct Case {
    const char* label;
    Text text, left, right, want;
  } cases[] = {
      {"plain", "a[12]b", "[", "]", "12"},
      {"no right after left", "a]b[12", "[", "]", ""},
      {"right before left ignored", "x]y[42]z", "[", "]", "42"},
      {"letters in any case", "<SPAN ID=RANK_7>", "<span id=rank_", ">", "7"},
      {"first occurrence only", "[1][2]", "[", "]", "1"},
      {"empty field", "ab[]cd", "[", "]", ""},
      {"nothing after left", "abc[", "[", "]", ""},
      {"empty page", "", "[", "]", ""},
      {"right overlapping left is not seen", "<a>>b>", "<a>", ">", ""},
      {"later left not used", "[1 [2]", "[", "]", "1 [2"},
      {"left missing", "12]", "[", "]", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.want) << c.label;
}

TEST(TextBetween, QuoteTokenStandsForDoubleQuote) {
  const Text page = "<span id=\"rank_15\">x";
  const Text token = GbkLiteral("#引号");
  EXPECT_EQ(TextBetween(page, "<span id=" + token + "rank_", token + ">"), "15");
  EXPECT_EQ(TextBetween(page, "<span id=\"rank_", "\">"), "15");
  EXPECT_EQ(TextBetween("a" + token + "b\"c", "a\"", "c"), "");  // the page is not rewritten
}

TEST(ReadPageNumber, FieldTexts) {
  struct Case {
    Text field;
    int want;
  } cases[] = {
      {" 1234", 1234},
      {"12abc", 12},
      {"-56", -56},
      {"+7", 7},
      {"abc", 0},
      {"", 0},
      {"\xA3\xB1\xA3\xB2\xA3\xB3", 123},  // full-width 123
      {"2147483648", -2147483648},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadPageNumber("<" + c.field + ">", "<", ">"), c.want);
  EXPECT_EQ(ReadPageNumber("no markers", "<", ">"), 0);
}

TEST(PowerText, SumsWithoutPointOrExponent) {
  EXPECT_EQ(PowerText(1234, 56, 78), "1368");
  EXPECT_EQ(PowerText(0, 0, 0), "0");
  EXPECT_EQ(PowerText(-100, 20, 30), "-50");
  EXPECT_EQ(PowerText(1234, -5, 78), "1307");
  EXPECT_EQ(PowerText(2147483647, 2147483647, 2147483647), "6442450941");
  EXPECT_EQ(PowerText(-2147483647 - 1, -2147483647 - 1, -2147483647 - 1), "-6442450944");
}

}  // namespace
}  // namespace pelmora
