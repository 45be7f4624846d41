// Text, Bytes and TextList operations: positions, clipping, character stepping and case flags.
#include "app/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pelmora {
namespace {

// GBK bytes, written as escapes so the tests do not depend on the source's charset.
const Text kZhan = "\xD5\xBD";                       // 战
const Text kZhanDouLi = "\xD5\xBD\xB6\xB7\xC1\xA6";  // 战斗力
const Text kShangA = "\x81\x41";                     // a character whose trail byte is 'A'

TEST(TextCut, LengthsAndClipping) {
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength(kZhanDouLi), 6);

  struct Case {
    const char* label;
    Text got;
    Text want;
  } cases[] = {
      {"left past end", TextLeft("abc", 5), "abc"},
      {"left zero", TextLeft("abc", 0), ""},
      {"left negative", TextLeft("abc", -2), ""},
      {"right", TextRight("abcdef", 2), "ef"},
      {"right past end", TextRight("abc", 9), "abc"},
      {"right negative", TextRight("abc", -1), ""},
      {"mid clipped at end", TextMid("abcdef", 5, 10), "ef"},
      {"mid start 0 is not 1", TextMid("abcdef", 0, 2), ""},
      {"mid start past end", TextMid("abc", 4, 1), ""},
      {"mid n 0", TextMid("abc", 1, 0), ""},
      {"mid cuts a character", TextMid(kZhanDouLi, 2, 2), "\xBD\xB6"},
      {"range first seven", ReplaceRange("abcdefghij", 1, 7), "hij"},
      {"range all", ReplaceRange("abc", 1, 7), ""},
      {"range empty", ReplaceRange("", 1, 7), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.label;
}

TEST(FindText, PositionsAndStarts) {
  struct Case {
    Text t, sub;
    int start;
    bool ignoreCase;
    int want;
  } cases[] = {
      {"a/b/c", "/", 1, false, 2},
      {"a/b/c", "/", 3, false, 4},
      {"a/b/c", "/", 0, false, 2},
      {"a/b/c", "/", -5, false, 2},
      {"a/b/c", "/", 6, false, -1},
      {"a/b/c", "/", 5, false, -1},
      {"abc", "", 2, false, 1},
      {"", "", 1, false, -1},
      {"abc", "", 4, false, -1},
      {"abc", "abcd", 1, false, -1},
      {"Accept: x", "accept: ", 1, true, 1},
      {"Accept: x", "accept: ", 1, false, -1},
      {"xYz", "XyZ", 1, true, 1},
      {"\x81\x41\x41", "A", 1, false, 3},          // not on the trail byte
      {"\x81\x41\x41", "a", 1, true, 3},           // nor when folding
      {"\x81\x41\x41", "\x41\x41", 1, false, -1},  // 'AA' straddles a character
      {"\x81\x41\x41", "\x41\x41", 2, false, 2},   // but from position 2 it is seen
      {kZhanDouLi + "x", "x", 1, false, 7},
      {"ab" + kZhan, kZhan, 1, true, 3},
      {"\x81", "\x81", 1, false, 1},  // a lead byte as the last byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.t, c.sub, c.start, c.ignoreCase), c.want)
        << "'" << c.t << "' '" << c.sub << "' start " << c.start;
  }
}

TEST(ReplaceSubtext, FlagsOverlapAndStepping) {
  struct Case {
    Text t, find, repl;
    int start;
    bool caseSensitive;
    Text want;
  } cases[] = {
      {"aXbx", "x", "-", 1, false, "a-b-"},
      {"aXbx", "x", "-", 1, true, "aXb-"},
      {"aaa", "aa", "b", 1, true, "ba"},
      {"abc", "", "z", 1, true, "abc"},
      {"abc", "b", "z", 4, true, "abc"},
      {"", "a", "z", 1, true, ""},
      {"abab", "ab", "ab-ab", 1, true, "ab-abab-ab"},  // inserted text is not searched again
      {"a-b-c", "-", "", 1, true, "abc"},
      {"a-b-c", "-", "+", 3, true, "a-b+c"},
      {kShangA + "A", "A", "!", 1, true, kShangA + "!"},
      {kShangA + "a", "A", "!", 1, false, kShangA + "!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceSubtext(c.t, c.find, c.repl, c.start, c.caseSensitive), c.want)
        << "'" << c.t << "' '" << c.find << "'";
  }
}

TEST(SplitText, Pieces) {
  struct Case {
    Text t, delim;
    TextList want;
  } cases[] = {
      {"a||b", "|", {"a", "", "b"}},
      {"|a", "|", {"", "a"}},
      {"a|", "|", {"a"}},
      {"|", "|", {""}},
      {"abc", "|", {"abc"}},
      {"", "|", {}},
      {"abc", "", {"abc"}},
      {"x\">y\">z", "\">", {"x", "y", "z"}},
      {"\x81|a|b", "|", {"\x81|a", "b"}},  // '|' as a trail byte is no delimiter
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.t, c.delim), c.want) << c.t;
}

TEST(CaseMapping, AsciiOnlyAndWholeCharacters) {
  EXPECT_EQ(ToUpper("ab" + kZhan + "c"), "AB" + kZhan + "C");
  EXPECT_EQ(ToLower(kShangA + "XY"), kShangA + "xy");
  EXPECT_EQ(ToUpper("\x81\x61z"), "\x81\x61Z");
  EXPECT_EQ(ToLower("\xA3\xC1"), "\xA3\xC1");  // full-width letters are left alone
  EXPECT_EQ(ToLower("Z\x81"), "z\x81");        // a lead byte at the end

  EXPECT_EQ(CompareText("ABC://", "abc://"), 0);
  EXPECT_EQ(CompareText("abd", "abc"), 1);
  EXPECT_EQ(CompareText("abc", "abd"), -1);
  EXPECT_EQ(CompareText("ab", "abc"), -1);
  EXPECT_EQ(CompareText("\x81\x41", "\x81\x61"), -1);  // different characters stay different
  EXPECT_EQ(CompareText("\xB0\xA1", "A"), 1);
}

TEST(Numbers, TextToIntAndTextToNumber) {
  struct Case {
    Text t;
    int asInt;
    double asNumber;
  } cases[] = {
      {" 42px", 42, 42},
      {"-7", -7, -7},
      {"+12,345", 12, 12},
      {"  +12,345", 12, 12},
      {"\xA3\xB1\xA3\xB2\xA3\xB3", 123, 123},  // full-width digits
      {"\xA1\xA1\xA3\xAD\xA3\xB5", -5, -5},    // ideographic space, full-width minus
      {"abc", 0, 0},
      {"", 0, 0},
      {"-", 0, 0},
      {"3.9", 3, 3.9},
      {"8080", 8080, 8080},
      {"\t\r\n 9", 9, 9},
      {"2147483647", 2147483647, 2147483647.0},
      {"2147483648", std::numeric_limits<int>::min(), 2147483648.0},
      {"4294967298", 2, 4294967298.0},
      {"-2147483649", 2147483647, -2147483649.0},
      {"99999999999999999999", 1661992959, 1e20},
      {".5x", 0, 0.5},
      {"1e3", 1, 1000},
      {"1e", 1, 1},
      {"12abc", 12, 12},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextToInt(c.t), c.asInt) << c.t;
    EXPECT_DOUBLE_EQ(TextToNumber(c.t), c.asNumber) << c.t;
  }
}

TEST(Numbers, NumberToText) {
  EXPECT_EQ(NumberToText(-3), "-3");
  EXPECT_EQ(NumberToText(0), "0");
  EXPECT_EQ(NumberToText(std::numeric_limits<int>::min()), "-2147483648");
  EXPECT_EQ(NumberToText(3.0 * 2147483647), "6442450941");
  EXPECT_EQ(NumberToText(-3.0 * 2147483648), "-6442450944");
  EXPECT_EQ(NumberToText(-5.0), "-5");
  EXPECT_EQ(NumberToText(0.0), "0");
  EXPECT_EQ(NumberToText(0.5), "0.5");
  EXPECT_EQ(NumberToText(1368.0), "1368");
}

TEST(Bytewise, CharCodesAndHex) {
  EXPECT_EQ(CharCode("a", 1), 97);
  EXPECT_EQ(CharCode(kZhan, 1), -43);
  EXPECT_EQ(CharCode("a", 2), 0);
  EXPECT_EQ(CharCode("a", 0), 0);
  EXPECT_EQ(CharFromCode(9), "\t");
  EXPECT_EQ(CharFromCode(0), "");
  EXPECT_EQ(CharFromCode(256), "");
  EXPECT_EQ(CharFromCode(-43), "\xD5");
  for (int c = -128; c < 128; ++c) {
    if (c == 0) continue;
    EXPECT_EQ(CharCode(CharFromCode(c), 1), c);
  }
  const std::pair<std::uint32_t, const char*> hex[] = {
      {9, "9"}, {10, "A"}, {47, "2F"}, {255, "FF"}, {0, "0"}, {0xFFFFFFFFu, "FFFFFFFF"}};
  for (const auto& [v, want] : hex) EXPECT_EQ(HexText(v), want);
}

TEST(Concat, PartsInOrder) {
  EXPECT_EQ(ConcatText({"", ""}), "");
  EXPECT_EQ(ConcatText({"a", "", "bc", kZhan}), "abc" + kZhan);
  EXPECT_EQ(ConcatBytes({}, {}), Bytes{});
  EXPECT_EQ(ConcatBytes({1, 0}, {0, 2}), (Bytes{1, 0, 0, 2}));
}

TEST(BytesOps, CuttingSearchingAndValues) {
  const Bytes withZeros{0x61, 0x00, 0x62, 0x00};
  EXPECT_EQ(BytesLength(withZeros), 4);
  EXPECT_EQ(FindBytes(withZeros, {0x00}), 2);
  EXPECT_EQ(FindBytes({0x61, 0x62}, {0x00}), -1);
  EXPECT_EQ(FindBytes(withZeros, {}), -1);
  EXPECT_EQ(FindBytes({}, {0x00}), -1);
  EXPECT_EQ(BytesLeft(withZeros, 2), (Bytes{0x61, 0x00}));
  EXPECT_EQ(BytesLeft(withZeros, 9), withZeros);
  EXPECT_EQ(BytesLeft(withZeros, 0), Bytes{});
  EXPECT_EQ(BytesRight(withZeros, 1), Bytes{0x00});
  EXPECT_EQ(BytesRight(withZeros, -1), Bytes{});
  EXPECT_EQ(ByteAt({0xFF}, 1), 255);

  const std::pair<Bytes, int> values[] = {{{0xFF}, 255},
                                          {{0x00}, 0},
                                          {{}, 0},
                                          {{0x00, 0x01}, 256},
                                          {{0x01, 0x00, 0x00, 0x00, 0x09}, 1},
                                          {{0xFF, 0xFF, 0xFF, 0xFF}, -1}};
  for (const auto& [b, want] : values) EXPECT_EQ(BytesValueAt(b), want);

  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_EQ(BlankBytes(2), (Bytes{0, 0}));
  EXPECT_EQ(BlankBytes(-1), Bytes{});
}

TEST(BytesOps, TextConversionStopsAtZero) {
  EXPECT_EQ(BytesToText({0x61, 0x62, 0x00, 0x63}), "ab");
  EXPECT_EQ(BytesToText({0x00, 0x63}), "");
  EXPECT_EQ(BytesToText({0x61, 0x62}), "ab");
  EXPECT_EQ(TextToBytes("ab"), (Bytes{0x61, 0x62}));
  EXPECT_EQ(TextToBytes(""), Bytes{});
}

TEST(TextListOps, AppendAndIndexFromOne) {
  TextList l;
  EXPECT_EQ(TextListCount(l), 0);
  TextListAppend(l, "a");
  TextListAppend(l, "");
  ASSERT_EQ(TextListCount(l), 2);
  EXPECT_EQ(TextListItem(l, 1), "a");
  EXPECT_EQ(TextListItem(l, 2), "");
}

TEST(TextEquality, EmptyAndCase) {
  EXPECT_EQ(Text("abc"), Text("abc"));
  EXPECT_NE(Text("abc"), Text("ABC"));
  EXPECT_EQ(Text(), Text(""));
}

}  // namespace
}  // namespace pelmora
