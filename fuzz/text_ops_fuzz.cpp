// The text operations against the plain reference versions: searching, replacing, splitting, case
// mapping, cutting by position and reading numbers.
//
// Input: a flags byte, a start byte and a count byte (signed), then t, sub and repl separated by
// zero bytes. Flags: bit 0 ignoreCase for FindText, bit 1 caseSensitive for ReplaceSubtext, bits
// 2 and 3 push the start and the count to the ends of the int range.
#include <climits>
#include <cmath>
#include <cstdlib>

#include "app/text.h"
#include "fuzz_support.h"

using namespace pelmora;

namespace {

int Extreme(int small, std::uint8_t flags, int bit) {
  if (!(flags & (1 << bit))) return small;
  return small < 0 ? INT_MIN + (small + 128) : INT_MAX - small;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t flags = data[0];
  const int start = Extreme(static_cast<std::int8_t>(data[1]), flags, 2);
  const int n = Extreme(static_cast<std::int8_t>(data[2]), flags, 3);
  const auto fields = fuzz::Fields(data + 3, size - 3, 3);
  const std::string_view t = fields[0], sub = fields[1], repl = fields[2];
  const bool ignoreCase = flags & 1;
  const bool caseSensitive = flags & 2;

  const int found = FindText(t, sub, start, ignoreCase);
  if (found != fuzz::RefFindText(t, sub, start, ignoreCase)) fuzz::Fail("FindText", t, sub);

  const Text replaced = ReplaceSubtext(t, sub, repl, start, caseSensitive);
  const std::string wantReplaced = fuzz::RefReplaceSubtext(t, sub, repl, start, caseSensitive);
  fuzz::Check(replaced == wantReplaced, "ReplaceSubtext", replaced, wantReplaced);

  if (!sub.empty()) {
    const TextList pieces = SplitText(t, sub);
    const auto want = fuzz::RefSplitText(t, sub);
    fuzz::Check(pieces.size() == want.size(), "SplitText count", t, sub);
    for (std::size_t k = 0; k < want.size(); ++k)
      fuzz::Check(pieces[k] == want[k], "SplitText piece", pieces[k], want[k]);
    // Joining the pieces with the delimiter gives the text back, less a dropped empty last piece.
    Text joined;
    for (std::size_t k = 0; k < pieces.size(); ++k) joined += (k ? Text(sub) : Text()) + pieces[k];
    fuzz::Check(joined == t || joined + Text(sub) == t, "SplitText join", joined, t);
  }

  const Text upper = ToUpper(t), lower = ToLower(t);
  fuzz::Check(upper == fuzz::RefCaseMap(t, true), "ToUpper", upper, fuzz::RefCaseMap(t, true));
  fuzz::Check(lower == fuzz::RefCaseMap(t, false), "ToLower", lower, fuzz::RefCaseMap(t, false));
  fuzz::Check(ToLower(upper) == lower, "ToLower(ToUpper)", ToLower(upper), lower);
  // Case maps keep the length and therefore never bring a zero byte in.
  fuzz::Check(upper.size() == t.size() && lower.size() == t.size(), "case map length");
  // On ASCII text, finding ignoring case is finding exactly in the lower-cased texts.
  bool ascii = true;
  for (unsigned char c : Text(t) + Text(sub)) ascii &= c < 0x80;
  if (ascii)
    fuzz::Check(FindText(t, sub, start, true) == FindText(lower, ToLower(sub), start, false),
                "FindText folding", t, sub);

  const int cmp = CompareText(t, sub);
  fuzz::Check(cmp == -CompareText(sub, t), "CompareText antisymmetric", t, sub);
  fuzz::Check((cmp == 0) == (lower == ToLower(sub)), "CompareText equality", t, sub);

  fuzz::Check(TextMid(t, start, n) == fuzz::RefTextMid(t, start, n), "TextMid",
              TextMid(t, start, n), fuzz::RefTextMid(t, start, n));
  fuzz::Check(TextLeft(t, n) == (n <= 0 ? Text() : Text(t.substr(0, n))), "TextLeft");
  fuzz::Check(TextRight(t, n) ==
                  (n <= 0 ? Text() : Text(t.substr(t.size() - std::min<std::size_t>(t.size(), n)))),
              "TextRight");

  const int asInt = TextToInt(t);
  if (asInt != fuzz::RefTextToInt(t))
    fuzz::Fail("TextToInt", NumberToText(asInt), NumberToText(fuzz::RefTextToInt(t)));

  const std::string prefix = fuzz::RefNumberPrefix(t);
  const double number = TextToNumber(t);
  const double want = prefix.empty() ? 0.0 : std::strtod(prefix.c_str(), nullptr);
  if (!(number == want) && !(std::isnan(number) && std::isnan(want)))
    fuzz::Fail("TextToNumber", NumberToText(number), prefix);
  return 0;
}
