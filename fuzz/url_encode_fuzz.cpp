// URL encoding of arbitrary GBK-ish text.
//
// Input: the text (up to its first zero byte).
#include <algorithm>
#include <string>

#include "encoding/codepage.h"
#include "encoding/page_decode.h"
#include "encoding/url_encode.h"
#include "fuzz_support.h"

using namespace pelmora;

namespace {

bool PassesThrough(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' ||
         (c >= 0x01 && c <= 0x08) || c == 0x0B || c == 0x0C || (c >= 0x0E && c <= 0x1F) ||
         c == 0x7F;
}

bool UpperHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::string Escape(unsigned char c) {
  static const char kDigits[] = "0123456789ABCDEF";
  return {'%', kDigits[c >> 4], kDigits[c & 15]};
}

// One unit at a time: an ASCII byte passes or is escaped; a byte of 0x80 or more takes the byte
// after it (if any) and the UTF-8 form of the two is escaped byte by byte.
std::string RefUrlEncode(std::string_view t) {
  std::string out;
  for (std::size_t i = 0; i < t.size();) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (c < 0x80) {
      out += PassesThrough(c) ? std::string(1, t[i]) : Escape(c);
      ++i;
      continue;
    }
    const std::size_t unit = std::min<std::size_t>(2, t.size() - i);
    for (unsigned char b : GbkToUtf8(t.substr(i, unit)))
      if (b != 0) out += Escape(b);
    i += unit;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view t(reinterpret_cast<const char*>(data), size);
  t = t.substr(0, t.find('\0'));

  const Text encoded = UrlEncode(t);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%') {
      fuzz::Check(i + 2 < encoded.size() && UpperHex(encoded[i + 1]) && UpperHex(encoded[i + 2]),
                  "UrlEncode: a malformed escape", encoded, t);
      i += 2;
    } else {
      fuzz::Check(PassesThrough(static_cast<unsigned char>(encoded[i])),
                  "UrlEncode: a byte that should be escaped", encoded, t);
    }
  }
  const std::string want = RefUrlEncode(t);
  fuzz::Check(encoded == want, "UrlEncode vs one unit at a time", encoded, want);

  // Valid GBK comes back from the escapes.
  const std::u16string wide = GbkToUtf16(t);
  if (fuzz::ValidGbk(t))
    fuzz::Check(PercentDecode(encoded) == t, "decoding gives the text back", PercentDecode(encoded),
                t);

  const Bytes utf8 = AnsiToUtf8(t);
  fuzz::Check(!utf8.empty() && utf8.back() == 0 && std::count(utf8.begin(), utf8.end(), 0) == 1,
              "AnsiToUtf8 ends in its only zero byte");
  const Bytes utf16 = AnsiToUtf16(t);
  fuzz::Check(utf16.size() == wide.size() * 2 + 2 && utf16[utf16.size() - 1] == 0 &&
                  utf16[utf16.size() - 2] == 0,
              "AnsiToUtf16 ends in one zero unit");
  return 0;
}
