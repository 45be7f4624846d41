// Listing the texts between two markers, against a plain scan of the source.
//
// Input: source, left marker and right marker separated by zero bytes. The markers go through
// the escaping into a pattern; the plain scan is a fair reference only where that pattern matches
// the markers literally, so the comparison is made for markers that hold no line feed, none of the
// marks the escaping leaves alone (". ^ $ | \"), only valid GBK, and no letters but ASCII ones
// (the engine folds the case of Greek, Cyrillic and full-width letters too). Every input is
// still run, for crashes and sanitizer reports.
#include "encoding/codepage.h"
#include "fuzz_support.h"
#include "regex/escape.h"
#include "regex/extract.h"

using namespace pelmora;

namespace {

// Rows A1..A3 (signs, Roman numerals, full-width forms) and A6..A7 (Greek, Cyrillic) hold
// letters with a case partner; the other rows hold none.
bool FairMarker(std::string_view m) {
  if (m.find_first_of("\n.^$|\\") != std::string_view::npos || !fuzz::ValidGbk(m)) return false;
  for (std::size_t i = 0; i < m.size(); ++i) {
    const auto c = static_cast<unsigned char>(m[i]);
    if (c < 0x80) continue;
    if ((c >= 0xA1 && c <= 0xA3) || c == 0xA6 || c == 0xA7) return false;
    ++i;
  }
  return true;
}

char16_t Fold(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool MatchesAt(std::u16string_view s, std::size_t at, std::u16string_view m) {
  if (s.size() - at < m.size()) return false;
  for (std::size_t k = 0; k < m.size(); ++k)
    if (Fold(s[at + k]) != Fold(m[k])) return false;
  return true;
}

// The leftmost left marker that a right marker follows on its line; the item is what stands
// between them, and the scan resumes after that right marker.
std::vector<std::u16string> PlainScan(std::u16string_view s, std::u16string_view left,
                                      std::u16string_view right) {
  std::vector<std::u16string> items;
  std::size_t at = 0;
  while (at <= s.size()) {
    bool matched = false;
    for (std::size_t l = at; l < s.size() && !matched; ++l) {
      if (!MatchesAt(s, l, left)) continue;
      for (std::size_t r = l + left.size(); r <= s.size(); ++r) {
        if (MatchesAt(s, r, right)) {
          items.emplace_back(s.substr(l + left.size(), r - l - left.size()));
          at = r + right.size();
          matched = true;
          break;
        }
        if (r < s.size() && s[r] == u'\n') break;
      }
    }
    if (!matched) break;
  }
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = fuzz::Fields(data, size, 3);
  const std::string_view source = fields[0], left = fields[1], right = fields[2];

  TextList items{"left over from before"};
  const int count = ExtractAllBetween(source, left, right, items);
  fuzz::Check(count == TextListCount(items), "ExtractAllBetween: count");
  for (const Text& item : items)
    fuzz::Check(item.find('\0') == Text::npos, "ExtractAllBetween: zero byte", item);

  // The escaping puts one backslash before each of the ten marks and changes nothing else.
  const Text escaped = EscapeRegexText(left);
  std::string unescaped;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    if (fuzz::High(escaped[i]) && i + 1 < escaped.size()) {
      unescaped += escaped.substr(i++, 2);
      continue;
    }
    if (escaped[i] == '\\' && i + 1 < escaped.size() &&
        std::string_view("?*+[](){}").find(escaped[i + 1]) != std::string_view::npos)
      ++i;
    unescaped += escaped[i];
  }
  fuzz::Check(unescaped == left || left.find('\\') != std::string_view::npos,
              "EscapeRegexText: more than the marks changed", escaped, left);

  if (left.empty() || !FairMarker(left) || !FairMarker(right)) return 0;
  const auto want = PlainScan(GbkToUtf16(source), GbkToUtf16(left), GbkToUtf16(right));
  fuzz::Check(items.size() == want.size(), "ExtractAllBetween: item count", NumberToText(count),
              NumberToText(static_cast<int>(want.size())));
  for (std::size_t k = 0; k < want.size(); ++k)
    fuzz::Check(GbkToUtf16(items[k]) == want[k], "ExtractAllBetween: item", items[k],
                Utf16ToGbk(want[k]));
  return 0;
}
