// How far a converter steps over bytes it cannot convert, shared by both code page layers so that
// they replace the same stretches of bad input.
#pragma once

#include <cstddef>

namespace pelmora {

// The number of bytes the UTF-8 sequence at p occupies (1 to 4; p < end). For a valid sequence
// that is its length. An invalid one takes its lead byte and every continuation byte after it that
// still leaves the sequence possible, the way kernel32 decides it: E0 80 is two bytes (overlong
// from the second byte on), ED A0 is two (a surrogate), F4 90 is two (beyond U+10FFFF), a lone
// lead or continuation byte is one. valid tells which of the two it was.
std::size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end, bool& valid);

// The number of bytes a GBK converter takes for the unconvertible byte at p (p < end): a lead
// byte 0x81..0xFE takes the byte after it along unless there is none or it is zero, as kernel32
// does with an unmapped pair; anything else is one byte.
std::size_t GbkRejectedLength(const unsigned char* p, const unsigned char* end);

}  // namespace pelmora
