#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "encoding/page_decode.h"
#include "encoding/url_encode.h"

namespace pelmora {
namespace {

// Bytes written as hexadecimal pairs ("B5 E7 D0"), so no expectation depends on the charset the
// test source is read in.
std::string HexBytes(std::string_view hex) {
  std::string out;
  int high = -1;
  for (const char c : hex) {
    int v;
    if (c >= '0' && c <= '9') {
      v = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      v = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      v = c - 'a' + 10;
    } else {
      continue;
    }
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  return out;
}

Bytes ToBytes(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

std::string Dump(std::string_view s) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (!out.empty()) out.push_back(' ');
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string Dump(std::u16string_view s) {
  std::string out;
  char buffer[8];
  for (const char16_t c : s) {
    std::snprintf(buffer, sizeof buffer, "%s%04X", out.empty() ? "" : " ", unsigned(c));
    out += buffer;
  }
  return out;
}

// The escapes UrlEncode may produce: "%" and two upper-case hexadecimal digits.
bool IsWellFormedQueryValue(std::string_view s) {
  auto upperHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '%') {
      if (i + 2 >= s.size() || !upperHex(s[i + 1]) || !upperHex(s[i + 2])) return false;
      i += 2;
    } else if (c == 0 || c >= 0x80 || c == 0x09 || c == 0x0A || c == 0x0D ||
               (c >= 0x21 && c <= 0x7E && !std::isalnum(c))) {
      return false;
    }
  }
  return true;
}

// --- Code page layer -------------------------------------------------------------------------

TEST(CodePage, LiteralsBecomeGbk) {
  // 电信一, 中, 战斗力
  EXPECT_EQ(Dump(GbkLiteral("\xE7\x94\xB5\xE4\xBF\xA1\xE4\xB8\x80")), "B5 E7 D0 C5 D2 BB");
  EXPECT_EQ(Dump(GbkLiteral("\xE4\xB8\xAD")), "D6 D0");
  EXPECT_EQ(Dump(GbkLiteral("\xE6\x88\x98\xE6\x96\x97\xE5\x8A\x9B")), "D5 BD B6 B7 C1 A6");
  EXPECT_EQ(GbkLiteral(""), "");
}

TEST(CodePage, Utf8ToGbkReplacesWhatGbkCannotHold) {
  const struct {
    const char* label;
    std::string utf8;
    std::string gbk;  // hexadecimal
  } cases[] = {
      {"ascii", "abc 1\x7F", "61 62 63 20 31 7F"},
      {"euro sign", "\xE2\x82\xAC", "80"},
      {"middle dot", "\xC2\xB7", "A1 A4"},
      {"em dash", "\xE2\x80\x94", "A1 AA"},
      {"emoji is one ?",
       "a\xF0\x9F\x98\x80"
       "b",
       "61 3F 62"},
      {"Hangul syllable", "\xEA\xB0\x80", "3F"},
      {"no look-alike for A grave", "\xC3\x80", "3F"},
      {"byte order mark",
       "\xEF\xBB\xBF"
       "A",
       "3F 41"},
      {"replacement character", "\xEF\xBF\xBD", "3F"},
      {"lone continuation byte", "\x80", "3F"},
      {"byte FF", "\xFF", "3F"},
      {"C0 80: two bytes, two ?", "\xC0\x80", "3F 3F"},
      {"cut sequence at the end", "\xE4\xB8", "3F"},
      {"cut sequence before ASCII",
       "\xE4\xB8"
       "A",
       "3F 41"},
      {"surrogate: ED A0, then 80", "\xED\xA0\x80", "3F 3F"},
      {"overlong three-byte", "\xE0\x80\x80", "3F 3F"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", "3F 3F 3F"},
      {"overlong four-byte",
       "\xF0\x8F\xBF\xBF"
       "A",
       "3F 3F 3F 41"},
      {"five-byte form", "\xF8\x88\x80\x80\x80", "3F 3F 3F 3F 3F"},
      {"valid then strays", "\xE4\xB8\xAD\x80\x80", "D6 D0 3F 3F"},
      {"stops at a zero byte", std::string("a\0b", 3), "61"},
  };
  for (const auto& c : cases) {
    const Text gbk = Utf8ToGbk(c.utf8);
    EXPECT_EQ(Dump(gbk), Dump(HexBytes(c.gbk))) << c.label;
    EXPECT_EQ(gbk.find('\0'), Text::npos) << c.label;
  }
}

TEST(CodePage, Utf8ToUtf16ReplacesEachBadStretchOnce) {
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"\xE4\xB8\xAD", u"\u4E2D"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xEF\xBF\xBF\xED\x9F\xBF\xEE\x80\x80", u"\uFFFF\uD7FF\uE000"},
      {"\xEF\xBB\xBF"
       "A",
       u"\uFEFF"
       "A"},
      {"\xC2"
       "A",
       u"\uFFFD"
       "A"},
      {"\xE4\xB8"
       "A",
       u"\uFFFD"
       "A"},
      {"\xE4"
       "AB",
       u"\uFFFD"
       "AB"},
      {"\xC0\x80", u"\uFFFD\uFFFD"},
      {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFE\xFE"
       "A",
       u"\uFFFD\uFFFD"
       "A"},
      {"\xF0\x9F\x98", u"\uFFFD"},
      {"\xE0\x9F\xBF"
       "A",
       u"\uFFFD\uFFFD"
       "A"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Dump(Utf8ToUtf16(c.utf8)), Dump(c.utf16)) << Dump(c.utf8);
  }
}

TEST(CodePage, GbkToUtf16ReplacesBadBytesWithQuestionMark) {
  const struct {
    std::string gbk;  // hexadecimal
    std::u16string utf16;
  } cases[] = {
      {"D6 D0", u"\u4E2D"},
      {"81 40", u"\u4E02"},
      {"80", u"\u20AC"},
      {"80 80", u"\u20AC\u20AC"},
      {"B5 41 42",
       u"\u790E"
       "B"},  // 41 is a trail byte
      {"81", u"?"},
      {"A1 A1 B5", u"\u3000?"},
      {"81 20", u"?"},  // an unmapped pair goes as one
      {"81 30", u"?"},
      {"81 7F 41", u"?A"},
      {"FE FF", u"?"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Dump(GbkToUtf16(HexBytes(c.gbk))), Dump(c.utf16)) << c.gbk;
  }
}

TEST(CodePage, FromUtf16) {
  const struct {
    std::u16string utf16;
    std::string gbk;   // hexadecimal
    std::string utf8;  // hexadecimal
  } cases[] = {
      {u"\u4E2D", "D6 D0", "E4 B8 AD"},
      {u"\U0001F600", "3F", "F0 9F 98 80"},
      {u"\xD800", "3F", "EF BF BD"},
      {u"\xD800"
       "A",
       "3F 41", "EF BF BD 41"},
      {u"\xDC00", "3F", "EF BF BD"},
      {u"\u00C9", "3F", "C3 89"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Dump(Utf16ToGbk(c.utf16)), Dump(HexBytes(c.gbk))) << Dump(c.utf16);
    EXPECT_EQ(Dump(Utf16ToUtf8(c.utf16)), Dump(HexBytes(c.utf8))) << Dump(c.utf16);
  }
  EXPECT_EQ(Utf16ToGbk(std::u16string(u"a\0b", 3)), "a");
}

TEST(CodePage, LongInputsWithManyReplacements) {
  std::string utf8;
  std::string gbk;
  for (int i = 0; i < 5000; ++i) {
    utf8 +=
        "\xE4\xB8\xAD\xFF"
        "a\xF0\x9F\x98\x80";
    gbk += "\xD6\xD0?a?";
  }
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  // The euro sign grows from one byte to three.
  const std::string euros(3000, '\x80');
  std::string expected;
  for (int i = 0; i < 3000; ++i) expected += "\xE2\x82\xAC";
  EXPECT_EQ(GbkToUtf8(euros), expected);
}

// Every pair of a GBK lead byte and trail byte: a mapped pair goes to one UTF-16 unit and back to
// the same two bytes, through UTF-16 and through UTF-8; an unmapped one becomes a single '?'.
TEST(CodePage, EveryGbkPair) {
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string utf16 = GbkToUtf16(pair);
      ASSERT_EQ(utf16.size(), 1u) << Dump(pair);
      if (utf16[0] == u'?') continue;
      ++mapped;
      ASSERT_EQ(Utf16ToGbk(utf16), pair) << Dump(pair);
      ASSERT_EQ(Utf8ToGbk(GbkToUtf8(pair)), pair) << Dump(pair);
    }
  }
  EXPECT_GE(mapped, 21791);  // the two-byte characters of GBK; Windows adds its user-defined area
}

