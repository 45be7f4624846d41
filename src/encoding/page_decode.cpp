#include "encoding/page_decode.h"

#include <cstring>

#include "encoding/codepage.h"

namespace pelmora {
namespace {

// The value of one escape digit: 0..15 for a hexadecimal digit of either case, -2 for any other
// byte, 0 when the page ends before it. These odd values are what a malformed escape decodes with.
int DigitValue(std::string_view page, std::size_t i) {
  if (i >= page.size()) return 0;
  const char c = page[i];
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -2;
}

}  // namespace

Text PercentDecode(std::string_view page) {
  std::string bytes;
  bytes.reserve(page.size());
  std::size_t i = 0;
  while (i < page.size()) {
    const void* found = std::memchr(page.data() + i, '%', page.size() - i);
    const std::size_t percent = found ? static_cast<const char*>(found) - page.data() : page.size();
    bytes.append(page, i, percent - i);
    if (percent == page.size()) break;
    // The two positions after "%" belong to the escape whatever they hold, and the decoded byte
    // is never looked at again: "%2541" gives "%41".
    const int value = 16 * DigitValue(page, percent + 1) + DigitValue(page, percent + 2);
    const auto decoded = static_cast<unsigned char>(value & 0xFF);
    if (decoded != 0) bytes.push_back(static_cast<char>(decoded));
    i = percent + 3;
  }
  return Utf8ToGbk(bytes);
}

Text Utf8ToAnsi(const Bytes& utf8) {
  return Utf8ToGbk({reinterpret_cast<const char*>(utf8.data()), utf8.size()});
}

Text Utf16ToAnsi(const Bytes& utf16) {
  std::u16string units;
  units.reserve(utf16.size() / 2);
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
    const auto unit = static_cast<char16_t>(utf16[i] | (utf16[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return Utf16ToGbk(units);
}

}  // namespace pelmora
