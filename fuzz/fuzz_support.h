// What the fuzz harnesses share: cutting an input into fields, a check that stops the run with a
// message, and small reference versions of the text operations, written for plainness rather
// than speed, that the harnesses compare the real ones against.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/codepage.h"

namespace fuzz {

// A failed property: say which, show the values involved in hex, and abort so libFuzzer keeps the
// input as a crash.
inline std::string Hex(std::string_view s) {
  std::string out;
  char b[4];
  for (unsigned char c : s) {
    std::snprintf(b, sizeof b, "%02X ", c);
    out += b;
  }
  return out;
}

[[noreturn]] inline void Fail(const char* what, std::string_view a = {}, std::string_view b = {}) {
  std::fprintf(stderr, "property failed: %s\n  got:  %s\n  want: %s\n", what, Hex(a).c_str(),
               Hex(b).c_str());
  std::abort();
}

inline void Check(bool ok, const char* what, std::string_view a = {}, std::string_view b = {}) {
  if (!ok) Fail(what, a, b);
}

// The input as fields separated by zero bytes (a Text never holds one, so the zero is free to be
// the separator); missing fields are empty.
inline std::vector<std::string_view> Fields(const std::uint8_t* data, std::size_t size,
                                            std::size_t count) {
  std::vector<std::string_view> fields(count);
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t zero = k + 1 < count ? rest.find('\0') : std::string_view::npos;
    fields[k] = rest.substr(0, zero);
    if (zero == std::string_view::npos) {
      // The last field takes the rest up to its own first zero: a Text stops there.
      fields[k] = fields[k].substr(0, fields[k].find('\0'));
      break;
    }
    rest.remove_prefix(zero + 1);
  }
  return fields;
}

// --- Reference text operations -------------------------------------------------------------
// Each walks the text the way the rules describe it, one cursor and one step at a time.

// ASCII bytes and mapped two-byte characters only (lead 0x81..0xFE, trail 0x40..0xFE but 0x7F).
inline bool ValidGbk(std::string_view t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    const auto lead = static_cast<unsigned char>(t[i]);
    if (lead < 0x80) continue;
    if (lead == 0x80 || lead == 0xFF || i + 1 == t.size()) return false;
    const auto trail = static_cast<unsigned char>(t[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    if (pelmora::GbkToUtf16(t.substr(i - 1, 2)) == u"?") return false;
  }
  return true;
}

inline bool High(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

inline char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

inline bool Same(std::string_view a, std::string_view b, bool ignoreCase) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (ignoreCase ? Lower(a[k]) != Lower(b[k]) : a[k] != b[k]) return false;
  }
  return true;
}

inline int RefFindText(std::string_view t, std::string_view sub, int start, bool ignoreCase) {
  long s = start - 1L;
  if (s < 0) s = 0;
  if (s >= static_cast<long>(t.size())) return -1;
  if (sub.empty()) return 1;
  std::size_t cursor = static_cast<std::size_t>(s);
  while (t.size() - cursor >= sub.size()) {
    if (Same(t.substr(cursor, sub.size()), sub, ignoreCase)) return static_cast<int>(cursor) + 1;
    cursor += High(t[cursor]) ? 2 : 1;
    if (cursor > t.size()) break;
  }
  return -1;
}

inline std::string RefReplaceSubtext(std::string_view t, std::string_view find,
                                     std::string_view repl, int start, bool caseSensitive) {
  long s = start - 1L;
  if (s < 0) s = 0;
  if (t.empty() || find.empty() || s >= static_cast<long>(t.size())) return std::string(t);
  std::string out(t.substr(0, static_cast<std::size_t>(s)));
  std::size_t cursor = static_cast<std::size_t>(s);
  while (cursor < t.size() && t.size() - cursor >= find.size()) {
    if (Same(t.substr(cursor, find.size()), find, !caseSensitive)) {
      out += repl;
      cursor += find.size();
    } else {
      const std::size_t step = High(t[cursor]) ? 2 : 1;
      out += t.substr(cursor, step);
      cursor += step;
    }
  }
  if (cursor < t.size()) out += t.substr(cursor);
  return out;
}

inline std::vector<std::string> RefSplitText(std::string_view t, std::string_view delim) {
  std::vector<std::string> pieces;
  if (t.empty()) return pieces;
  if (delim.empty()) return {std::string(t)};
  std::size_t cursor = 0, piece = 0;
  while (cursor < t.size() && t.size() - cursor >= delim.size()) {
    if (t.substr(cursor, delim.size()) == delim) {
      pieces.emplace_back(t.substr(piece, cursor - piece));
      cursor += delim.size();
      piece = cursor;
    } else {
      cursor += High(t[cursor]) ? 2 : 1;
    }
  }
  if (piece < t.size()) pieces.emplace_back(t.substr(piece));
  return pieces;
}