// --- UrlEncode -------------------------------------------------------------------------------

TEST(UrlEncode, Examples) {
  const struct {
    std::string text;  // GBK
    std::string encoded;
  } cases[] = {
      {"", ""},
      {"abc123", "abc123"},
      {"a b", "a b"},
      {"a-b_c.d~", "a%2Db%5Fc%2Ed%7E"},
      {"%", "%25"},
      {"+", "%2B"},
      {"&", "%26"},
      {"=", "%3D"},
      {"\"", "%22"},
      {"\\", "%5C"},
      {"`", "%60"},
      {"\t", "%09"},
      {"\n", "%0A"},
      {"\r", "%0D"},
      {"\x01\x7F", "\x01\x7F"},
      {HexBytes("B5 E7 D0 C5 D2 BB"), "%E7%94%B5%E4%BF%A1%E4%B8%80"},  // 电信一
      {HexBytes("CD F8 CD A8 C1 F9"), "%E7%BD%91%E9%80%9A%E5%85%AD"},  // 网通六
      {HexBytes("D6 D0") + "a", "%E4%B8%ADa"},                         // 中a
      {"a" + HexBytes("D6 D0") + "-" + HexBytes("D6 D0"), "a%E4%B8%AD%2D%E4%B8%AD"},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlEncode(c.text), c.encoded) << Dump(c.text);
}

