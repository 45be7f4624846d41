// Percent-encoding of a query value: ASCII letters, digits, space and control bytes pass through,
// punctuation, TAB, LF and CR become %XX, and every two-byte character becomes its UTF-8 bytes,
// each escaped.
#pragma once

#include "app/text.h"

namespace pelmora {

Text UrlEncode(std::string_view t);
Bytes AnsiToUtf8(std::string_view t);   // UTF-8 followed by one zero byte
Bytes AnsiToUtf16(std::string_view t);  // UTF-16LE followed by one zero unit

}  // namespace pelmora
