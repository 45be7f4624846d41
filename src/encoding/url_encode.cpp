#include "encoding/url_encode.h"

#include "encoding/codepage.h"

namespace pelmora {
namespace {

// ASCII punctuation (every printable byte that is neither a letter nor a digit) and TAB, LF, CR.
bool IsEscapeMark(unsigned char c) {
  return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E) || c == 0x09 || c == 0x0A || c == 0x0D;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

char* WriteEscape(char* w, unsigned char c) {
  w[0] = '%';
  w[1] = kHexDigits[c >> 4];
  w[2] = kHexDigits[c & 0x0F];
  return w + 3;
}

enum class Escape { ByKind, Every };

// Appends the escaped form of bytes: with Escape::ByKind an ASCII byte passes or is escaped by its
// kind and any other byte is escaped; with Escape::Every all are escaped. A zero byte is dropped (a
// Text holds none). Written through a pointer into room
// made beforehand; this is the inner loop of the encoding.
void AppendEncoded(Text& out, std::string_view bytes, Escape escape) {
  const std::size_t start = out.size();
  out.resize(start + bytes.size() * 3);
  char* w = out.data() + start;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0) continue;
    if (escape == Escape::Every || c >= 0x80 || IsEscapeMark(c)) {
      w = WriteEscape(w, c);
    } else {
      *w++ = ch;
    }
  }
  out.resize(w - out.data());
}

bool IsGbkTrail(unsigned char c) {
  return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// A two-byte unit that every GBK converter reads as one character, mapped or not: a lead byte
// 0x81..0xFE and a byte of the trail range. (0x80 and 0xFF are one-byte characters in code page
// 936, so a unit starting with one of them converts into two characters.)
bool IsPlainPair(unsigned char lead, unsigned char trail) {
  return lead >= 0x81 && lead <= 0xFE && IsGbkTrail(trail);
}

// Converts a run made of ASCII bytes and plain pairs (a lone lead byte may end it) in one call.
// The converter splits the run into the same units as the byte walk would, and no pair becomes
// ASCII other than a '?' (for an unmapped pair), which is an escape mark anyway; so each UTF-8 byte
// can be escaped by its own value.
void AppendPlainRun(Text& out, std::string_view run) {
  if (run.empty()) return;
  AppendEncoded(out, GbkToUtf8(run), Escape::ByKind);
}

}  // namespace

Text UrlEncode(std::string_view t) {
  Text out;
  out.reserve(t.size() * 3);
  // A byte of 0x80 or more always starts a two-byte unit (one byte at the very end) whose UTF-8
  // form is escaped byte by byte. Runs of ASCII and plain pairs go to the converter whole; any
  // other unit is converted on its own, so a stray byte cannot shift the pairing of the rest.
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < t.size()) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t unitLength = i + 1 < t.size() ? 2 : 1;
    const bool plain = unitLength == 1 ? c >= 0x81 && c <= 0xFE
                                       : IsPlainPair(c, static_cast<unsigned char>(t[i + 1]));
    if (!plain) {
      AppendPlainRun(out, t.substr(runStart, i - runStart));
      AppendEncoded(out, GbkToUtf8(t.substr(i, unitLength)), Escape::Every);
      runStart = i + unitLength;
    }
    i += unitLength;
  }
  AppendPlainRun(out, t.substr(runStart));
  return out;
}

Bytes AnsiToUtf8(std::string_view t) {
  const std::string utf8 = GbkToUtf8(t);
  const std::string_view text = std::string_view(utf8).substr(0, utf8.find('\0'));
  Bytes out(text.begin(), text.end());
  out.push_back(0);
  return out;
}

Bytes AnsiToUtf16(std::string_view t) {
  const std::u16string utf16 = GbkToUtf16(t);
  Bytes out;
  out.reserve(utf16.size() * 2 + 2);
  for (const char16_t unit : utf16) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

}  // namespace pelmora