// A byte of 0x80 or more always takes the next byte with it, whatever that byte is.
TEST(UrlEncode, HighByteStartsATwoByteUnit) {
  const struct {
    const char* label;
    std::string text;  // hexadecimal
    std::string encoded;
  } cases[] = {
      {"lone lead at the end", "61 B5", "a%3F"},
      {"lone euro byte at the end", "80", "%E2%82%AC"},
      {"euro with an ASCII byte", "80 41", "%E2%82%AC%41"},
      {"euro takes a lead byte along", "80 B5 E7", "%E2%82%AC%3F%3F"},
      {"lead with a trail-range ASCII byte", "B5 41", "%E7%A4%8E"},
      {"unmapped pair", "81 20", "%3F"},
      {"lead with a tab", "81 09 41",
       "%3F"
       "A"},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlEncode(HexBytes(c.text)), c.encoded) << c.label;
}

TEST(UrlEncode, EveryAsciiByte) {
  for (int c = 1; c < 0x80; ++c) {
    const std::string one(1, static_cast<char>(c));
    const bool passes = std::isalnum(c) || c == ' ' || c == 0x7F ||
                        (c < 0x20 && c != '\t' && c != '\n' && c != '\r');
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", c);
    EXPECT_EQ(UrlEncode(one), passes ? one : std::string(escaped)) << c;
  }
}

// Every two-byte input starting with a high byte encodes into pass-through bytes and two-digit
// escapes only, and a GBK character among them decodes back to itself.
TEST(UrlEncode, EveryHighBytePairRoundTrips) {
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0x01; trail <= 0xFF; ++trail) {
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const Text encoded = UrlEncode(pair);
      ASSERT_TRUE(IsWellFormedQueryValue(encoded)) << Dump(pair) << " -> " << encoded;
      const std::u16string utf16 = GbkToUtf16(pair);
      if (utf16.size() == 1 && utf16[0] != u'?' && lead != 0xFF) {
        ASSERT_EQ(Dump(PercentDecode(encoded)), Dump(pair)) << encoded;
      }
    }
  }
}

TEST(UrlEncode, AnsiToUtf16AndUtf8) {
  EXPECT_EQ(AnsiToUtf16("ab"), ToBytes(HexBytes("61 00 62 00 00 00")));
  EXPECT_EQ(AnsiToUtf16(""), ToBytes(HexBytes("00 00")));
  EXPECT_EQ(AnsiToUtf16(HexBytes("D6 D0")), ToBytes(HexBytes("2D 4E 00 00")));
  EXPECT_EQ(AnsiToUtf8(HexBytes("D6 D0")), ToBytes(HexBytes("E4 B8 AD 00")));
  EXPECT_EQ(AnsiToUtf8(""), ToBytes(HexBytes("00")));
}