inline std::string RefCaseMap(std::string_view t, bool upper) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (High(c)) {
      out += c;
      if (i + 1 < t.size()) out += t[++i];
    } else if (upper && c >= 'a' && c <= 'z') {
      out += static_cast<char>(c - 32);
    } else if (!upper && c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c + 32);
    } else {
      out += c;
    }
  }
  return out;
}

inline std::string RefTextMid(std::string_view t, int start, int n) {
  std::string out;
  for (long k = 0; k < n; ++k) {
    const long at = start - 1L + k;
    if (start < 1 || at >= static_cast<long>(t.size())) break;
    out += t[static_cast<std::size_t>(at)];
  }
  return out;
}

// Full-width forms (A3A1..A3FE, the ideographic space, A1AB, A1EE and A1EF) as ASCII.
inline std::string RefNarrow(std::string_view t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const auto lead = static_cast<unsigned char>(t[i]);
    if (lead < 0x80 || i + 1 == t.size()) {
      out += t[i];
      continue;
    }
    const auto trail = static_cast<unsigned char>(t[++i]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out += static_cast<char>(trail - 0x80);
    } else if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      out += '~';
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out += '*';
    } else {
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    }
  }
  return out;
}

inline bool Space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool Digit(char c) {
  return c >= '0' && c <= '9';
}

inline int RefTextToInt(std::string_view text) {
  const std::string s = RefNarrow(text);
  std::size_t i = 0;
  while (i < s.size() && Space(s[i])) ++i;
  int sign = 1;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '-' ? -1 : 1;
  std::uint64_t value = 0;  // kept modulo 2^32 by hand
  for (; i < s.size() && Digit(s[i]); ++i) value = (value * 10 + (s[i] - '0')) % 4294967296u;
  if (sign < 0) value = (4294967296u - value) % 4294967296u;
  return value >= 2147483648u ? static_cast<int>(static_cast<std::int64_t>(value) - 4294967296)
                              : static_cast<int>(value);
}

// The longest prefix (after white space) of the form [sign] digits [. digits] [e [sign] digits],
// with at least one digit before the exponent, found by a small state machine; "" when there is
// none.
inline std::string RefNumberPrefix(std::string_view text) {
  const std::string s = RefNarrow(text);
  std::size_t i = 0;
  while (i < s.size() && Space(s[i])) ++i;
  enum State { kStart, kSign, kInt, kPoint, kFrac, kE, kESign, kExp } state = kStart;
  std::size_t best = std::string::npos;
  bool sawDigit = false;
  for (std::size_t j = i; j < s.size(); ++j) {
    const char c = s[j];
    State next;
    if (Digit(c)) {
      next = state <= kInt ? kInt : state <= kFrac ? kFrac : kExp;
      if (next != kExp) sawDigit = true;
    } else if ((c == '+' || c == '-') && (state == kStart || state == kE)) {
      next = state == kStart ? kSign : kESign;
    } else if (c == '.' && state <= kInt) {
      next = kPoint;
    } else if ((c == 'e' || c == 'E') && sawDigit &&
               (state == kInt || state == kPoint || state == kFrac)) {
      next = kE;
    } else {
      break;
    }
    state = next;
    if (sawDigit && (state == kInt || state == kPoint || state == kFrac || state == kExp))
      best = j + 1;
  }
  return best == std::string::npos ? std::string() : s.substr(i, best - i);
}

// The text between the first left marker and the next right marker after it, the token "#引号"
// in a marker standing for a double quote; gbkToken is that token in GBK.
inline std::string RefTextBetween(std::string_view text, std::string_view left,
                                  std::string_view right, std::string_view gbkToken) {
  const std::string l = RefReplaceSubtext(left, gbkToken, "\"", 1, true);
  const std::string r = RefReplaceSubtext(right, gbkToken, "\"", 1, true);
  const int p = RefFindText(text, l, 1, true);
  if (p == -1) return {};
  const std::size_t tailLength = text.size() - p - l.size() + 1;
  const std::string_view tail = text.substr(text.size() - tailLength);
  const int q = RefFindText(tail, r, 1, true);
  if (q == -1) return {};
  return std::string(tail.substr(0, q - 1));
}

}  // namespace fuzz
