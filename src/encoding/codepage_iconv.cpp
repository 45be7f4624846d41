// The code page layer over glibc iconv. Each conversion is one iconv pass; where iconv stops at
// bytes it cannot convert, the replacement is written and the pass resumes after the stretch
// kernel32 would have replaced, so both layers give the same text for the same bad input.
#include <errno.h>
#include <iconv.h>

#include <bit>
#include <cstring>
#include <string_view>

#include "encoding/codepage.h"
#include "encoding/codepage_rules.h"

namespace pelmora {
namespace {

static_assert(std::endian::native == std::endian::little,
              "UTF-16 strings are handed to iconv as UTF-16LE");

// One iconv conversion descriptor, closed when the owner goes.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// glibc unloads a conversion module soon after its last descriptor closes, so a run of short
// conversions would load GBK.so and UTF-16.so from disk again and again (an open, several maps,
// a close each time). Descriptors kept for the life of the process hold both in memory; they
// convert nothing.
void KeepModulesLoaded() {
  static const IconvHandle kGbkResident("GBK", "UTF-8");
  static const IconvHandle kUtf16Resident("UTF-16LE", "UTF-8");
}

// Converts in with iconv from one encoding to another into a string of Unit. unitsPerByte bounds
// the output for most input, so the buffer seldom grows. At each stretch iconv rejects,
// rejected(p, end) gives its byte length and replacement (a Unit sequence) goes in its place.
template <typename Unit, typename Rejected>
std::basic_string<Unit> Convert(const char* to, const char* from, std::string_view in,
                                std::size_t unitsPerByte, std::basic_string_view<Unit> replacement,
                                Rejected rejected) {
  std::basic_string<Unit> out;
  if (in.empty()) return out;
  KeepModulesLoaded();
  const IconvHandle cd(to, from);
  if (!cd.valid()) return out;  // the C library lacks the code page: nothing can be converted

  out.resize(in.size() * unitsPerByte + replacement.size());
  std::size_t used = 0;  // bytes of out written
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  const auto* const inEnd = reinterpret_cast<const unsigned char*>(in.data() + in.size());

  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(out.data()) + used;
    std::size_t outLeft = out.size() * sizeof(Unit) - used;
    const std::size_t result = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    used = out.size() * sizeof(Unit) - outLeft;
    if (result != static_cast<std::size_t>(-1)) break;

    const std::size_t spare = out.size() * sizeof(Unit) - used;
    if (errno == E2BIG || spare < replacement.size() * sizeof(Unit)) {
      out.resize(out.size() * 2);
      continue;
    }
    if (errno != EILSEQ && errno != EINVAL) break;  // not expected of a stateless conversion

    const auto* p = reinterpret_cast<const unsigned char*>(inPtr);
    const std::size_t skip = rejected(p, inEnd);
    std::memcpy(reinterpret_cast<char*>(out.data()) + used, replacement.data(),
                replacement.size() * sizeof(Unit));
    used += replacement.size() * sizeof(Unit);
    inPtr += skip;
    inLeft -= skip;
  }
  out.resize(used / sizeof(Unit));
  return out;
}

std::size_t RejectedUtf8(const unsigned char* p, const unsigned char* end) {
  bool valid;
  return Utf8SequenceLength(p, end, valid);
}

// A UTF-16 unit iconv rejects is a lone surrogate, or the first half of a pair whose character
// the target lacks; the pair goes as one character.
std::size_t RejectedUtf16(const unsigned char* p, const unsigned char* end) {
  if (end - p >= 4) {
    const unsigned first = p[0] | (p[1] << 8);
    const unsigned second = p[2] | (p[3] << 8);
    if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) return 4;
  }
  return 2;
}

std::string_view BytesOf(std::u16string_view s) {
  return {reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t)};
}

std::string_view UpToZero(std::string_view s) {
  return s.substr(0, s.find('\0'));
}

std::u16string_view UpToZero(std::u16string_view s) {
  return s.substr(0, s.find(u'\0'));
}

constexpr char kGbk[] = "GBK";
constexpr char kUtf8[] = "UTF-8";
constexpr char kUtf16[] = "UTF-16LE";

}  // namespace

std::u16string GbkToUtf16(std::string_view gbk) {
  return Convert<char16_t>(kUtf16, kGbk, gbk, 1, u"?", GbkRejectedLength);
}

Text Utf16ToGbk(std::u16string_view utf16) {
  return Convert<char>(kGbk, kUtf16, BytesOf(UpToZero(utf16)), 1, "?", RejectedUtf16);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  return Convert<char16_t>(kUtf16, kUtf8, utf8, 1, u"\uFFFD", RejectedUtf8);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return Convert<char>(kUtf8, kUtf16, BytesOf(utf16), 2, "\xEF\xBF\xBD", RejectedUtf16);
}

Text Utf8ToGbk(std::string_view utf8) {
  // An invalid sequence would become U+FFFD and that '?' in GBK, the same as a character GBK
  // lacks, so one replacement serves both.
  return Convert<char>(kGbk, kUtf8, UpToZero(utf8), 1, "?", RejectedUtf8);
}

std::string GbkToUtf8(std::string_view gbk) {
  return Convert<char>(kUtf8, kGbk, gbk, 2, "?", GbkRejectedLength);
}

}  // namespace pelmora