// --- PercentDecode ---------------------------------------------------------------------------

TEST(PercentDecode, Examples) {
  const struct {
    const char* label;
    std::string page;
    std::string decoded;  // hexadecimal GBK
  } cases[] = {
      {"empty", "", ""},
      {"plain", "abc", "61 62 63"},
      {"escapes", "%41%42", "41 42"},
      {"lower-case digits", "%e4%b8%ad", "D6 D0"},
      {"raw UTF-8", "\xE4\xB8\xAD", "D6 D0"},
      {"plus stays", "a+b", "61 2B 62"},
      {"decoded once", "%2541", "25 34 31"},
      {"zero dropped", "a%00b", "61 62"},
      {"percent at the end", "100%", "31 30 30"},
      {"one digit at the end", "%4", "40"},
      {"no digits: DE", "%zz", "3F"},
      {"one bad digit: 1E", "%2z", "1E"},
      {"stray percent eats two bytes", "50%;}", "35 30 3F"},
      {"escaped emoji", "x%F0%9F%98%80y", "78 3F 79"},
      {"escaped and raw halves", "%E4\xB8%AD", "D6 D0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Dump(PercentDecode(c.page)), Dump(HexBytes(c.decoded))) << c.label;
}

// Every escape value with upper- and lower-case digits: an ASCII byte comes out as itself, zero
// vanishes, and a byte of 0x80 or more on its own is no UTF-8, so it becomes '?'.
TEST(PercentDecode, EveryEscapeValue) {
  for (int v = 0; v < 256; ++v) {
    char upper[4];
    char lower[4];
    std::snprintf(upper, sizeof upper, "%%%02X", v);
    std::snprintf(lower, sizeof lower, "%%%02x", v);
    const std::string expected = v == 0     ? ""
                                 : v < 0x80 ? std::string(1, static_cast<char>(v))
                                            : "?";
    EXPECT_EQ(PercentDecode(upper), expected) << upper;
    EXPECT_EQ(PercentDecode(lower), expected) << lower;
  }
}

TEST(PercentDecode, AsciiPageComesOutUnchanged) {
  std::string page;
  for (int i = 0; i < 200; ++i) page += "<td class=\"n\">+12 & 7;</td>\r\n\t";
  EXPECT_EQ(PercentDecode(page), page);
}

// A page of megabytes decodes as the sum of its parts: a character, an escape or a bad sequence
// decodes the same wherever it falls in the page. The part's decoded length is odd and the page
// long (31 bytes before the UTF-8 stage, repeated over megabytes), so the part is cut at every
// one of its offsets somewhere along the way.
TEST(PercentDecode, LongPageDecodesAsItsParts) {
  const std::string part =
      "a\xE4\xB8\xAD%E4%B8%AD\xE4\xB8"
      "b\xF0\x9F\x98\x80%F0\x9F%98\x80\xE0\x80\x80\xF4\x90\x80\x80%zz\xC3\xA9%C3\xA9"
      "c";
  const Text decodedPart = PercentDecode(part);
  ASSERT_EQ(Dump(decodedPart), "61 D6 D0 D6 D0 3F 62 3F 3F 3F 3F 3F 3F 3F 3F A8 A6 A8 A6 63");
  std::string page;
  Text expected;
  while (page.size() < 70 * 64 * 1024) {
    page += part;
    expected += decodedPart;
  }
  EXPECT_TRUE(PercentDecode(page) == expected);
}

TEST(PercentDecode, Utf8AndUtf16ToAnsi) {
  EXPECT_EQ(Dump(Utf8ToAnsi(ToBytes(HexBytes("E4 B8 AD")))), "D6 D0");
  EXPECT_EQ(Dump(Utf8ToAnsi(ToBytes(HexBytes("E4 B8 AD 00 41")))), "D6 D0");
  EXPECT_EQ(Utf8ToAnsi({}), "");
  EXPECT_EQ(Dump(Utf16ToAnsi(ToBytes(HexBytes("2D 4E 41 00 00 00 42 00")))), "D6 D0 41");
  EXPECT_EQ(Dump(Utf16ToAnsi(ToBytes(HexBytes("3D D8 00 DE 00 00")))), "3F");
  EXPECT_EQ(Utf16ToAnsi(ToBytes(HexBytes("00 00"))), "");
}

}  // namespace
}  // namespace pelmora
