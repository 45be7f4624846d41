// Page decoding and the code page layer on arbitrary bytes.
//
// Input: a mode byte, then the page. Mode bit 0 puts a run of ASCII in front of the page so that
// the page crosses the decoder's chunk border (at 64 KiB of decoded bytes, less the mode's upper
// bits), which checks that decoding in chunks gives what decoding the whole page at once gives.
#include <string>

#include "encoding/codepage.h"
#include "encoding/page_decode.h"
#include "fuzz_support.h"

using namespace pelmora;

namespace {

// "%" escapes as the decoder reads them: the two bytes after "%" always belong to it, a
// hexadecimal digit of either case is worth 0..15, another byte -2 and a missing one 0; a decoded
// zero is dropped.
std::string RefUnescape(std::string_view page) {
  auto digit = [&](std::size_t i) {
    if (i >= page.size()) return 0;
    const char c = page[i];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -2;
  };
  std::string out;
  for (std::size_t i = 0; i < page.size();) {
    if (page[i] != '%') {
      out += page[i++];
      continue;
    }
    const char byte = static_cast<char>((16 * digit(i + 1) + digit(i + 2)) & 0xFF);
    if (byte != 0) out += byte;
    i += 3;
  }
  return out;
}

bool ValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = cp << 6 | (t & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

bool NoLoneSurrogate(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] >= 0xD800 && s[i] <= 0xDBFF) {
      if (i + 1 == s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

std::string_view AsBytes(std::u16string_view s) {
  return {reinterpret_cast<const char*>(s.data()), s.size() * 2};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  std::string page(reinterpret_cast<const char*>(data + 1), size - 1);
  page = page.substr(0, page.find('\0'));  // a Text stops at its first zero
  if (mode & 1) page.insert(0, 64 * 1024 - (mode >> 1), 'a');

  const Text decoded = PercentDecode(page);
  fuzz::Check(decoded.find('\0') == Text::npos, "PercentDecode: zero byte", decoded);
  const std::string raw = RefUnescape(page);
  const Text whole = Utf8ToGbk(raw);
  fuzz::Check(decoded == whole, "PercentDecode equals one conversion of the unescaped bytes",
              decoded, whole);
  fuzz::Check(decoded.size() <= raw.size(), "GBK longer than its UTF-8", decoded, raw);
  bool ascii = true;
  for (unsigned char c : raw) ascii &= c < 0x80;
  if (ascii) fuzz::Check(decoded == raw, "ASCII passes unchanged", decoded, raw);
  if (mode & 1) return 0;  // the rest needs no padding

  const std::string_view bytes = page;

  // UTF-8 in: the direct conversion and the one through UTF-16 agree; valid UTF-8 comes back
  // from UTF-16 unchanged, and what the layer writes as UTF-8 or UTF-16 is always well formed.
  const std::u16string fromUtf8 = Utf8ToUtf16(bytes);
  fuzz::Check(NoLoneSurrogate(fromUtf8), "Utf8ToUtf16: lone surrogate", AsBytes(fromUtf8));
  fuzz::Check(Utf8ToGbk(bytes) == Utf16ToGbk(fromUtf8), "Utf8ToGbk vs via UTF-16", Utf8ToGbk(bytes),
              Utf16ToGbk(fromUtf8));
  const std::string backToUtf8 = Utf16ToUtf8(fromUtf8);
  fuzz::Check(ValidUtf8(backToUtf8), "Utf16ToUtf8: invalid UTF-8", backToUtf8);
  if (ValidUtf8(bytes)) fuzz::Check(backToUtf8 == bytes, "UTF-8 round trip", backToUtf8, bytes);
  fuzz::Check(Utf8ToAnsi(Bytes(bytes.begin(), bytes.end())) == Utf8ToGbk(bytes), "Utf8ToAnsi");

  // GBK in: the same, the other way.
  const std::u16string fromGbk = GbkToUtf16(bytes);
  fuzz::Check(NoLoneSurrogate(fromGbk), "GbkToUtf16: lone surrogate", AsBytes(fromGbk));
  fuzz::Check(fromGbk.find(u'\0') == std::u16string::npos, "GbkToUtf16: zero unit");
  const std::string utf8 = GbkToUtf8(bytes);
  fuzz::Check(ValidUtf8(utf8), "GbkToUtf8: invalid UTF-8", utf8, bytes);
  fuzz::Check(utf8 == Utf16ToUtf8(fromGbk), "GbkToUtf8 vs via UTF-16", utf8, bytes);
  const Text gbk = Utf16ToGbk(fromGbk);
  fuzz::Check(gbk.find('\0') == Text::npos, "Utf16ToGbk: zero byte", gbk);
  fuzz::Check(Utf8ToGbk(utf8) == gbk, "Utf8ToGbk vs Utf16ToGbk", Utf8ToGbk(utf8), gbk);
  // Text that held no '?' and converted without a replacement is valid GBK and comes back whole.
  if (bytes.find('?') == std::string_view::npos && fromGbk.find(u'?') == std::u16string::npos)
    fuzz::Check(gbk == bytes, "GBK round trip", gbk, bytes);

  // UTF-16 in, arbitrary units (lone surrogates included): never a zero byte, always UTF-8.
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  const Text fromUnits = Utf16ToGbk(units);
  fuzz::Check(fromUnits.find('\0') == Text::npos, "Utf16ToGbk: zero byte", fromUnits);
  const std::string unitsUtf8 = Utf16ToUtf8(units.substr(0, units.find(u'\0')));
  fuzz::Check(ValidUtf8(unitsUtf8), "Utf16ToUtf8 of lone surrogates", unitsUtf8);
  Bytes le;
  for (char16_t u : units) le.push_back(u & 0xFF), le.push_back(u >> 8);
  fuzz::Check(Utf16ToAnsi(le) == fromUnits, "Utf16ToAnsi", Utf16ToAnsi(le), fromUnits);
  return 0;
}
