// The code page layer: GBK (code page 936) and UTF-8 to and from UTF-16. kernel32 on Windows,
// iconv on Linux; both behave alike on bad input and never fail: an invalid UTF-8 sequence becomes
// U+FFFD (one per stretch kernel32 rejects together, so '?' once it reaches GBK), a character GBK
// lacks becomes one '?' (also a character beyond U+FFFF; no look-alike substitutes), an invalid GBK
// byte or unmapped two-byte pair becomes U+003F, a lone surrogate becomes '?' in GBK and U+FFFD in
// UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "app/text.h"

namespace pelmora {

std::u16string GbkToUtf16(std::string_view gbk);
Text Utf16ToGbk(std::u16string_view utf16);  // stops at the first zero unit

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-8 straight to GBK, as Utf16ToGbk(Utf8ToUtf16(utf8)) gives, with no zero byte in the result.
Text Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// A literal text of the system, written in UTF-8 in the source, as Text. Call it once per literal
// and keep the result (a function-local static const is the usual home).
inline Text GbkLiteral(std::string_view utf8) {
  return Utf8ToGbk(utf8);
}

}  // namespace pelmora
