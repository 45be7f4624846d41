// RegexMatcher and ExtractAllBetween. On Windows every case runs twice: on the "VBScript.RegExp"
// component and on the standard-library engine that stands in when the component is missing;
// on Linux it runs on PCRE2. All engines meet the same expectations.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <memory>
#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "regex/extract.h"
#include "regex/regex_matcher.h"
#include "servers/server_list.h"

namespace pelmora {
namespace {

// A ProgID no system registers, so Run falls back to the standard library's engine.
constexpr std::string_view kMissingProgId = "Pelmora.NoSuchRegExp";

#ifdef _WIN32
const std::string_view kEngines[] = {kRegExpProgId, kMissingProgId};

// Wine's own "VBScript.RegExp" departs from Windows in two places: its "." also stops at a
// carriage return, and a global Execute of a pattern that matches empty text never returns.
bool UnderWineComponent(std::string_view progId) {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return progId == kRegExpProgId && ntdll && GetProcAddress(ntdll, "wine_get_version");
}
#else
const std::string_view kEngines[] = {kRegExpProgId};

bool UnderWineComponent(std::string_view) {
  return false;
}
#endif

std::string EngineName(const testing::TestParamInfo<std::string_view>& info) {
  return info.param == kRegExpProgId ? "Platform" : "Fallback";
}

std::vector<Text> AllMatches(const RegexMatcher& m) {
  std::vector<Text> texts;
  for (int i = 1; i <= m.MatchCount(); ++i) texts.push_back(m.MatchText(i));
  return texts;
}

class RegexMatcherTest : public testing::TestWithParam<std::string_view> {
 protected:
  RegexMatcher matcher{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Engines, RegexMatcherTest, testing::ValuesIn(kEngines), EngineName);

TEST_P(RegexMatcherTest, FindsTheServerOptions) {
  const Text pattern = "<option value=\"(.*?)</option>";
  ASSERT_TRUE(matcher.Run(pattern, ServerOptionList()));
  EXPECT_EQ(matcher.MatchCount(), 24);
  EXPECT_EQ(matcher.SubMatchText(1, 1), GbkLiteral("电信一\">艾欧尼亚"));
  EXPECT_EQ(matcher.MatchText(24), GbkLiteral("<option value=\"教育一\">教育网专区</option>"));
  EXPECT_EQ(matcher.SubMatchCount(), 1);
}

TEST_P(RegexMatcherTest, MatchesLikeTheComponent) {
  struct Case {
    const char* label;
    Text pattern;
    Text subject;
    bool caseSensitive;
    bool multiline;
    bool global;
    std::vector<Text> want;
    bool wineDiffers = false;
  } cases[] = {
      {"dot stops at a line feed", "a.*b", "a\nb axb", false, true, true, {"axb"}},
      {"dot crosses a carriage return", "a.b", "a\rb", false, true, true, {"a\rb"}, true},
      {"escaped dot is literal", "a\\.b", "axb a.b", false, true, true, {"a.b"}},
      {"dot in a class is literal", "a[.]b", "axb a.b", false, true, true, {"a.b"}},
      {"escaped bracket inside a class", "[\\].]+", "x].]y", false, true, true, {"].]"}},
      {"letters in either case", "ab", "AB aB ab", false, true, true, {"AB", "aB", "ab"}},
      {"exact case when asked", "ab", "AB aB ab", true, true, true, {"ab"}},
      {"lazy repetition", "<(.*?)>", "<a><b>", false, true, true, {"<a>", "<b>"}},
      {"greedy repetition", "<(.*)>", "<a><b>", false, true, true, {"<a><b>"}},
      {"first match only", "\\d+", "1 22 333", false, true, false, {"1"}},
      {"no overlap", "aa", "aaaaa", false, true, true, {"aa", "aa"}},
      {"empty matches step on", "x*", "ab", false, true, true, {"", "", ""}, true},
      {"anchor at each line", "^\\w", "ab\ncd", false, true, true, {"a", "c"}},
      {"anchor at the start only", "^\\w", "ab\ncd", false, false, true, {"a"}},
      {"end anchor at the very end", "\\w$", "ab\ncd\n", false, false, true, {}},
      {"two-byte characters whole",
       "a(.)b",
       GbkLiteral("a中b"),
       false,
       true,
       true,
       {GbkLiteral("a中b")}},
      {"nothing found", "z", "abc", false, true, true, {}},
  };
  for (const auto& c : cases) {
    if (c.wineDiffers && UnderWineComponent(GetParam())) continue;
    EXPECT_TRUE(matcher.Run(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global))
        << c.label;
    EXPECT_EQ(AllMatches(matcher), c.want) << c.label;
  }
}

TEST_P(RegexMatcherTest, ReadsGroups) {
  ASSERT_TRUE(matcher.Run("(\\w)(\\d)?-", "a1- b-"));
  ASSERT_EQ(matcher.MatchCount(), 2);
  EXPECT_EQ(matcher.SubMatchCount(), 2);
  EXPECT_EQ(matcher.SubMatchText(1, 1), "a");
  EXPECT_EQ(matcher.SubMatchText(1, 2), "1");
  EXPECT_EQ(matcher.SubMatchText(2, 1), "b");
  EXPECT_EQ(matcher.SubMatchText(2, 2), "") << "a group that took no part";

  ASSERT_TRUE(matcher.Run("(\\w)(\\d)", "---"));
  EXPECT_EQ(matcher.SubMatchCount(), 0) << "no match, no groups to count";
}

TEST_P(RegexMatcherTest, IndexesOutsideTheMatchesGiveNothing) {
  ASSERT_TRUE(matcher.Run("a(b)", "ab ab"));
  ASSERT_EQ(matcher.MatchCount(), 2);
  struct Case {
    const char* label;
    int i;
    int k;  // -1 asks for the match itself
  } cases[] = {
      {"match 0", 0, -1},         {"match past the end", 3, -1}, {"negative match", -1, -1},
      {"group of match 0", 0, 1}, {"group past the end", 1, 2},  {"group 0", 1, 0},
  };
  for (const auto& c : cases) {
    int position = 99;
    const Text got =
        c.k < 0 ? matcher.MatchText(c.i, &position) : matcher.SubMatchText(c.i, c.k, &position);
    EXPECT_EQ(got, "") << c.label;
    EXPECT_EQ(position, -1) << c.label;
  }
}

TEST_P(RegexMatcherTest, RejectedPatternFailsSilently) {
  for (const Text pattern : {"(", "[a", "*a", "a)"}) {
    EXPECT_FALSE(matcher.Run(pattern, "abc")) << pattern;
    EXPECT_EQ(matcher.MatchCount(), 0) << pattern;
    EXPECT_EQ(matcher.SubMatchCount(), 0) << pattern;
    EXPECT_EQ(matcher.MatchText(1), "") << pattern;
    EXPECT_EQ(matcher.SubMatchText(1, 1), "") << pattern;
    EXPECT_EQ(matcher.ReplaceMatches("x"), "") << pattern;
  }
}

TEST_P(RegexMatcherTest, SecondRunReplacesTheFirst) {
  ASSERT_TRUE(matcher.Run("(a)(b)", "ab ab ab"));
  ASSERT_EQ(matcher.MatchCount(), 3);
  ASSERT_TRUE(matcher.Run("Z", "xyz", true));
  EXPECT_EQ(matcher.MatchCount(), 0) << "the case option does not carry over either";
  ASSERT_TRUE(matcher.Run("c(d)", "cd"));
  EXPECT_EQ(matcher.MatchCount(), 1);
  EXPECT_EQ(matcher.SubMatchCount(), 1);
  EXPECT_EQ(matcher.SubMatchText(1, 1), "d");
  EXPECT_EQ(matcher.MatchText(2), "");
  EXPECT_EQ(matcher.GetPattern(), "c(d)");
}

TEST_P(RegexMatcherTest, KeepsThePattern) {
  EXPECT_EQ(matcher.GetPattern(), "") << "before any run";
  const Text pattern = GbkLiteral("战斗力(\\d+)");
  matcher.Run(pattern, "");
  EXPECT_EQ(matcher.GetPattern(), pattern);
  matcher.Run("(", "");
  EXPECT_EQ(matcher.GetPattern(), "(") << "even one the engine rejected";
}

TEST_P(RegexMatcherTest, GivesBytePositions) {
  const Text subject = GbkLiteral("中a战斗b");
  ASSERT_TRUE(matcher.Run("([a-z])", subject));
  int position = -5;
  EXPECT_EQ(matcher.MatchText(1, &position), "a");
  EXPECT_EQ(position, 2);
  EXPECT_EQ(matcher.SubMatchText(2, 1, &position), "b");
  EXPECT_EQ(position, 7);
}

TEST_P(RegexMatcherTest, ReplacesMatches) {
  struct Case {
    const char* label;
    Text pattern;
    Text subject;
    bool global;
    Text replacement;
    Text want;
  } cases[] = {
      {"groups swapped", "(\\w+)@(\\w+)", "ab@cd ef@gh", true, "$2@$1", "cd@ab gh@ef"},
      {"first only", "(\\w+)@(\\w+)", "ab@cd ef@gh", false, "$2@$1", "cd@ab ef@gh"},
      {"whole match and dollar", "\\d", "a1b2", true, "<$&$$>", "a<1$>b<2$>"},
      {"text around the match", "b", "abc", true, "[$`|$']", "a[a|c]c"},
      {"dollar forms that name nothing", "(a)", "a", true, "$0$2$1$", "$0$2a$"},
      {"no match keeps subject", "z", GbkLiteral("中文"), true, "y", GbkLiteral("中文")},
      {"two-byte text", "a", GbkLiteral("a中a"), true, GbkLiteral("战"), GbkLiteral("战中战")},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(matcher.Run(c.pattern, c.subject, false, true, c.global)) << c.label;
    EXPECT_EQ(matcher.ReplaceMatches(c.replacement), c.want) << c.label;
  }
  RegexMatcher fresh(GetParam());
  EXPECT_EQ(fresh.ReplaceMatches("x"), "") << "nothing run yet";
}

TEST_P(RegexMatcherTest, CloneOutlivesItsOriginal) {
  auto original = std::make_unique<RegexMatcher>(GetParam());
  ASSERT_TRUE(original->Run("(\\d)", "1 2"));
  std::unique_ptr<RegexMatcher> clone = original->Clone();
  original.reset();
  EXPECT_EQ(clone->MatchCount(), 2);
  EXPECT_EQ(clone->SubMatchText(2, 1), "2");
  EXPECT_EQ(clone->GetPattern(), "(\\d)");
  EXPECT_EQ(clone->ReplaceMatches("<$1>"), "<1> <2>");
}

class ExtractAllBetweenTest : public testing::TestWithParam<std::string_view> {
 protected:
  std::vector<Text> Extract(std::string_view source, std::string_view left,
                            std::string_view right) {
    TextList items = {"left over"};
    const int n = ExtractAllBetween(source, left, right, items, GetParam());
    EXPECT_EQ(n, TextListCount(items));
    return items;
  }
};

INSTANTIATE_TEST_SUITE_P(Engines, ExtractAllBetweenTest, testing::ValuesIn(kEngines), EngineName);

TEST_P(ExtractAllBetweenTest, ListsTheServerOptions) {
  const std::vector<Text> items = Extract(ServerOptionList(), "<option value=\"", "</option>");
  ASSERT_EQ(items.size(), 24u);
  EXPECT_EQ(items.front(), GbkLiteral("电信一\">艾欧尼亚"));
  EXPECT_EQ(items.back(), GbkLiteral("教育一\">教育网专区"));
  EXPECT_EQ(Extract(ServerOptionList(), "<OPTION VALUE=\"", "</OPTION>"), items);

  TextList viaDefault;
  EXPECT_EQ(ExtractAllBetween(ServerOptionList(), "<option value=\"", "</option>", viaDefault), 24);
}

TEST_P(ExtractAllBetweenTest, TakesTheTextBetweenMarkers) {
  struct Case {
    const char* label;
    Text source;
    Text left;
    Text right;
    std::vector<Text> want;
  } cases[] = {
      {"markers side by side", "<b></b><b>x</b>", "<b>", "</b>", {"", "x"}},
      {"no left marker", "nothing here", "<b>", "</b>", {}},
      {"right marker on the next line", "<b>x\r\n</b>", "<b>", "</b>", {}},
      {"scan goes on after a lone left", "<b>x\n<b>y</b>", "<b>", "</b>", {"y"}},
      {"second left is part of the item", "<b>a<b>b</b>", "<b>", "</b>", {"a<b>b"}},
      {"question marks", "a?b?c", "?", "?", {"b"}},
      {"brackets", "[x][y]", "[", "]", {"x", "y"}},
      {"parentheses", "f(1) g(2)", "(", ")", {"1", "2"}},
      {"braces", "{a}{}", "{", "}", {"a", ""}},
      {"star and plus", "*+q+*", "*+", "+*", {"q"}},
      {"plus is not repetition", "aa+x!", "a+", "!", {"x"}},
      {"brackets are not a class", "a[ab]c!", "[ab]", "!", {"c"}},
      {"two-byte characters whole",
       GbkLiteral("「战」「斗」"),
       GbkLiteral("「"),
       GbkLiteral("」"),
       {GbkLiteral("战"), GbkLiteral("斗")}},
  };
  for (const auto& c : cases) EXPECT_EQ(Extract(c.source, c.left, c.right), c.want) << c.label;
}

}  // namespace
}  // namespace pelmora
