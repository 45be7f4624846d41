// The code page layer over kernel32. GBK is code page 936 by number, so the result does not
// depend on the ANSI code page of the running system.
#include <windows.h>

#include <algorithm>

#include "encoding/codepage.h"

namespace pelmora {
namespace {

constexpr UINT kGbkCodePage = 936;

// kernel32 takes int lengths; a longer input is converted in its first INT_MAX units.
int ClampedLength(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, static_cast<std::size_t>(INT_MAX)));
}

std::u16string MultiByteToUtf16(UINT codePage, std::string_view in) {
  std::u16string out;
  const int inLength = ClampedLength(in.size());
  if (inLength == 0) return out;
  const int n = MultiByteToWideChar(codePage, 0, in.data(), inLength, nullptr, 0);
  if (n <= 0) return out;
  out.resize(n);
  const int written = MultiByteToWideChar(codePage, 0, in.data(), inLength,
                                          reinterpret_cast<wchar_t*>(out.data()), n);
  out.resize(std::max(written, 0));
  return out;
}

std::string Utf16ToMultiByte(UINT codePage, DWORD flags, std::u16string_view in) {
  std::string out;
  const int inLength = ClampedLength(in.size());
  if (inLength == 0) return out;
  const auto* wide = reinterpret_cast<const wchar_t*>(in.data());
  const int n = WideCharToMultiByte(codePage, flags, wide, inLength, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return out;
  out.resize(n);
  const int written =
      WideCharToMultiByte(codePage, flags, wide, inLength, out.data(), n, nullptr, nullptr);
  out.resize(std::max(written, 0));
  return out;
}

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// GBK holds no character beyond U+FFFF, and kernel32 would give one '?' for each half of a pair,
// so every pair becomes a single '?' before the conversion.
std::u16string OnePlaceholderPerPair(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      out.push_back(u'?');
      ++i;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

std::u16string GbkToUtf16(std::string_view gbk) {
  return MultiByteToUtf16(kGbkCodePage, gbk);
}

Text Utf16ToGbk(std::u16string_view utf16) {
  utf16 = utf16.substr(0, utf16.find(u'\0'));
  // No best-fit mapping: a character GBK lacks becomes '?' rather than a look-alike (such as A
  // for À), the same as the iconv layer gives.
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const bool hasPair = std::any_of(utf16.begin(), utf16.end(), IsHighSurrogate);
  if (!hasPair) return Utf16ToMultiByte(kGbkCodePage, flags, utf16);
  return Utf16ToMultiByte(kGbkCodePage, flags, OnePlaceholderPerPair(utf16));
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  return MultiByteToUtf16(CP_UTF8, utf8);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return Utf16ToMultiByte(CP_UTF8, 0, utf16);
}

Text Utf8ToGbk(std::string_view utf8) {
  return Utf16ToGbk(Utf8ToUtf16(utf8));
}

std::string GbkToUtf8(std::string_view gbk) {
  return Utf16ToUtf8(GbkToUtf16(gbk));
}

}  // namespace pelmora
