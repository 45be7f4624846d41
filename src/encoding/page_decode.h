// Decoding of a fetched page: "%" escapes first, then UTF-8 into GBK.
#pragma once

#include "app/text.h"

namespace pelmora {

// Every "%" takes the two bytes after it as its escape, valid or not; a decoded zero is dropped.
// "+" stays "+". The bytes then go from UTF-8 to GBK.
Text PercentDecode(std::string_view page);
Text Utf8ToAnsi(const Bytes& utf8);
Text Utf16ToAnsi(const Bytes& utf16);  // UTF-16LE up to its first zero unit

}  // namespace pelmora
