#include "encoding/page_decode.h"

#include <algorithm>
#include <cstring>

#include "encoding/codepage.h"

namespace pelmora {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

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

// The number of bytes at the end of chunk that begin a UTF-8 sequence the chunk does not finish.
// They go on to the next chunk, so every sequence, valid or not, reaches the converter whole and
// the chunks convert exactly as the whole page would.
std::size_t UnfinishedTail(std::string_view chunk) {
  for (std::size_t back = 1; back <= 3 && back <= chunk.size(); ++back) {
    const auto c = static_cast<unsigned char>(chunk[chunk.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back for its lead
    std::size_t length = 1;
    if (c >= 0xC2 && c <= 0xDF) length = 2;
    if (c >= 0xE0 && c <= 0xEF) length = 3;
    if (c >= 0xF0 && c <= 0xF4) length = 4;
    return length > back ? back : 0;
  }
  return 0;
}

}  // namespace

Text PercentDecode(std::string_view page) {
  // The UTF-8 stage ends at a zero byte; a Text never holds one, but a raw view might.
  page = page.substr(0, page.find('\0'));
  Text out;
  out.reserve(page.size());  // GBK never takes more bytes than the UTF-8 it comes from
  // The decoded bytes go through a chunk of cache size on their way to the converter, so a page
  // of megabytes is read and written once rather than copied whole and converted afterwards.
  std::string chunk;
  chunk.reserve(std::min(kChunkSize, page.size()) + 4);
  std::size_t i = 0;
  while (i < page.size()) {
    while (i < page.size() && chunk.size() < kChunkSize) {
      const std::size_t limit = std::min(page.size(), i + (kChunkSize - chunk.size()));
      const void* found = std::memchr(page.data() + i, '%', limit - i);
      const std::size_t percent = found ? static_cast<const char*>(found) - page.data() : limit;
      chunk.append(page, i, percent - i);
      i = percent;
      if (!found) continue;
      // The two positions after "%" belong to the escape whatever they hold, and the decoded
      // byte is never looked at again: "%2541" gives "%41".
      const int value = 16 * DigitValue(page, percent + 1) + DigitValue(page, percent + 2);
      const auto decoded = static_cast<unsigned char>(value & 0xFF);
      if (decoded != 0) chunk.push_back(static_cast<char>(decoded));
      i = percent + 3;
    }
    const std::size_t carried = i < page.size() ? UnfinishedTail(chunk) : 0;
    out += Utf8ToGbk(std::string_view(chunk).substr(0, chunk.size() - carried));
    chunk.erase(0, chunk.size() - carried);
  }
  return out;
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
