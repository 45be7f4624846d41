#include "app/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace pelmora {
namespace {

bool IsHigh(unsigned char c) {
  return c >= 0x80;
}

// The length of the character at offset i: two bytes for a byte of 0x80 or above (one when it is
// the last byte), one otherwise.
std::size_t CharLength(std::string_view t, std::size_t i) {
  return IsHigh(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
}

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesAt(std::string_view t, std::size_t at, std::string_view sub, bool ignoreCase) {
  if (!ignoreCase) return t.compare(at, sub.size(), sub) == 0;
  for (std::size_t k = 0; k < sub.size(); ++k) {
    if (FoldAscii(t[at + k]) != FoldAscii(sub[k])) return false;
  }
  return true;
}

// Offset of the first occurrence of sub (non-empty) from offset from on, stepping by characters.
std::size_t FindFrom(std::string_view t, std::string_view sub, std::size_t from, bool ignoreCase) {
  for (std::size_t i = from; i + sub.size() <= t.size(); i += CharLength(t, i)) {
    if (MatchesAt(t, i, sub, ignoreCase)) return i;
  }
  return std::string_view::npos;
}

// A start position given as 1-based int, as an offset into t (may be past the end).
std::size_t StartOffset(int start) {
  return start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
}

template <char (*Map)(char)>
Text MapAscii(std::string_view t) {
  Text out(t);
  for (std::size_t i = 0; i < out.size(); i += CharLength(out, i)) {
    if (!IsHigh(static_cast<unsigned char>(out[i]))) out[i] = Map(out[i]);
  }
  return out;
}

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Full-width forms (GBK A3A1..A3FE, the ideographic space and a few signs) read as ASCII.
Text NarrowFullWidth(std::string_view t) {
  Text out;
  out.reserve(t.size());
  for (std::size_t i = 0; i < t.size();) {
    const auto lead = static_cast<unsigned char>(t[i]);
    if (CharLength(t, i) == 1) {
      out.push_back(t[i++]);
      continue;
    }
    const auto trail = static_cast<unsigned char>(t[i + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out.push_back(static_cast<char>(trail - 0x80));
    } else if (lead == 0xA1 && trail == 0xA1) {
      out.push_back(' ');
    } else if (lead == 0xA1 && trail == 0xAB) {
      out.push_back('~');
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out.push_back('*');
    } else {
      out.append(t.substr(i, 2));
    }
    i += 2;
  }
  return out;
}

std::size_t SkipSpace(std::string_view t) {
  const std::size_t i = t.find_first_not_of(" \t\n\v\f\r");
  return i == std::string_view::npos ? t.size() : i;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

int TextLength(std::string_view t) {
  return static_cast<int>(t.size());
}

Text TextLeft(std::string_view t, int n) {
  return n <= 0 ? Text() : Text(t.substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(std::string_view t, int n) {
  if (n <= 0) return Text();
  const auto count = std::min(t.size(), static_cast<std::size_t>(n));
  return Text(t.substr(t.size() - count));
}

Text TextMid(std::string_view t, int start, int n) {
  if (start < 1 || start > TextLength(t) || n <= 0) return Text();
  return Text(t.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

int FindText(std::string_view t, std::string_view sub, int start, bool ignoreCase) {
  const std::size_t from = StartOffset(start);
  if (from >= t.size()) return -1;
  if (sub.empty()) return 1;
  const std::size_t at = FindFrom(t, sub, from, ignoreCase);
  return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

Text ReplaceSubtext(std::string_view t, std::string_view find, std::string_view repl, int start,
                    bool caseSensitive) {
  const std::size_t from = StartOffset(start);
  if (t.empty() || find.empty() || from >= t.size()) return Text(t);
  Text out(t.substr(0, from));
  out.reserve(t.size());
  std::size_t i = from;
  for (std::size_t at; (at = FindFrom(t, find, i, !caseSensitive)) != std::string_view::npos;) {
    out.append(t.substr(i, at - i)).append(repl);
    i = at + find.size();
  }
  out.append(t.substr(i));
  return out;
}

Text ReplaceRange(std::string_view t, int start, int n) {
  const std::size_t s = std::min(StartOffset(start), t.size());
  const std::size_t m = n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), t.size() - s);
  Text out(t.substr(0, s));
  out.append(t.substr(s + m));
  return out;
}

TextList SplitText(std::string_view t, std::string_view delim) {
  TextList pieces;
  if (t.empty()) return pieces;
  if (delim.empty()) return {Text(t)};
  std::size_t piece = 0;
  for (std::size_t at; (at = FindFrom(t, delim, piece, false)) != std::string_view::npos;) {
    pieces.emplace_back(t.substr(piece, at - piece));
    piece = at + delim.size();
  }
  if (piece < t.size()) pieces.emplace_back(t.substr(piece));
  return pieces;
}

Text ToUpper(std::string_view t) {
  return MapAscii<UpperAscii>(t);
}
Text ToLower(std::string_view t) {
  return MapAscii<FoldAscii>(t);
}

int CompareText(std::string_view a, std::string_view b) {
  // Only single-byte letters fold: the trail byte of a two-byte character keeps its case, so two
  // different characters never compare equal.
  const Text x = ToLower(a);
  const Text y = ToLower(b);
  const int order = x.compare(y);  // std::string compares bytes as unsigned char
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int TextToInt(std::string_view t) {
  const Text s = NarrowFullWidth(t);
  std::size_t i = SkipSpace(s);
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  // Unsigned arithmetic wraps modulo 2^32 by definition; the conversion back to int is modular
  // in C++20.
  std::uint32_t value = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i)
    value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
  return static_cast<int>(negative ? 0u - value : value);
}

double TextToNumber(std::string_view t) {
  const Text s = NarrowFullWidth(t);
  const std::size_t begin = SkipSpace(s);
  std::size_t i = begin;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  }
  if (digits == 0) return 0;
  std::size_t end = i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      end = j;
    }
  }
  // The prefix is a plain decimal number, which strtod reads in any locale that keeps '.'.
  return std::strtod(s.substr(begin, end - begin).c_str(), nullptr);
}

Text NumberToText(int v) {
  return std::to_string(v);
}

Text NumberToText(double v) {
  char buffer[32];
  const int n = std::snprintf(buffer, sizeof buffer, "%.13g", v);
  return Text(buffer, static_cast<std::size_t>(n));
}

int CharCode(std::string_view t, int pos) {
  if (pos < 1 || pos > TextLength(t)) return 0;
  return static_cast<signed char>(t[static_cast<std::size_t>(pos) - 1]);
}

Text CharFromCode(int c) {
  const auto byte = static_cast<char>(static_cast<unsigned>(c) & 0xFFu);
  return byte == '\0' ? Text() : Text(1, byte);
}

Text HexText(std::uint32_t v) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(v));
  return Text(buffer, static_cast<std::size_t>(n));
}

Text ConcatText(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  Text out;
  out.reserve(total);
  for (std::string_view part : parts) out.append(part);
  return out;
}

int BytesLength(const Bytes& b) {
  return static_cast<int>(b.size());
}

Bytes BytesLeft(const Bytes& b, int n) {
  if (n <= 0) return Bytes();
  const auto count = std::min(b.size(), static_cast<std::size_t>(n));
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes BytesRight(const Bytes& b, int n) {
  if (n <= 0) return Bytes();
  const auto count = std::min(b.size(), static_cast<std::size_t>(n));
  return Bytes(b.end() - static_cast<std::ptrdiff_t>(count), b.end());
}

int FindBytes(const Bytes& b, const Bytes& pattern) {
  if (pattern.empty()) return -1;
  const auto at = std::search(b.begin(), b.end(), pattern.begin(), pattern.end());
  return at == b.end() ? -1 : static_cast<int>(at - b.begin()) + 1;
}

int ByteAt(const Bytes& b, int i) {
  return b.at(static_cast<std::size_t>(i) - 1);
}

int BytesValueAt(const Bytes& b) {
  std::uint32_t value = 0;
  for (std::size_t k = std::min<std::size_t>(b.size(), 4); k-- > 0;) value = value << 8 | b[k];
  return static_cast<int>(value);
}

Bytes BlankBytes(int n) {
  return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n), 0);
}

Text BlankText(int n) {
  return n <= 0 ? Text() : Text(static_cast<std::size_t>(n), ' ');
}

Bytes TextToBytes(std::string_view t) {
  return Bytes(t.begin(), t.end());
}

Text BytesToText(const Bytes& b) {
  const auto end = std::find(b.begin(), b.end(), std::uint8_t{0});
  return Text(b.begin(), end);
}

Bytes ConcatBytes(const Bytes& a, const Bytes& b) {
  Bytes out;
  out.reserve(a.size() + b.size());
  out.insert(out.end(), a.begin(), a.end());
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

int TextListCount(const TextList& l) {
  return static_cast<int>(l.size());
}

const Text& TextListItem(const TextList& l, int i) {
  return l.at(static_cast<std::size_t>(i) - 1);
}

void TextListAppend(TextList& l, std::string_view t) {
  l.emplace_back(t);
}

}  // namespace pelmora
