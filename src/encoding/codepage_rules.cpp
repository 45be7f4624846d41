#include "encoding/codepage_rules.h"

namespace pelmora {

std::size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end, bool& valid) {
  valid = false;
  const unsigned lead = p[0];
  if (lead < 0x80) {
    valid = true;
    return 1;
  }
  int trail;  // continuation bytes the lead announces
  unsigned value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3;
    value = lead & 0x07;
  } else {
    return 1;  // a continuation byte, C0, C1 or F5..FF: never the start of a character
  }

  std::size_t taken = 1;
  for (int k = 1; k <= trail; ++k) {
    if (p + k >= end) return taken;
    const unsigned bits = p[k] ^ 0x80u;
    if (bits >= 0x40) return taken;
    value = (value << 6) | bits;
    const int left = trail - k;  // continuation bytes still to come
    if (left == 1) {
      // value is now the code point without its last six bits.
      if (value >= (0x110000u >> 6)) return taken;  // beyond U+10FFFF: this byte is not taken
      ++taken;
      if (value < (0x800u >> 6)) return taken;  // overlong three-byte form
      if (value >= (0xD800u >> 6) && value <= (0xDFFFu >> 6)) return taken;  // a surrogate
      continue;
    }
    ++taken;
    if (left == 2 && value < (0x10000u >> 12)) return taken;  // overlong four-byte form
  }
  valid = true;
  return taken;
}

std::size_t GbkRejectedLength(const unsigned char* p, const unsigned char* end) {
  if (p[0] >= 0x81 && p[0] <= 0xFE && p + 1 < end && p[1] != 0) return 2;
  return 1;
}

}  // namespace pelmora
